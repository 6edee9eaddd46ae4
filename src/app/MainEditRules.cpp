#include "app/MainEditRules.h"

#include "app/RunState.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"

ItemManagerParams TMainEditRules::ShowEntry(int key)
{
    displayedItemKey_ = key;
    state_ = TEditState::Browsing;
    newEntry_ = false;
    newWritten_ = false;
    TItemManager *items = view_.Items();
    if (!items)
        return {};
    if (key < 0)
        items->ClearWebRecord(); // no line selected: empty fields
    asLoaded_ = items->LoadWebItem(key);
    return asLoaded_;
}

void TMainEditRules::Shown(const ItemManagerParams &asShown)
{
    asLoaded_ = asShown;
    nameAtEntry_ = asShown.ItemName;
}

QString TMainEditRules::FieldName() const
{
    ItemManagerParams fields;
    view_.ReadFields(fields);
    return fields.ItemName;
}

ItemManagerParams TMainEditRules::Now() const
{
    ItemManagerParams now = asLoaded_; // the permission as read
    view_.ReadFields(now);
    now.ItemName = TrimBlankChars(now.ItemName);
    now.NewItem = newEntry_;
    now.NameChecked = state_ == TEditState::NameChecked;
    now.SavedItemName = nameAtEntry_;
    return now;
}

bool TMainEditRules::Changed() const
{
    TItemManager *items = view_.Items();
    return items && items->ItemChanged(asLoaded_, Now());
}

void TMainEditRules::NameEntered(const QString &text)
{
    nameAtEntry_ = text;
    if (state_ == TEditState::NameChecked)
        state_ = TEditState::Browsing;
}

void TMainEditRules::NameTyped()
{
    if (state_ != TEditState::Closing)
        state_ = TEditState::NameTyped;
}

bool TMainEditRules::CheckName()
{
    TItemManager *items = view_.Items();
    // A name refused and not changed since is not told or asked about again.
    if (!items || state_ == TEditState::NameRefused || state_ == TEditState::Closing)
        return false;
    const TNameCheck check = items->ValidateItem(Now(), displayedItemKey_);
    if (check.Accepted())
        return true;
    if (quiet_)
        return false; // nobody is there to answer
    if (check.Blank) {
        Tell(TEditMessage::NameNeeded);
        return false;
    }
    if (check.NameExists) {
        Tell(TEditMessage::NameExists);
        return false;
    }
    return !check.ConfirmRename || Tell(TEditMessage::ConfirmRename);
}

TMainEditRules::TNameExit TMainEditRules::NameLeft()
{
    if (state_ == TEditState::NameTyped)
        state_ = TEditState::Browsing;
    if (state_ == TEditState::NameRefused || state_ == TEditState::Closing || view_.FieldsReadOnly() ||
        FieldName() == nameAtEntry_)
        return TNameExit::Unchanged;
    if (!CheckName()) {
        state_ = TEditState::NameRefused; // the text stays in the field, unsaved
        return TNameExit::Refused;
    }
    state_ = TEditState::NameChecked;
    return Save() ? TNameExit::Saved : TNameExit::Accepted;
}

bool TMainEditRules::Save(bool force)
{
    TItemManager *items = view_.Items();
    TListManager *lists = view_.Lists();
    if (!items || !lists || state_ == TEditState::Closing)
        return true;
    // A new entry that was never written is saved under a name it can have, or discarded: it is
    // not left behind as a line without a record, nor its typing dropped without a question.
    if (IsUnsavedNewEntry() && !quiet_) {
        switch (LeaveNewEntry()) {
        case TNewEntryExit::Dropped:
            return true;
        case TNewEntryExit::Stay:
            return false;
        case TNewEntryExit::SaveIt:
            break;
        }
    }
    // A name typed into the field that has not been checked yet, because the way out of the
    // entry did not take the focus from the field (a letter tab, the idle close): it gets the
    // check that leaving the field gives it, once, before anything is saved.
    // When that check's own save failed, the user has been told already.
    if (state_ == TEditState::NameTyped && !quiet_) {
        const TNameExit exit = NameLeft();
        if (exit == TNameExit::Refused || exit == TNameExit::Accepted)
            return false;
    }
    const ItemManagerParams now = Now();
    if (!items->ItemChanged(asLoaded_, now) && !force)
        return true;
    if (mode_.ReadOnlyMode()) {
        // Nothing can be typed while another computer holds the data; what else differs (a
        // login time) cannot be stored until it lets go.
        asLoaded_ = now;
        return true;
    }
    // A name that another entry bears is never written, however the entry is left.
    // Every way out it stops is told why (a way out that does nothing says so).
    if (now.ItemName != asLoaded_.ItemName && lists->CheckDupeName(now.ItemName, displayedItemKey_)) {
        if (!quiet_)
            Tell(TEditMessage::NameExists);
        state_ = TEditState::NameRefused;
        return false;
    }
    // An entry without a name is not written (a new entry not named yet); it counts as saved. A
    // name blanked out is refused instead: the entry's other changes stay in the fields until it
    // has a name again.
    const bool nameless = TrimBlankChars(now.ItemName).isEmpty();
    if (nameless && !TrimBlankChars(asLoaded_.ItemName).isEmpty()) {
        if (!quiet_)
            Tell(TEditMessage::NameNeeded);
        state_ = TEditState::NameRefused;
        return false;
    }
    if (!nameless && !items->SaveWebItem(displayedItemKey_, now)) {
        // Not written: the fields keep the change, to retry or to copy out.
        if (!quiet_)
            Tell(TEditMessage::NotSaved);
        return false;
    }
    if (!nameless && newEntry_)
        newWritten_ = true;
    view_.ListsChanged();
    asLoaded_ = now;
    return true;
}

