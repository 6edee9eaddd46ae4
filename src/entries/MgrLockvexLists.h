#pragma once
// TListManager builds the lists the windows show from the entry table's in-memory index: all
// entry names, the names chosen by a search text or by a password, and the distinct passwords
// for the password chooser. Every line that stands for an entry carries the entry's index
// record, so that a window finds the key of a selected line.
//
// A refresh gives what building the lists afresh from every entry would give, but does not
// always build them so: the entry table tells which entries changed since the lists were built
// (see TPoolMgr::KeysChangedSince), and when only a few did, only their lines are taken out and
// put back in place. Whatever cannot be told or mended that way (another table or file, many
// changes, a password that could not be read) makes the lists be built afresh.
//
// Upper-casing for searches, names and tab letters is the plain ASCII rule: only a-z change.

#include "entries/LockvexStringList.h"
#include "store/Lockvextypes.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class TV9LockvexTbl;
class TTDStandardIndexRec;

// What a window displays after a refresh.
struct ListManagerParams {
    TLockvexStringList *Items = nullptr;     // LockvexStrings or SelectedLockvexStrings
    TLockvexStringList *Passwords = nullptr; // always PasswordStrings
    int ItemsIndex = 0;                      // line of Items to select
    int PasswordsIndex = 0;                  // always 0, " All Passwords"
    int TabsIndex = 0;                       // always 0, the "*" tab
};

// Line 0 of PasswordStrings, without a record.
inline const QString AllPasswordsLine = QStringLiteral(" All Passwords");
// The name of an entry made by the new-entry command and not yet renamed; a search always
// shows it.
inline const QString NewWebEntryName = QStringLiteral("New Web entry");

class TListManager
{
public:
    // The lists show the entries of table (not owned; the caller keeps it alive as long).
    explicit TListManager(TV9LockvexTbl *table);
    ~TListManager();
    TListManager(const TListManager &) = delete;
    TListManager &operator=(const TListManager &) = delete;

    TV9LockvexTbl *LockvexTbl; // the entry table the lists show
    // The three lists, made with the manager. LockvexStrings: unsorted, sorted after each rebuild
    // ignoring case; SelectedLockvexStrings: unsorted; PasswordStrings: kept sorted,
    // case-sensitive, duplicates ignored, " All Passwords" held at line 0. They only refer to
    // index records, so freeing them frees no entry.
    const std::unique_ptr<TLockvexStringList> LockvexStrings;
    const std::unique_ptr<TLockvexStringList> SelectedLockvexStrings;
    const std::unique_ptr<TLockvexStringList> PasswordStrings;
    // The password counts of the last BuildPasswordStrings or refresh: the different passwords
    // listed, and how many of them are access passwords.
    int TotalPWs = 0;
    int LoginPWs = 0;

    bool OpenPool(const QString &Fn);
    bool ClosePool(LogCommand Log);
    bool IsFileEmpty() const;

    // -1 for a negative line, NoKey also for a line past the end; 0 for a line without a
    // record (such as " All Passwords"); otherwise the record's key.
    int GetKey(const TLockvexStringList *ComboList, int ListIndex) const;
    // The line that stands for the entry with this key, or -1.
    int GetIndexFromKey(const TLockvexStringList *List, int Key) const;
    // Whether the line's entry is flagged (in the password list: its password is an access
    // password).
    bool IsLineFlagged(const TLockvexStringList *List, int ListIndex) const;
    // The first line that bears Name (ignoring a-z case and blanks at either end), or -1.
    int GetIndexFromName(const TLockvexStringList *ListBox, NameSearchType Tagged, const QString &Name) const;
    // True when an entry other than the one with key DisplayedItemKey bears the name, as the
    // name would be stored, ignoring a-z case and blanks at either end.
    bool CheckDupeName(const QString &DisplayedItemName, int DisplayedItemKey) const;

    void BuildLockvexStrings();
    // What BuildLockvexStrings and then BuildPasswordStrings(QString()) give, for the first
    // build of a big list: the names are sorted on a second thread while this one reads the
    // passwords from the file. The second thread has ended when this returns.
    TLockvexStringList *BuildAllLists();
    void BuildSelectedLockvexStrings(const QString &SearchArg);
    TLockvexStringList *BuildSelectedPWLockvexStrings(const QString &Password);
    // Builds PasswordStrings and sets TotalPWs and LoginPWs.
    TLockvexStringList *BuildPasswordStrings(const QString &SearchArg);
    void SetSearchActive(bool Cond) { SearchActive = Cond; }
    void ClearLists();
    // The one call a window makes to refresh: the full list with a letter tab's jump, or the
    // search result while searching.
    ListManagerParams BuildItemList(const QString &NameSearchArg, const QString &TabSearchArg, int TabIndex,
                                    int &CurrentIndex);
    // The line to jump to for a letter tab: the first name starting with the letter, else the
    // line before where the letter would stand, else the last line.
    int FindTabLetterFirstItem(const QString &SearchArg, const TLockvexStringList *DialogList) const;

