#include "entries/MgrLockvexLists.h"

#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "store/LockvexIndexRec.h"
#include "store/TBDALockvexData.h"

#include <QStringList>

#include <algorithm>
#include <climits>
#include <system_error>
#include <thread>
#include <utility>

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

TListManager::TListManager(TV9LockvexTbl *table)
    : LockvexTbl(table), LockvexStrings(std::make_unique<TLockvexStringList>(false, dupAccept, false)),
      SelectedLockvexStrings(std::make_unique<TLockvexStringList>(false, dupAccept, false)),
      PasswordStrings(std::make_unique<TLockvexStringList>(true, dupIgnore, true))
{
    PasswordStrings->SetHeadingLines(1);
}

TListManager::~TListManager() = default;

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
    entries_.clear();
    passwordUses_.clear();
    passwordsAllUnknown_ = true;
    knownMark_ = linesMark_ = passwordsMark_ = TMark();
}

TListManager::TMark TListManager::Now() const
{
    TMark mark;
    if (LockvexTbl) {
        mark.Table = LockvexTbl;
        mark.File = LockvexTbl->GetPoolFileName();
        mark.UpdateCount = LockvexTbl->GetUpdateCount();
        mark.IndexRevision = LockvexTbl->GetIndexRevision();
        mark.Valid = true;
    }
    return mark;
}

bool TListManager::IsNow(const TMark &mark) const
{
    return mark.Valid && LockvexTbl && mark.Table == LockvexTbl && mark.File == LockvexTbl->GetPoolFileName() &&
           mark.UpdateCount == LockvexTbl->GetUpdateCount() && mark.IndexRevision == LockvexTbl->GetIndexRevision();
}

bool TListManager::ChangedSince(const TMark &mark, std::vector<int> &keys) const
{
    keys.clear();
    if (!mark.Valid || !LockvexTbl || mark.Table != LockvexTbl || mark.File != LockvexTbl->GetPoolFileName() ||
        !LockvexTbl->KeysChangedSince(mark.UpdateCount, mark.IndexRevision, keys))
        return false;
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return true;
}

// Forgets the passwords of the entries written since they were read; all of them when that
// cannot be told.
void TListManager::CheckKnownPasswords()
{
    if (IsNow(knownMark_))
        return;
    std::vector<int> changed;
    if (ChangedSince(knownMark_, changed)) {
        for (int key : changed) {
            auto state = entries_.find(key);
            if (state != entries_.end())
                state->PasswordKnown = false;
        }
    } else {
        for (TEntryState &state : entries_)
            state.PasswordKnown = false;
        passwordsAllUnknown_ = true;
    }
    knownMark_ = Now();
}

// At the first build, or after the passwords were forgotten, every password is unknown: for a
// big list one scan reads the file in large blocks instead of one read per entry. A password is kept
// only for the entry whose index record names the slot it came from, the record that
// TrimmedPasswordOf would read; an entry the scan does not give (its slot unreadable, or a
// scan cut short) is read on its own as before. lineCount is the number of lines of
// LockvexStrings, which this does not read (it may be sorted meanwhile). With linesJustBuilt,
// each entry's Line is its index record, found without a search of the index.
void TListManager::ReadUnknownPasswords(int lineCount, bool linesJustBuilt)
{
    // Only when no password is known: a refresh that knows them reads none or a few.
    const bool allUnknown = std::exchange(passwordsAllUnknown_, false);
    if (!allUnknown || !LockvexTbl || lineCount < MinScannedPasswords)
        return;
    // Each key once in the index (in ascending order): then the line of a key is its index record.
    const bool linesName = linesJustBuilt && linesPatchable_;
    const bool whole = LockvexTbl->ForEachLiveRecord([this, linesName](int slot, const TLockvexRec &record) {
        const int key = record.GetKey();
        if (key <= NoKey)
            return;
        auto known = entries_.find(key);
        const TTDStandardIndexRec *item = nullptr;
        if (!linesName)
            item = LockvexTbl->FindIndexItem(key);
        else if (known != entries_.end())
            item = known->Line;
        if (!item || item->GetRecordNo() != slot)
            return;
        TEntryState &state = known != entries_.end() ? *known : entries_[key];
        state.RecordNo = slot;
        state.Password = TrimBlankChars(record.GetPassword());
        state.IsEntryPW = record.IsEntryPassword();
        state.PasswordKnown = true;
    });
    lastFileScan_ = whole ? FileScanWhole : FileScanFailed;
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
    TEntryState &state = entries_[key];
    if (state.PasswordKnown && state.RecordNo == rec->GetRecordNo()) {
        isEntryPW = state.IsEntryPW;
        return state.Password;
    }
    const QString password = TrimBlankChars(LockvexTbl->GetPassword(key, isEntryPW, readFailed));
    if (readFailed) {
        LastPasswordReadFailed = true;
        state.PasswordKnown = false;
        isEntryPW = false;
        return QString();
    }
    state.RecordNo = rec->GetRecordNo();
    state.Password = password;
    state.IsEntryPW = isEntryPW;
    state.PasswordKnown = true;
    return password;
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

int TListManager::GetIndexFromKey(const TLockvexStringList *List, int Key) const
{
    if (!List || Key < 0)
        return -1;
    for (int i = 0; i < List->Count(); ++i)
        if (const TTDStandardIndexRec *rec = List->Objects(i); rec && rec->GetKeyFromIndex() == Key)
            return i;
    return -1;
}

bool TListManager::IsLineFlagged(const TLockvexStringList *List, int ListIndex) const
{
    if (!List || ListIndex < 0 || ListIndex >= List->Count())
        return false;
    const TTDStandardIndexRec *rec = List->Objects(ListIndex);
    return rec && rec->IsFlagged();
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
            if (EqualsAsciiUpper(TrimmedBlankView(ListBox->StringRef(i)), target))
                return i;
            continue;
        }
        const QString name = rec->GetIndexedName();
        if (Tagged == UseTag) {
            const QString candidate =
                TrimBlankChars(AsciiUpper(rec->GetIndexedNameTag()) + u' ' + AsciiUpper(TrimBlankChars(name)));
            if (candidate == target)
                return i;
        } else if (EqualsAsciiUpper(TrimmedBlankView(name), storedTarget)) {
            return i;
        }
    }
    return -1;
}