TMainEditRules::TNewEntryExit TMainEditRules::LeaveNewEntry()
{
    const ItemManagerParams now = Now();
    if (TrimBlankChars(now.ItemName).isEmpty()) {
        // Nothing typed into it: nothing to lose, and no question.
        if (!view_.Items()->ItemChanged(asLoaded_, now)) {
            DropNewEntry();
            return TNewEntryExit::Dropped;
        }
        state_ = TEditState::NameRefused;
        return OfferDiscard() ? TNewEntryExit::Dropped : TNewEntryExit::Stay;
    }
    if (!view_.Lists()->CheckDupeName(now.ItemName, displayedItemKey_))
        return TNewEntryExit::SaveIt;
    // Another entry bears the name: told when the name field was left, else now.
    if (state_ != TEditState::NameRefused)
        Tell(TEditMessage::NameExists);
    state_ = TEditState::NameRefused;
    return OfferDiscard() ? TNewEntryExit::Dropped : TNewEntryExit::Stay;
}

bool TMainEditRules::OfferDiscard()
{
    if (!Tell(TEditMessage::DiscardNew))
        return false; // No: the user keeps editing it, its changes in the fields
    DropNewEntry();
    return true;
}

void TMainEditRules::DropNewEntry()
{
    // The new entry is an index entry without a record: removing it writes nothing to the file.
    if (TItemManager *items = view_.Items(); items && !items->DeleteItem(displayedItemKey_, UpdatePermission))
        return; // the line stays; it is not written and goes when the file is next opened
    displayedItemKey_ = NoKey;
    newEntry_ = false;
    state_ = TEditState::Browsing;
    asLoaded_ = ItemManagerParams();
    view_.ListsChanged();
}

bool TMainEditRules::ConfirmDelete()
{
    // The question names the entry it deletes: the stored name, or the line a new entry shows.
    QString name = TrimBlankChars(asLoaded_.ItemName);
    if (name.isEmpty() && displayedItemKey_ > NoKey)
        name = NewEntryName();
    return view_.Ask(TEditMessage::ConfirmDelete, name);
}

void TMainEditRules::SaveBeforeClose()
{
    if (NameLeft() == TNameExit::Refused)
        return;
    TListManager *lists = view_.Lists();
    if (lists && lists->GetIndexFromName(view_.ShownLines(), NoTag, FieldName()) >= 0 && CheckName())
        Save();
}

bool TMainEditRules::MayClose()
{
    if (quiet_ || !Changed())
        return true;
    // A new entry that was never written has nothing to keep but what is typed: discard it?
    const bool quit = Tell(IsUnsavedNewEntry() ? TEditMessage::DiscardNew : TEditMessage::QuitUnsaved);
    return quit || quiet_; // an ending signal during the question closes anyway
}

int TMainEditRules::AddNewEntry()
{
    TItemManager *items = view_.Items();
    const int key = items ? items->AddItem(NewEntryName()) : NoKey;
    if (key < 0) {
        // The safe holds as many entries as it can; the entry shown stays.
        Tell(TEditMessage::SafeFull);
        return NoKey;
    }
    displayedItemKey_ = key;
    view_.ListsChanged();
    return key;
}

bool TMainEditRules::DeleteShown()
{
    TItemManager *items = view_.Items();
    if (!items || !items->DeleteItem(displayedItemKey_, asLoaded_.RecPermission)) {
        Tell(TEditMessage::NotSaved); // the line stays
        return false;
    }
    view_.ListsChanged();
    return true;
}

void TMainEditRules::SaveQuietly()
{
    if (state_ == TEditState::Closing || !Changed() || view_.FieldsReadOnly())
        return;
    const ItemManagerParams now = Now();
    const bool nameSettled = now.ItemName == asLoaded_.ItemName || state_ == TEditState::NameChecked ||
                             (newEntry_ && !TrimBlankChars(now.ItemName).isEmpty());
    if (nameSettled)
        Save();
}

TMainEditRules::TIdleStep TMainEditRules::IdleTick(bool othersOpen)
{
    if (--idleCount_ > 0)
        return TIdleStep::Wait;
    // Still open afterwards (the user kept a change that could not be saved): count again.
    idleCount_ = IdleTicks;
    // Nobody is there to answer here: another window stands over this one, or the idle close's
    // own question has waited a further idle time.
    if (idleClosing_ || othersOpen)
        return TIdleStep::CloseQuietly;
    idleClosing_ = true;
    return TIdleStep::SaveAndClose;
}
