#include "entries/MgrLockvexLists.h"

#include "common/Globals.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "store/LockvexIndexRec.h"
#include "store/TBDALockvexData.h"

namespace
{

// A ShortString argument holds at most 255 characters of 8-bit text.
constexpr int ShortStringLength = 255;

QString AsShortStringText(const QString &text)
{
    return win1252::ToUnicode(win1252::FromUnicode(text.left(2 * ShortStringLength)).left(ShortStringLength));
}

// The text a line stands for when names are compared: the record's name, or the line's own
// text for a line without a record.
QString NameOfLine(const TLockvexStringList *list, int line)
{
    const TTDStandardIndexRec *rec = list->Objects(line);
    return rec ? rec->GetIndexedName() : list->Strings(line);
}

} // namespace

void CreateLockvexStringLists()
{
    FreeLockvexStringLists();
    LockvexStrings = new TLockvexStringList(false, dupAccept, false);
    SelectedLockvexStrings = new TLockvexStringList(false, dupAccept, false);
    PasswordStrings = new TLockvexStringList(true, dupIgnore, true);
    PasswordStrings->SetHeadingLines(1);
}

void FreeLockvexStringLists()
{
    delete LockvexStrings;
    delete SelectedLockvexStrings;
    delete PasswordStrings;
    LockvexStrings = SelectedLockvexStrings = PasswordStrings = nullptr;
}

bool TListManager::OpenPool(const QString &Fn)
{
    ForgetPasswords();
    return LockvexTbl && LockvexTbl->OpenPool(Fn);
}

bool TListManager::ClosePool(LogCommand Log)
{
    ForgetPasswords();
    return LockvexTbl && LockvexTbl->ClosePool(Log);
}

void TListManager::ForgetPasswords()
{
    knownPasswords_.clear();
    knownTable_ = nullptr;
    knownFile_.clear();
    knownUpdateCount_ = -1;
    builtFrom_.Valid = false;
}

bool TListManager::ListsUpToDate() const
{
    return builtFrom_.Valid && LockvexTbl && builtFrom_.Table == LockvexTbl &&
           builtFrom_.File == LockvexTbl->GetPoolFileName() && builtFrom_.UpdateCount == LockvexTbl->GetUpdateCount() &&
           builtFrom_.IndexRevision == LockvexTbl->GetIndexRevision();
}

void TListManager::NoteListsBuilt()
{
    builtFrom_.Valid = LockvexTbl && !LastPasswordReadFailed;
    if (!builtFrom_.Valid)
        return;
    builtFrom_.Table = LockvexTbl;
    builtFrom_.File = LockvexTbl->GetPoolFileName();
    builtFrom_.UpdateCount = LockvexTbl->GetUpdateCount();
    builtFrom_.IndexRevision = LockvexTbl->GetIndexRevision();
    builtFrom_.TotalPWs = ::TotalPWs;
    builtFrom_.LoginPWs = ::LoginPWs;
}

bool TListManager::KnownPasswordsValid() const
{
    return LockvexTbl && knownTable_ == LockvexTbl && knownFile_ == LockvexTbl->GetPoolFileName() &&
           knownUpdateCount_ == LockvexTbl->GetUpdateCount();
}

// Starts afresh when anything was written since the passwords were read.
void TListManager::CheckKnownPasswords()
{
    if (KnownPasswordsValid())
        return;
    ForgetPasswords();
    if (!LockvexTbl)
        return;
    knownTable_ = LockvexTbl;
    knownFile_ = LockvexTbl->GetPoolFileName();
    knownUpdateCount_ = LockvexTbl->GetUpdateCount();
}

void TListManager::NoteEntryWritten(int Key, int countBefore)
{
    if (!LockvexTbl || knownTable_ != LockvexTbl || knownUpdateCount_ != countBefore)
        return; // already out of date: the next refresh reads every password again
    knownPasswords_.remove(Key);
    knownUpdateCount_ = LockvexTbl->GetUpdateCount();
}

// The entry's password, trimmed, and whether it is an access password. A record that could not
// be read gives an empty text and readFailed: its password is unknown, not empty, and it is
// not remembered, so that the next refresh reads it again.
QString TListManager::TrimmedPasswordOf(const TTDStandardIndexRec *rec, bool &isEntryPW, bool &readFailed)
{
    isEntryPW = false;
    readFailed = false;
    if (!LockvexTbl || !rec)
        return QString();
    const int key = rec->GetKeyFromIndex();
    auto known = knownPasswords_.constFind(key);
    if (known != knownPasswords_.constEnd() && known->RecordNo == rec->GetRecordNo()) {
        isEntryPW = known->IsEntryPW;
        return known->Password;
    }
    TKnownPassword read;
    read.RecordNo = rec->GetRecordNo();
    read.Password = TrimBlankChars(LockvexTbl->GetPassword(key, read.IsEntryPW, readFailed));
    if (readFailed) {
        LastPasswordReadFailed = true;
        return QString();
    }
    knownPasswords_.insert(key, read);
    isEntryPW = read.IsEntryPW;
    return read.Password;
}

