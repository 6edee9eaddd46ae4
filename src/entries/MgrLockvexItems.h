#pragma once
// TItemManager stands between the windows and the entry table for one web entry at a time: it
// copies an entry out of the store into an ItemManagerParams record, tells whether two such
// records differ, checks a new or changed name with the user, writes a record back, adds and
// deletes entries, rates a password and marks every entry that shares a password as an access
// password. It works on the shared entry record, the entry table and the list manager it is
// given and owns none of them.

#include "entries/EntryFields.h"
#include "store/Lockvextypes.h"

#include <QString>

// Ratings of PWQuality's score, as the windows show them.
constexpr int PWQualityWeakMax = 33;          // 0-33: weak
constexpr int PWQualityCouldBeBetterMax = 66; // 34-66: could be better; 67 and above: ok

// What the check of a new or changed entry name decided. The item manager asks nobody: the
// window tells the user that the name is taken and asks them to confirm a rename.
struct TNameCheck {
    bool Blank = false;         // a name of blanks only: refused, and the user is told a name is needed
    bool NameExists = false;    // another entry bears the name: refused, and the user is told so
    bool ConfirmRename = false; // a saved entry's name changed: accepted only if the user confirms
    // True when the name stands without a question to the user.
    bool Accepted() const { return !NameExists && !ConfirmRename && !Blank; }
};

class TLockvexRec;
class TListManager;
class TV9LockvexTbl;

class TItemManager
{
public:
    // Works on these (not owned; the caller keeps them alive as long).
    TItemManager(TV9LockvexTbl *table, TLockvexRec *sharedRec, TListManager *lists)
        : LockvexTbl(table), SharedLockvexRec(sharedRec), ListManager(lists)
    {
    }

    TV9LockvexTbl *LockvexTbl;
    TLockvexRec *SharedLockvexRec; // the record entries are read into and written from
    TListManager *ListManager;     // tells whether another entry bears a name

    // Blanks the shared entry record and loads it, so that LockvexItemParams is an empty entry.
    void ClearWebRecord();
    // Reads the entry with this key into the shared record (a key of NoKey takes the shared
    // record as it is) and returns it.
    ItemManagerParams LoadWebItem(int Key);
    // Writes the entry under ItemKey. Does nothing when the table runs on a memory stick
    // (TV9LockvexTbl::SetRunOnMemstick) or for a name of blanks only. False whenever nothing was
    // written: in those two cases and when the store did not write it (read-only data, a disk
    // error, a key not in the index), so that the window can tell the user the change was not
    // saved.
    [[nodiscard]] bool SaveWebItem(int ItemKey, const ItemManagerParams &ItemToSave);
    // True when the entry would need saving.
    bool ItemChanged(const ItemManagerParams &ItemAsLoaded, const ItemManagerParams &ItemNow) const;
    // A new index entry with this name; no record is written until SaveWebItem. NoKey when the
    // table is full.
    int AddItem(const QString &LockvexName);
    // Deletes the entry; nothing happens unless RecPermission is UpdatePermission. False when
    // the store did not delete it (refused, a key not in the index, a disk error), so that the
    // window can tell the user and keep the line.
    [[nodiscard]] bool DeleteItem(int IndexKey, PermissionType RecPermission);
    // Checks the name of the entry shown under DisplayedItemKey, in this order: a blank name; the
    // name the entry bears already (accepted); another entry's name (ignoring case and blanks at
    // the ends); a rename of a saved entry. A name already checked (NameChecked) passes as it is.
    [[nodiscard]] TNameCheck ValidateItem(const ItemManagerParams &ItemInfo, int DisplayedItemKey) const;
    // Strength score 0..100 of a password.
    int PWQuality(const QString &PWord) const;
    // Sets the access-password flag of every entry whose password is exactly Password. False
    // when an entry with it could not be written.
    [[nodiscard]] bool SetAllEntryPasswords(const QString &Password, bool Cond);

    ItemManagerParams LockvexItemParams; // the entry last loaded
};
