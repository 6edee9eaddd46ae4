#pragma once
// TMainEditRules: the main window's editing rules, without a widget. Which entry is shown, what
// changed, when a change is saved, when the user is told or asked about the name, a new entry,
// deleting, and what closing saves. The window is its view: it shows what the rules decide,
// passes on what the user does, and answers the rules' questions through TMainEditView.
//
// The editing is in one state at a time (TEditState). Besides it the rules know two facts that
// last longer than a state: whether the entry shown was made by the new-entry command (its first
// name needs no rename confirmation), and whether the program is ending on a signal (nobody is
// there to answer, so nothing is asked from then on).

#include "entries/EntryFields.h"
#include "entries/MgrLockvexLists.h"

#include <QString>

class TItemManager;
class TListManager;
class TRunMode;

// What the rules tell or ask the user, by the number of its message in the catalogue.
enum class TEditMessage {
    ConfirmRename = 2, // a saved entry's name changed: rename it?
    ConfirmDelete = 3, // delete the entry shown?
    QuitUnsaved = 4,   // closing with a change left unsaved: quit anyway?
    NameExists = 16,   // another entry bears the name
    NotSaved = 18,     // the store did not write or delete it
    NameNeeded = 21,   // a name of blanks only
    SafeFull = 22,     // no room for another entry
    DiscardNew = 28,   // a new entry that cannot be saved is being left: discard it?
};

// The window as the rules see it.
class TMainEditView
{
public:
    virtual ~TMainEditView() = default;
    virtual TItemManager *Items() const = 0;
    virtual TListManager *Lists() const = 0;
    // The entry as the fields show it: its texts, both check boxes, the login date-time and
    // its line in the list.
    virtual void ReadFields(ItemManagerParams &entry) const = 0;
    // The lines the list shows now.
    virtual const TLockvexStringList *ShownLines() const = 0;
    // Tells or asks the user; true for Yes (or OK). about: the name of the entry the question is
    // about, shown in a line of its own (empty: none).
    virtual bool Ask(TEditMessage message, const QString &about) = 0;
    // A save or a deletion changed the entries: the list is built and shown again.
    virtual void ListsChanged() = 0;
    // The fields cannot be typed into (read-only data, or no entry shown).
    virtual bool FieldsReadOnly() const = 0;
};

enum class TEditState {
    Browsing,    // an entry is shown; its name was not typed into since it was shown or checked
    NameTyped,   // the name was typed into and has not been checked since
    NameChecked, // the changed name was checked and accepted (a rename confirmed)
    NameRefused, // the name was refused (taken, blank, a rename not confirmed) and not changed since
    Closing,     // the window has passed its close request: nothing more is saved or asked
};

class TMainEditRules
{
public:
    // mode: the run's mode, read for read-only data; kept for the rules' life.
    TMainEditRules(TMainEditView &view, const TRunMode &mode) : view_(view), mode_(mode) {}

    TEditState State() const { return state_; }
    bool IsNewEntry() const { return newEntry_; }
    bool IsQuiet() const { return quiet_; }
    // The entry shown as loaded or last saved (the fields' texts as the boxes give them back).
    const ItemManagerParams &AsLoaded() const { return asLoaded_; }
    // The name a new entry gets, until the user names it.
    const QString &NewEntryName() const { return NewWebEntryName; }

    // ---- showing an entry ----------------------------------------------------------------------
    // The key of the entry shown (NoKey: none), or of the new entry just added.
    int DisplayedItemKey() const { return displayedItemKey_; }
    // Makes key the entry shown (NoKey or below: none, blank fields) and returns it to be shown.
    ItemManagerParams ShowEntry(int key);
    // The entry as the boxes give it back once shown: a memo returns line breaks as LF only, and
    // showing an entry is never taken for a change of it.
    void Shown(const ItemManagerParams &asShown);
    // The stored entry's access-password flag was changed for every entry with its password.
    void AccessFlagStored(bool access) { asLoaded_.LockvexPassword = access; }

    // ---- what changed --------------------------------------------------------------------------
    // The entry as the fields now stand, with what the name check needs.
    ItemManagerParams Now() const;
    bool Changed() const;