bool TListManager::IsFileEmpty() const
{
    return !LockvexTbl || LockvexTbl->IsFileEmpty();
}

int TListManager::GetKey(const TLockvexStringList *ComboList, int ListIndex) const
{
    if (ListIndex < 0 || !ComboList || ListIndex >= ComboList->Count())
        return NoKey;
    const TTDStandardIndexRec *rec = ComboList->Objects(ListIndex);
    return rec ? rec->GetKeyFromIndex() : 0;
}

int TListManager::GetIndexFromName(const TLockvexStringList *ListBox, NameSearchType Tagged, const QString &Name) const
{
    if (!ListBox)
        return -1;
    // A record holds its name as stored, so the name is compared in that form; both sides are
    // trimmed, since a name typed with a trailing blank is stored with it.
    const QString target = AsciiUpper(TrimBlankChars(AsShortStringText(Name)));
    const QString storedTarget = AsciiUpper(TrimBlankChars(StoredNameText(Name)));
    for (int i = 0; i < ListBox->Count(); ++i) {
        const TTDStandardIndexRec *rec = ListBox->Objects(i);
        if (!rec) {
            if (AsciiUpper(TrimBlankChars(ListBox->Strings(i))) == target)
                return i;
            continue;
        }
        QString candidate = AsciiUpper(TrimBlankChars(rec->GetIndexedName()));
        if (Tagged == UseTag) {
            candidate = TrimBlankChars(AsciiUpper(rec->GetIndexedNameTag()) + u' ' + candidate);
            if (candidate == target)
                return i;
        } else if (candidate == storedTarget) {
            return i;
        }
    }
    return -1;
}

bool TListManager::CheckDupeName(const QString &DisplayedItemName, int DisplayedItemKey) const
{
    if (!LockvexStrings)
        return false;
    const QString target = AsciiUpper(TrimBlankChars(StoredNameText(DisplayedItemName)));
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        if (AsciiUpper(TrimBlankChars(NameOfLine(LockvexStrings, i))) != target)
            continue;
        const TTDStandardIndexRec *rec = LockvexStrings->Objects(i);
        if (!rec || rec->GetKeyFromIndex() != DisplayedItemKey)
            return true;
    }
    return false;
}

void TListManager::BuildLockvexStrings()
{
    builtFrom_.Valid = false;
    if (!LockvexStrings)
        return;
    LockvexStrings->Clear();
    std::vector<TLockvexStringLine> lines;
    TPoolIndexRec *item = nullptr;
    if (LockvexTbl && LockvexTbl->GetFirstIndexItem(item, FullScan)) {
        do {
            lines.push_back({item->GetIndexedName(), item});
        } while (LockvexTbl->GetNextIndexItem(item, FullScan));
    }
    LockvexStrings->AddLines(std::move(lines));
    LockvexStrings->Sort();
}

void TListManager::BuildSelectedLockvexStrings(const QString &SearchArg)
{
    if (!SelectedLockvexStrings || !LockvexStrings)
        return;
    const QString s = AsciiUpper(SearchArg);
    const QString p = AsciiUpper(u' ' + NewWebEntryName);
    SelectedLockvexStrings->Clear();
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        const QString line = LockvexStrings->Strings(i);
        // An empty search text is in every line, but selects nothing.
        if (EqualsAsciiUpper(line, p) || (!s.isEmpty() && ContainsAsciiUpper(line, s)))
            SelectedLockvexStrings->Add(line, LockvexStrings->Objects(i));
    }
}

TLockvexStringList *TListManager::BuildSelectedPWLockvexStrings(const QString &Password)
{
    if (!SelectedLockvexStrings || !LockvexStrings)
        return SelectedLockvexStrings;
    CheckKnownPasswords();
    LastPasswordReadFailed = false;
    SelectedLockvexStrings->Clear();
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        bool isEntryPW = false, readFailed = false;
        const QString password = TrimmedPasswordOf(LockvexStrings->Objects(i), isEntryPW, readFailed);
        if (!readFailed && password == Password)
            SelectedLockvexStrings->Add(LockvexStrings->Strings(i), LockvexStrings->Objects(i));
    }
    return SelectedLockvexStrings;
}

