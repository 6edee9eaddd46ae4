#pragma once
// ItemManagerParams, one entry as the windows, the item manager and the import exchange it, and
// the one table of its fourteen texts. Whoever needs every text of an entry (copying it in or
// out of a record, comparing two, filling it from CSV columns, showing it) walks EntryTextFields
// instead of naming the fields again.

#include "common/DateStamp.h"
#include "store/Lockvextypes.h"

#include <QString>

#include <array>

class TLockvexRec;

// One entry as the windows, the item manager and the import exchange it. Texts are whole; the
// record setters cut them to the stored widths when the entry is saved.
struct ItemManagerParams {
    QString ItemName;  // up to 111 characters stored
    QString ItemDescr; // several lines; stored as the notes, each line break as one ";"
    QString URL;
    QString CustID;
    QString PIN;
    QString Password;
    QString Question1, Question2, Question3, Question4;
    QString MemData1, MemData2, MemData3, MemData4;
    PermissionType RecPermission = UpdatePermission;
    bool LockvexPassword = false; // the password is one of the user's access passwords
    bool AutoPWCopy = false;
    TDateTime LoginDateTime = 0; // 0 when none
    // Set by the windows only.
    bool NewItem = false;     // made by the new-entry command, not yet confirmed
    bool NameChecked = false; // the name was validated since it was last edited
    int ListIndex = 0;        // the entry's line in the window's list
    QString SavedItemName;    // the name when the user began editing it
};

// One of the fourteen texts of an entry.
struct EntryTextField {
    const char *Name;                   // the field's name in ItemManagerParams ("ItemName", "URL", ...)
    QString ItemManagerParams::*Member; // the text in ItemManagerParams
    int ImportIndex;                    // k of the import's column mapping: 1 name ... 14 notes
    int StoredWidth;                    // characters the record keeps
    QString (*Get)(const TLockvexRec &rec);
    void (*Set)(TLockvexRec &rec, const QString &text); // cuts to StoredWidth
};

inline constexpr int EntryTextFieldCount = 14;

// The fourteen texts in ItemManagerParams' order: ItemName, ItemDescr, URL, CustID, PIN,
// Password, Question1 to Question4, MemData1 to MemData4.
extern const std::array<EntryTextField, EntryTextFieldCount> EntryTextFields;

// The text that the import's column mapping number k (1 to 14) fills; nullptr for any other k.
const EntryTextField *EntryTextFieldForImport(int k);

// The entry in the record as ItemManagerParams: the texts, the permission, both flags and the
// login date-time; the window-owned fields stay at their blank values.
ItemManagerParams ParamsFromRecord(const TLockvexRec &rec);
// Puts the texts, both flags and the login date-time into the record. The header's key and
// permission are left to the caller.
void ParamsToRecord(const ItemManagerParams &params, TLockvexRec &rec);
// True when the two differ in what a save would store: any of the texts (exactly, letter case
// counting), either flag or the login date-time.
bool EntryContentDiffers(const ItemManagerParams &a, const ItemManagerParams &b);