bool TListManager::CheckDupeName(const QString &DisplayedItemName, int DisplayedItemKey) const
{
    const QString target = AsciiUpper(TrimBlankChars(StoredNameText(DisplayedItemName)));
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        if (!EqualsAsciiUpper(TrimmedBlankView(NameOfLine(LockvexStrings.get(), i)), target))
            continue;
        const TTDStandardIndexRec *rec = LockvexStrings->Objects(i);
        if (!rec || rec->GetKeyFromIndex() != DisplayedItemKey)
            return true;
    }
    return false;
}

void TListManager::BuildLockvexStrings()
{
    GatherLockvexLines();
    LockvexStrings->Sort();
    linesMark_ = Now();
}

void TListManager::GatherLockvexLines()
{
    linesMark_.Valid = false;
    LockvexStrings->Clear();
    for (TEntryState &state : entries_)
        state.Line = nullptr;
    linesRebuiltAt_ = ++linesVersion_;
    linesPatchable_ = true;
    std::vector<TLockvexStringLine> lines;
    TPoolIndexRec *item = nullptr;
    if (LockvexTbl && LockvexTbl->GetFirstIndexItem(item, FullScan)) {
        lines.reserve(static_cast<std::size_t>(LockvexTbl->NumRecords()));
        int lastKey = INT_MIN;
        do {
            const int key = item->GetKeyFromIndex();
            // Lines that compare equal stand in index order, which is key order while each key
            // is there once; mending a line relies on that.
            linesPatchable_ = linesPatchable_ && key > lastKey;
            lastKey = key;
            lines.push_back({item->GetIndexedName(), item});
            entries_[key].Line = item;
        } while (LockvexTbl->GetNextIndexItem(item, FullScan));
    }
    LockvexStrings->AddLines(std::move(lines));
}

TLockvexStringList *TListManager::BuildAllLists()
{
    GatherLockvexLines();
    CheckKnownPasswords();
    lastFileScan_ = NoFileScan;
    {
        // The sort needs nothing but the list's own lines, the scan nothing but the entry table
        // and the entry states: the two run side by side, and the sort has ended before
        // anything else looks at the list, whatever way this block is left.
        const int lineCount = LockvexStrings->Count();
        std::thread sorter;
        if (passwordsAllUnknown_ && lineCount >= MinScannedPasswords && std::thread::hardware_concurrency() > 1) {
            try {
                sorter = std::thread([list = LockvexStrings.get()] { list->Sort(); });
            } catch (const std::system_error &) {
                // No thread to be had: the list is sorted on this one below.
            }
        }
        const struct JoinSorter {
            std::thread &thread;
            ~JoinSorter()
            {
                if (thread.joinable())
                    thread.join();
            }
        } join{sorter};
        const bool sortedMeanwhile = sorter.joinable();
        ReadUnknownPasswords(lineCount, true);
        if (!sortedMeanwhile)
            LockvexStrings->Sort();
    }
    linesMark_ = Now();
    return FillPasswordStrings(QString());
}