TLockvexStringList *TListManager::BuildPasswordStrings(const QString &SearchArg, int &TotalPWs, int &LoginPWs)
{
    builtFrom_.Valid = false;
    TotalPWs = 0;
    LoginPWs = 0;
    if (!PasswordStrings)
        return PasswordStrings;
    PasswordStrings->Clear();
    PasswordStrings->Add(AllPasswordsLine);
    if (!LockvexStrings)
        return PasswordStrings;
    CheckKnownPasswords();
    LastPasswordReadFailed = false;

    std::vector<TLockvexStringLine> passwords;
    passwords.reserve(static_cast<std::size_t>(LockvexStrings->Count()));
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        TTDStandardIndexRec *rec = LockvexStrings->Objects(i);
        bool isEntryPW = false, readFailed = false;
        const QString password = TrimmedPasswordOf(rec, isEntryPW, readFailed);
        if (rec)
            rec->SetFlag(isEntryPW);
        if (readFailed) {
            // Unknown, not empty: it counts as a password (so that a failing disk never makes
            // the safe look as if nothing guarded it) but cannot be listed.
            if (SearchArg.isEmpty())
                ++TotalPWs;
            continue;
        }
        if (!SearchArg.isEmpty() && password != SearchArg)
            continue;
        if (!password.isEmpty()) {
            passwords.push_back({password, rec});
            ++TotalPWs;
        }
    }
    // One sort for all lines; a password already listed keeps the first entry (in name order)
    // that uses it.
    PasswordStrings->AddLines(std::move(passwords));

    for (int i = 0; i < PasswordStrings->Count(); ++i) {
        const TTDStandardIndexRec *rec = PasswordStrings->Objects(i);
        if (rec && rec->IsFlagged())
            ++LoginPWs;
    }
    return PasswordStrings;
}

void TListManager::ClearLists()
{
    builtFrom_.Valid = false;
    if (LockvexStrings)
        LockvexStrings->Clear();
}

ListManagerParams TListManager::BuildItemList(const QString &NameSearchArg, const QString &TabSearchArg, int TabIndex,
                                              int &CurrentIndex)
{
    // Nothing written and no entry or name changed since the last full build: both lists are
    // still what a rebuild would give.
    const bool upToDate = ListsUpToDate();
    if (!upToDate)
        BuildLockvexStrings();
    if (SearchActive && !NameSearchArg.isEmpty()) {
        BuildSelectedLockvexStrings(NameSearchArg);
        OutputParams.Items = SelectedLockvexStrings;
        OutputParams.ItemsIndex = 0;
    } else {
        CurrentIndex =
            TabIndex > 0 && !TabSearchArg.isEmpty() ? FindTabLetterFirstItem(TabSearchArg.left(1), LockvexStrings) : 0;
        OutputParams.Items = LockvexStrings;
        OutputParams.ItemsIndex = CurrentIndex;
        if (upToDate) {
            LastPasswordReadFailed = false; // the lists kept were built without a failed read
            ::TotalPWs = builtFrom_.TotalPWs;
            ::LoginPWs = builtFrom_.LoginPWs;
        } else {
            BuildPasswordStrings(QString(), ::TotalPWs, ::LoginPWs);
            NoteListsBuilt();
        }
    }
    OutputParams.Passwords = PasswordStrings;
    OutputParams.PasswordsIndex = 0;
    OutputParams.TabsIndex = 0;
    return OutputParams;
}

int TListManager::FindTabLetterFirstItem(const QString &SearchArg, const TLockvexStringList *DialogList) const
{
    if (!DialogList || SearchArg.isEmpty())
        return 0;
    const QString letter = AsciiUpper(SearchArg.left(1));
    const int last = DialogList->Count() - 1;
    // The list is in the user's collation, where a name such as Ärger sorts among the A's but
    // its first character is no A under the ASCII rule: a plain scan finds the letter's first
    // name wherever the collation put it. Line 0 is only ever the line before line 1.
    for (int i = 1; i <= last; ++i) {
        if (AsciiUpper(DialogList->Strings(i).left(1)) == letter)
            return i;
    }
    // No name of the letter: the line before the first one that the list's own order puts after
    // the letter, else the last line.
    for (int i = 1; i <= last; ++i) {
        if (DialogList->CompareStrings(DialogList->Strings(i), letter) > 0)
            return i - 1;
    }
    return last;
}