    // Passwords read from the file are remembered between refreshes; every record write of the
    // entry table makes the entries it wrote be read again. Whoever reopens the entry table
    // other than through OpenPool and ClosePool here calls ForgetPasswords.
    void ForgetPasswords();
    // The last BuildPasswordStrings or BuildSelectedPWLockvexStrings met an entry whose record
    // could not be read: the lists and counts are incomplete.
    bool PasswordReadFailed() const { return LastPasswordReadFailed; }
    // Whether the last BuildPasswordStrings read the passwords in one scan of the whole file
    // (a big file, passwords not known yet), and how that scan ended.
    enum TFileScan { NoFileScan, FileScanWhole, FileScanFailed };
    TFileScan LastFileScan() const { return lastFileScan_; }

    bool SearchActive = false;      // the user searches by name
    ListManagerParams OutputParams; // the last result of BuildItemList

    // At most this many changed entries are mended line by line; more make a rebuild.
    static constexpr int MaxPatchedEntries = 32;
    // From this many entries on, a build that knows no password yet reads them all in one scan
    // of the file rather than one record at a time.
    static constexpr int MinScannedPasswords = 256;
    // How many refreshes built each list afresh rather than keeping or mending it.
    int EntryListRebuilds() const { return entryListRebuilds_; }
    int PasswordListRebuilds() const { return passwordListRebuilds_; }

private:
    // A moment of the entry table, as its update count and index revision tell it.
    struct TMark {
        const TV9LockvexTbl *Table = nullptr;
        QString File;
        int UpdateCount = -1;
        quint64 IndexRevision = 0;
        bool Valid = false;
    };
    TMark Now() const;
    bool IsNow(const TMark &mark) const;
    // The keys of the entries changed since mark, each once; false when the table cannot tell.
    bool ChangedSince(const TMark &mark, std::vector<int> &keys) const;

    // What the lists know of an entry, by key.
    struct TEntryState {
        const TTDStandardIndexRec *Line = nullptr; // the record of its line in LockvexStrings; compared, never read
        QString Password;                          // trimmed, read from slot RecordNo, while PasswordKnown
        QString ListedPassword;                    // what PasswordStrings counts for it, while Listed
        int RecordNo = NoKey;
        quint32 LineVersion = 0; // linesVersion_ when its line was last taken out or put in
        bool IsEntryPW = false;
        bool PasswordKnown = false;
        bool Listed = false;
        bool ListedEntryPW = false;
    };
    // The entries PasswordStrings counts for a password, and the first of them in name order,
    // whose record its line carries.
    struct TPasswordUse {
        int Count = 0;
        int FirstKey = NoKey;
    };

    void CheckKnownPasswords();
    void ReadUnknownPasswords(int lineCount, bool linesJustBuilt);
    // BuildLockvexStrings without the sort.
    void GatherLockvexLines();
    TLockvexStringList *FillPasswordStrings(const QString &SearchArg);
    QString TrimmedPasswordOf(const TTDStandardIndexRec *rec, bool &isEntryPW, bool &readFailed);
    // Each brings its list to the table's present: reused, mended or built afresh.
    void RefreshLockvexStrings();
    void RefreshPasswordStrings();
    bool PatchLockvexStrings(const std::vector<int> &keys);
    bool PatchPasswordStrings(const std::vector<int> &keys);
    // Whether entry a's line comes before entry b's in LockvexStrings.
    bool LineBefore(const TTDStandardIndexRec *a, const TTDStandardIndexRec *b) const;

    QHash<int, TEntryState> entries_;
    QHash<QString, TPasswordUse> passwordUses_;
    TMark knownMark_;             // the passwords known are those of this moment, for entries not changed since
    TMark linesMark_;             // LockvexStrings holds the entries of this moment
    TMark passwordsMark_;         // PasswordStrings, the counts, Listed* and passwordUses_ are of this moment
    bool linesPatchable_ = false; // the index had each key once, in ascending order, at the last build
    quint32 linesVersion_ = 0;
    quint32 linesRebuiltAt_ = 0;        // linesVersion_ at the last full build of LockvexStrings
    quint32 passwordsLinesVersion_ = 0; // linesVersion_ when PasswordStrings was last brought to its moment
    int listedTotalPWs_ = 0;
    int listedLoginPWs_ = 0;
    int entryListRebuilds_ = 0;
    int passwordListRebuilds_ = 0;
    bool LastPasswordReadFailed = false;
    TFileScan lastFileScan_ = NoFileScan;
    bool passwordsAllUnknown_ = true; // since the passwords were forgotten, none was read
};