bool TListManager::LineBefore(const TTDStandardIndexRec *a, const TTDStandardIndexRec *b) const
{
    const int byName = LockvexStrings->CompareStrings(a->GetIndexedName(), b->GetIndexedName());
    return byName < 0 || (byName == 0 && a->GetKeyFromIndex() < b->GetKeyFromIndex());
}

// Takes the lines of the changed entries out and puts the entries now in the index back where a
// sort puts them: by name in the list's order, and after the lines of equal names whose keys
// are lower. A line whose entry kept its record and its name stays. False when that cannot be
// done; the list is then built afresh.
bool TListManager::PatchLockvexStrings(const std::vector<int> &keys)
{
    if (!linesPatchable_ || !LockvexTbl)
        return false;
    const quint32 version = ++linesVersion_;
    std::vector<const TTDStandardIndexRec *> before; // the changed entries' records as listed
    for (int key : keys) {
        auto state = entries_.constFind(key);
        before.push_back(state == entries_.constEnd() ? nullptr : state->Line);
    }
    const std::vector<int> lineOf = LockvexStrings->LinesOf(before);
    std::vector<int> takenOut;
    std::vector<TPoolIndexRec *> putIn;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        TPoolIndexRec *item = LockvexTbl->FindIndexItem(keys[i]);
        if (before[i] && lineOf[i] < 0)
            return false; // listed, but not found in the list
        if (item) {
            // Another entry of the same key would stand beside it in the index.
            const TPoolIndexRec *next = LockvexTbl->GetSucceedingIndexItem(keys[i]);
            if (next && next->GetKeyFromIndex() == keys[i])
                return false;
        }
        if (item && before[i] == item && LockvexStrings->StringRef(lineOf[i]) == item->GetIndexedName())
            continue; // the same line in the same place
        if (before[i])
            takenOut.push_back(lineOf[i]);
        if (item)
            putIn.push_back(item);
        auto state = entries_.find(keys[i]);
        if (state == entries_.end() && item)
            state = entries_.insert(keys[i], TEntryState());
        if (state != entries_.end()) {
            state->Line = nullptr;
            state->LineVersion = version;
        }
    }
    LockvexStrings->DeleteLines(takenOut);
    for (TPoolIndexRec *item : putIn) {
        const QString name = item->GetIndexedName();
        const int key = item->GetKeyFromIndex();
        auto [at, end] = LockvexStrings->EqualRange(name);
        while (at < end && LockvexStrings->Objects(at)->GetKeyFromIndex() < key)
            ++at;
        LockvexStrings->InsertAt(at, name, item);
        entries_[key].Line = item;
    }
    return true;
}

void TListManager::RefreshLockvexStrings()
{
    std::vector<int> keys;
    if (ChangedSince(linesMark_, keys) &&
        (keys.empty() || (keys.size() <= std::size_t(MaxPatchedEntries) && PatchLockvexStrings(keys)))) {
        linesMark_ = Now();
        return;
    }
    ++entryListRebuilds_;
    BuildLockvexStrings();
}

void TListManager::BuildSelectedLockvexStrings(const QString &SearchArg)
{
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
    CheckKnownPasswords();
    LastPasswordReadFailed = false;
    SelectedLockvexStrings->Clear();
    for (int i = 0; i < LockvexStrings->Count(); ++i) {
        bool isEntryPW = false, readFailed = false;
        const QString password = TrimmedPasswordOf(LockvexStrings->Objects(i), isEntryPW, readFailed);
        if (!readFailed && password == Password)
            SelectedLockvexStrings->Add(LockvexStrings->Strings(i), LockvexStrings->Objects(i));
    }
    return SelectedLockvexStrings.get();
}

TLockvexStringList *TListManager::BuildPasswordStrings(const QString &SearchArg)
{
    CheckKnownPasswords();
    lastFileScan_ = NoFileScan;
    ReadUnknownPasswords(LockvexStrings->Count(), false);
    return FillPasswordStrings(SearchArg);
}

