#pragma once
// TListManager builds the lists the windows show from the entry table's in-memory index: all
// entry names, the names chosen by a search text or by a password, and the distinct passwords
// for the password chooser. Every line that stands for an entry carries the entry's index
// record, so that a window finds the key of a selected line. The lists are rebuilt whole at
// every refresh, never edited line by line.
//
// Upper-casing for searches, names and tab letters is the plain ASCII rule: only a-z change.

#include "entries/LockvexStringList.h"
#include "store/Lockvextypes.h"

#include <QHash>
#include <QString>

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

// Creates the three global lists with their properties (LockvexStrings: unsorted, sorted after
// each rebuild ignoring case; SelectedLockvexStrings: unsorted; PasswordStrings: kept sorted,
// case-sensitive, duplicates ignored, " All Passwords" held at line 0) and frees them. Start-up
// creates them once; they only refer to index records, so freeing them frees no entry.
void CreateLockvexStringLists();
void FreeLockvexStringLists();

class TListManager
{
public:
    TListManager() = default;

    bool OpenPool(const QString &Fn);
    bool ClosePool(LogCommand Log);
    bool IsFileEmpty() const;

    // -1 for a negative line, NoKey also for a line past the end; 0 for a line without a
    // record (such as " All Passwords"); otherwise the record's key.
    int GetKey(const TLockvexStringList *ComboList, int ListIndex) const;
    // The first line that bears Name (ignoring a-z case and blanks at either end), or -1.
    int GetIndexFromName(const TLockvexStringList *ListBox, NameSearchType Tagged, const QString &Name) const;
    // True when an entry other than the one with key DisplayedItemKey bears the name, as the
    // name would be stored, ignoring a-z case and blanks at either end.
    bool CheckDupeName(const QString &DisplayedItemName, int DisplayedItemKey) const;

    void BuildLockvexStrings();
    void BuildSelectedLockvexStrings(const QString &SearchArg);
    TLockvexStringList *BuildSelectedPWLockvexStrings(const QString &Password);
    TLockvexStringList *BuildPasswordStrings(const QString &SearchArg, int &TotalPWs, int &LoginPWs);
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
    // entry table makes them be read again. The item manager tells of its own saves, so that
    // only the entry it wrote is read again (countBefore: the table's update count before the
    // write). Whoever reopens the entry table other than through OpenPool and ClosePool here
    // calls ForgetPasswords.
    void NoteEntryWritten(int Key, int countBefore);
    void ForgetPasswords();
    // The last BuildPasswordStrings or BuildSelectedPWLockvexStrings met an entry whose record
    // could not be read: the lists and counts are incomplete.
    bool PasswordReadFailed() const { return LastPasswordReadFailed; }

    bool SearchActive = false;      // the user searches by name
    ListManagerParams OutputParams; // the last result of BuildItemList

private:
    struct TKnownPassword {
        int RecordNo = NoKey; // the slot it was read from
        QString Password;     // trimmed
        bool IsEntryPW = false;
    };
    bool KnownPasswordsValid() const;
    void CheckKnownPasswords();
    QString TrimmedPasswordOf(const TTDStandardIndexRec *rec, bool &isEntryPW, bool &readFailed);

    QHash<int, TKnownPassword> knownPasswords_; // by key
    const TV9LockvexTbl *knownTable_ = nullptr;
    QString knownFile_;
    int knownUpdateCount_ = -1;
    bool LastPasswordReadFailed = false;

    // What the full list and the password list were last built from by BuildItemList: while
    // the entry table, its update count and its index revision are the same, a refresh reuses
    // them. Building either list any other way forgets it.
    struct TBuiltFrom {
        const TV9LockvexTbl *Table = nullptr;
        QString File;
        int UpdateCount = -1;
        quint64 IndexRevision = 0;
        int TotalPWs = 0;
        int LoginPWs = 0;
        bool Valid = false;
    };
    bool ListsUpToDate() const;
    void NoteListsBuilt();
    TBuiltFrom builtFrom_;
};