    // ---- the name field ------------------------------------------------------------------------
    void NameEntered(const QString &text);
    void NameTyped();
    // Unchanged: nothing to check (the name as it was, or refused already); Refused: the user
    // was told or did not confirm; Accepted: the name stands but the entry could not be saved;
    // Saved: the name stands and the entry is saved.
    enum class TNameExit { Unchanged, Refused, Accepted, Saved };
    // The name field was left: a changed name is checked (the user told or asked) and saved.
    TNameExit NameLeft();
    // Checks the name as the fields stand: tells the user a name is needed or taken, asks them to
    // confirm a rename. True: the name stands.
    bool CheckName();

    // ---- saving --------------------------------------------------------------------------------
    // Saves the entry shown when it changed (or always, with force). False when a change could
    // not be kept: the name was refused, or the store did not write it; the fields keep it and
    // the window stays on the entry.
    bool Save(bool force = false);
    // Save-and-close, before the window's close request: the name is checked as leaving its
    // field checks it, and a changed entry whose name stands is saved.
    void SaveBeforeClose();
    // The close request: true when the window may close (nothing unsaved, the user agreed to
    // lose it, or nobody is there to ask).
    bool MayClose();
    void Closed() { state_ = TEditState::Closing; }
    bool IsClosing() const { return state_ == TEditState::Closing; }

    // ---- new and delete ------------------------------------------------------------------------
    // A new index entry under the new-entry name; NoKey when the safe is full (the user is told).
    int AddNewEntry();
    // The new entry is shown: its first name is no rename.
    void NewEntryShown() { newEntry_ = true; }
    // A new entry shown that has not been written yet: its line is an index entry only.
    bool IsUnsavedNewEntry() const { return newEntry_ && !newWritten_ && displayedItemKey_ > NoKey; }
    // Asks whether to delete the entry shown, naming it.
    bool ConfirmDelete();
    // Deletes the entry shown; false (the user told) when the store did not.
    bool DeleteShown();

    // ---- the ending signal and the idle close ---------------------------------------------------
    // An ending signal: nothing is asked from now on.
    void BeginQuietClose() { quiet_ = true; }
    // Saves what can be saved without a question: a name unchanged, already accepted, or a new
    // entry's name that no other entry bears.
    void SaveQuietly();

    static constexpr int IdleTicks = 30; // ticks before the idle close
    enum class TIdleStep { Wait, SaveAndClose, CloseQuietly };
    // One tick of the idle timer. othersOpen: another window of the program (a message, the
    // import window) stands over this one, so nobody answers here.
    TIdleStep IdleTick(bool othersOpen);
    // The idle close's save-and-close has run (the window may still be open).
    void IdleCloseDone() { idleClosing_ = false; }
    void Activity() { idleCount_ = IdleTicks; }
    int IdleCount() const { return idleCount_; }

private:
    // The name as the field holds it, blanks and all.
    QString FieldName() const;
    // Tells the user why the name in the field cannot be saved, or asks a rename.
    bool Tell(TEditMessage message) { return view_.Ask(message, QString()); }

    // A new entry that was never written, on a way out of it: SaveIt when its name can be saved,
    // Dropped when nothing was typed into it or the user agreed to discard it (its line has left
    // the list), Stay when the user keeps editing it.
    enum class TNewEntryExit { SaveIt, Dropped, Stay };
    TNewEntryExit LeaveNewEntry();
    // Asks whether to discard the unsaved new entry; drops it on Yes.
    bool OfferDiscard();
    // Removes the unsaved new entry's line; no entry is shown afterwards.
    void DropNewEntry();

    TMainEditView &view_;
    const TRunMode &mode_;
    TEditState state_ = TEditState::Browsing;
    bool newEntry_ = false;
    bool newWritten_ = false; // the new entry shown has been written under a name
    bool quiet_ = false;
    bool idleClosing_ = false;
    int idleCount_ = IdleTicks;
    int displayedItemKey_ = NoKey;
    ItemManagerParams asLoaded_;
    QString nameAtEntry_; // the name as the field held it when shown or when the user went into it
};