// BuildPasswordStrings once the passwords unknown so far were read in one scan where that pays.
TLockvexStringList *TListManager::FillPasswordStrings(const QString &SearchArg)
{
    passwordsMark_.Valid = false;
    TotalPWs = 0;
    LoginPWs = 0;
    PasswordStrings->Clear();
    PasswordStrings->Add(AllPasswordsLine);
    LastPasswordReadFailed = false;
    // What the list counts for each entry is kept, so that a later refresh can mend it; only
    // the full list of a list of all entries can be mended.
    const bool keep = SearchArg.isEmpty() && IsNow(linesMark_);
    passwordUses_.clear();
    for (TEntryState &state : entries_) {
        state.Listed = false;
        state.ListedPassword = QString();
    }

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
        if (password.isEmpty())
            continue;
        ++TotalPWs;
        if (!keep || !rec) {
            passwords.push_back({password, rec});
            continue;
        }
        TEntryState &state = entries_[rec->GetKeyFromIndex()];
        state.Listed = true;
        state.ListedPassword = password;
        state.ListedEntryPW = isEntryPW;
        // A password already listed keeps the first entry (in name order) that uses it.
        TPasswordUse &use = passwordUses_[password];
        if (use.Count++ == 0) {
            use.FirstKey = rec->GetKeyFromIndex();
            passwords.push_back({password, rec});
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
    if (keep && !LastPasswordReadFailed) {
        passwordsMark_ = linesMark_;
        passwordsLinesVersion_ = linesVersion_;
        listedTotalPWs_ = TotalPWs;
        listedLoginPWs_ = LoginPWs;
    }
    return PasswordStrings.get();
}

// Takes what the list counts for the changed entries out, reads their passwords again, counts
// them in, and sets each password's line concerned: gone when no entry uses it any more, added
// for a new one, and carrying the first entry in name order that uses it. False when a password
// cannot be read; the list is then built afresh, which tells of the failure.
bool TListManager::PatchPasswordStrings(const std::vector<int> &keys)
{
    if (!LockvexTbl)
        return false;
    CheckKnownPasswords();
    LastPasswordReadFailed = false;
    // Whether an entry stands where it stood among the others when the list was last brought
    // to its moment: nothing has taken its line out since.
    const bool linesKept = linesRebuiltAt_ <= passwordsLinesVersion_;
    struct TNow {
        int Key;
        TPoolIndexRec *Item; // nullptr: no longer in the index
        QString Password;
        bool IsEntryPW;
        bool SamePlace;
    };
    std::vector<TNow> now;
    QStringList concerned;
    for (int key : keys) {
        auto state = entries_.constFind(key);
        if (state != entries_.constEnd() && state->Listed)
            concerned << state->ListedPassword;
        TPoolIndexRec *item = LockvexTbl->FindIndexItem(key);
        if (!item) {
            now.push_back({key, nullptr, QString(), false, false});
            continue;
        }
        bool isEntryPW = false, readFailed = false;
        const QString password = TrimmedPasswordOf(item, isEntryPW, readFailed);
        if (readFailed)
            return false;
        const bool samePlace = linesKept && entries_.value(key).LineVersion <= passwordsLinesVersion_;
        now.push_back({key, item, password, isEntryPW, samePlace});
        if (!password.isEmpty())
            concerned << password;
    }
    concerned.removeDuplicates();
    auto isChanged = [&keys](int key) { return std::binary_search(keys.begin(), keys.end(), key); };
    auto flagOfFirst = [this](const QString &password) {
        const TPasswordUse use = passwordUses_.value(password);
        return use.Count > 0 && entries_.value(use.FirstKey).ListedEntryPW;
    };
    std::vector<bool> flaggedBefore;
    for (const QString &password : concerned)
        flaggedBefore.push_back(flagOfFirst(password));

    int total = listedTotalPWs_;
    int login = listedLoginPWs_;
    for (int key : keys) {
        auto state = entries_.find(key);
        if (state == entries_.end() || !state->Listed)
            continue;
        --passwordUses_[state->ListedPassword].Count;
        --total;
        state->Listed = false;
        state->ListedPassword = QString();
    }
    for (const TNow &entry : now) {
        if (!entry.Item) {
            auto state = entries_.find(entry.Key);
            if (state != entries_.end() && !state->Line)
                entries_.erase(state);
            continue;
        }
        entry.Item->SetFlag(entry.IsEntryPW);
        if (entry.Password.isEmpty())
            continue;
        TEntryState &state = entries_[entry.Key];
        state.Listed = true;
        state.ListedPassword = entry.Password;
        state.ListedEntryPW = entry.IsEntryPW;
        ++passwordUses_[entry.Password].Count;
        ++total;
    }

    for (qsizetype c = 0; c < concerned.size(); ++c) {
        const QString &password = concerned[c];
        auto use = passwordUses_.find(password);
        int line = 0;
        const bool listed = PasswordStrings->Find(password, line);
        login -= flaggedBefore[std::size_t(c)] ? 1 : 0;
        if (use == passwordUses_.end() || use->Count <= 0) {
            if (use != passwordUses_.end())
                passwordUses_.erase(use);
            if (listed)
                PasswordStrings->Delete(line);
            continue;
        }
        // The first entry of the password: the former first while it is unchanged, or changed
        // but still using it in the same place, ahead of every unchanged entry; then any changed
        // entry now using it that comes before. Otherwise the list of entries is searched.
        int first = use->FirstKey;
        TTDStandardIndexRec *firstItem = nullptr;
        bool search = false;
        if (first != NoKey && isChanged(first)) {
            auto former = std::find_if(now.begin(), now.end(), [first](const TNow &e) { return e.Key == first; });
            search = former == now.end() || former->Password != password || !former->SamePlace;
        }
        if (search) {
            first = NoKey;
            for (int i = 0; i < LockvexStrings->Count() && first == NoKey; ++i) {
                TTDStandardIndexRec *rec = LockvexStrings->Objects(i);
                const auto state = rec ? entries_.constFind(rec->GetKeyFromIndex()) : entries_.constEnd();
                if (state != entries_.constEnd() && state->Listed && state->ListedPassword == password) {
                    first = rec->GetKeyFromIndex();
                    firstItem = rec;
                }
            }
        } else {
            firstItem = first == NoKey ? nullptr : LockvexTbl->FindIndexItem(first);
            for (const TNow &entry : now)
                if (entry.Item && entry.Password == password && (!firstItem || LineBefore(entry.Item, firstItem))) {
                    first = entry.Key;
                    firstItem = entry.Item;
                }
        }
        if (!firstItem)
            return false; // counted, yet no entry found: never so while the lists agree
        use->FirstKey = first;
        if (listed)
            PasswordStrings->SetObject(line, firstItem);
        else
            PasswordStrings->InsertAt(line, password, firstItem);
        login += entries_.value(first).ListedEntryPW ? 1 : 0;
    }
    listedTotalPWs_ = total;
    listedLoginPWs_ = login;
    passwordsLinesVersion_ = linesVersion_;
    return true;
}

void TListManager::RefreshPasswordStrings()
{
    std::vector<int> keys;
    // Mended only over an entry list of the same moment, whose order it follows.
    if (IsNow(linesMark_) && linesPatchable_ && ChangedSince(passwordsMark_, keys) &&
        (keys.empty() || (keys.size() <= std::size_t(MaxPatchedEntries) && PatchPasswordStrings(keys)))) {
        LastPasswordReadFailed = false; // a list kept or mended holds no failed read
        passwordsMark_ = Now();
        TotalPWs = listedTotalPWs_;
        LoginPWs = listedLoginPWs_;
        return;
    }
    ++passwordListRebuilds_;
    BuildPasswordStrings(QString());
}

void TListManager::ClearLists()
{
    linesMark_.Valid = false;
    LockvexStrings->Clear();
}

ListManagerParams TListManager::BuildItemList(const QString &NameSearchArg, const QString &TabSearchArg, int TabIndex,
                                              int &CurrentIndex)
{
    RefreshLockvexStrings();
    if (SearchActive && !NameSearchArg.isEmpty()) {
        // The password list stays as it is while searching.
        BuildSelectedLockvexStrings(NameSearchArg);
        OutputParams.Items = SelectedLockvexStrings.get();
        OutputParams.ItemsIndex = 0;
    } else {
        CurrentIndex = TabIndex > 0 && !TabSearchArg.isEmpty()
                           ? FindTabLetterFirstItem(TabSearchArg.left(1), LockvexStrings.get())
                           : 0;
        OutputParams.Items = LockvexStrings.get();
        OutputParams.ItemsIndex = CurrentIndex;
        RefreshPasswordStrings();
    }
    OutputParams.Passwords = PasswordStrings.get();
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
    const QChar wanted = letter.at(0);
    for (int i = 1; i <= last; ++i) {
        const QString &name = DialogList->StringRef(i);
        if (name.isEmpty())
            continue;
        const char16_t first = name.at(0).unicode();
        if ((first >= u'a' && first <= u'z' ? QChar(first - (u'a' - u'A')) : QChar(first)) == wanted)
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
