#pragma once
// The store's types and the data file format: enumerations and constants, the stored record
// header and web-entry record laid out byte for byte, the pool manager's in-memory control
// structures, the record cipher, the companion file names and the CSV log line of an entry.
// docs/file-format.md describes the same format for readers written in other languages.

#include "common/DateStamp.h" // TDateTime

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "records are stored little-endian and copied to and from memory as they are");
static_assert(sizeof(double) == 8, "TDateTime is stored as a 64-bit IEEE double");

// ---------------------------------------------------------------------------------------------
// Constants

constexpr int NoKey = -1;  // no key, no record number, not found
constexpr int NoDate = -1; // no date

constexpr int BaseDAHeaderSize = 192;
constexpr int LockvexRecSize = 1284;   // one slot of the data file
constexpr int LockvexMajorVersion = 9; // layout version written into every header
constexpr int LockvexMinorVersion = 0;
constexpr int MaxRecsToAdd = 50;         // a pool never grows by more slots at a time
constexpr int LockvexRecsToAdd = 10;     // the data file grows ten blank slots at a time
constexpr int DisposeTableSize = 50;     // deleted slots remembered for reuse
constexpr int LockvexCSVFieldCount = 21; // columns of a log line
constexpr int CipherPlainPrefix = 4;     // bytes 0..3 (FilingDate) are never enciphered

// The record cipher's constant. Only its low byte (0x3C) takes part in the cipher; a file
// enciphered with another value deciphers to wrong bytes without any error.
constexpr int RecordCipherK = 0x5A3C;

// The day a TDateTime of 2000-01-01 00:00 falls on (days since 1899-12-30).
constexpr double FirstDayOf2000 = 36526.0;

// ---------------------------------------------------------------------------------------------
// Enumerations: each is stored and passed as one byte holding its ordinal.

enum DAFileType : uint8_t { NoFileType, LockvexFile };
enum ReadSeqType : uint8_t { ReadDeleted, SkipDeleted, ReadProForma, SkipProForma };
enum NameSearchType : uint8_t { UseTag, NoTag };
enum IOResultType : uint8_t { ReadOk, NewRecord, ReadFail, RecordDenied, WriteOK, WriteFail, RecordUpdated };
enum UpdateType : uint8_t { NotRelevant, Addition, Changement, Deletion };
enum PermissionType : uint8_t { UpdatePermission, BrowsePermission, NoPermission };
enum DBUserType : uint8_t { AppOwner, DBOwner, AcOwner, Browser };
enum YesNoChoice : uint8_t { Yes, No }; // Yes (0) switches an option on
enum LogCommand : uint8_t { WriteLog, DoNotWriteLog };
enum ScanType : uint8_t { FullScan, PartialScan };
enum OpenParam : uint8_t { DontCreateEmpty, DoCreateEmpty };

// A stored Boolean: one byte, 0 False, 1 True; any non-zero byte reads as True.
using ByteBool = uint8_t;
inline bool IsTrue(ByteBool b)
{
    return b != 0;
}
inline ByteBool ToByteBool(bool b)
{
    return b ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Stored structures. Packed: the offsets below are the file format.

#pragma pack(push, 1)

// A ShortString of capacity N: a length byte, then N bytes of Windows-1252 characters of which
// the first Len count. Text longer than N is cut to its first N characters. A length byte
// greater than N (a damaged record) reads as N, so a reader never looks past the field.
template <int N> struct ShortString {
    static_assert(N >= 0 && N <= 255, "a ShortString holds at most 255 characters");

    uint8_t Len;
    char Chars[N];

    static constexpr int Capacity = N;

    int Length() const { return Len <= N ? Len : N; }
    QByteArray Bytes() const { return QByteArray(Chars, Length()); }
    QByteArrayView View() const { return QByteArrayView(Chars, Length()); }
    void Assign(QByteArrayView text)
    {
        const int n = text.size() < N ? int(text.size()) : N;
        Len = uint8_t(n);
        if (n > 0)
            std::memcpy(Chars, text.data(), size_t(n));
    }
    void Clear() { Len = 0; }
};

using Var31string = ShortString<31>;
using Var4string = ShortString<4>;

// The 192-byte header at the start of every pool record.
struct BaseDAHeader {
    int32_t FilingDate;        // 0 = stored in clear; else the day number seeding the cipher
    ByteBool ActiveRecord;     // the slot holds a record (live or deleted)
    ByteBool DeletedRecord;    // the record is deleted
    TDateTime DisposeDate;     // day of deletion
    int16_t MajorVersion;      // 9
    int16_t MinorVersion;      // 0
    int32_t UserID;            // writer's user number, always 0
    DBUserType UserType;       // AppOwner
    PermissionType Permission; // UpdatePermission
    ShortString<111> Name;     // the entry's name
    ShortString<15> NameTag;   // short tag of the name
    int32_t Key;               // identity in the index
    int32_t AlternateKey;      // second key
    int32_t CreationDate;      // day number of the first write
    int16_t EffectiveFrom;     // copied into the index, not otherwise used
    int16_t EffectiveTo;       // not used
    UpdateType UpdateAction;   // NotRelevant
    ShortString<22> Spares;    // filler "1234567890abcdefghijkl"
};

// One web entry, one 1284-byte slot of the data file.
struct V9LockvexData {
    BaseDAHeader RecHdr;
    ShortString<255> URL; // address of the sign-on page
    Var31string CustID;   // customer ID / user name at the site
    Var31string PIN;
    Var31string Password;
    Var31string Question1;
    Var31string MemData1;
    Var31string Question2;
    Var31string MemData2;
    Var31string Question3;
    Var31string MemData3;
    Var31string Question4;
    Var31string MemData4;
    ShortString<255> AccountNotes; // the description; each line break stored as one ";"
    ByteBool EntryPassword;        // the password is one of the user's access passwords
    TDateTime LoginDateTime;       // last login through the entry; 0 when none
    ByteBool AutoPWCopy;           // copy the password automatically
    uint8_t Padding[218];          // filler, see InitLockvexData
};

#pragma pack(pop)

static_assert(sizeof(ShortString<111>) == 112);
static_assert(sizeof(Var31string) == 32);
static_assert(sizeof(Var4string) == 5);
static_assert(sizeof(BaseDAHeader) == BaseDAHeaderSize);
static_assert(offsetof(BaseDAHeader, FilingDate) == 0);
static_assert(offsetof(BaseDAHeader, ActiveRecord) == 4);
static_assert(offsetof(BaseDAHeader, DeletedRecord) == 5);
static_assert(offsetof(BaseDAHeader, DisposeDate) == 6);
static_assert(offsetof(BaseDAHeader, MajorVersion) == 14);
static_assert(offsetof(BaseDAHeader, MinorVersion) == 16);
static_assert(offsetof(BaseDAHeader, UserID) == 18);
static_assert(offsetof(BaseDAHeader, UserType) == 22);
static_assert(offsetof(BaseDAHeader, Permission) == 23);
static_assert(offsetof(BaseDAHeader, Name) == 24);
static_assert(offsetof(BaseDAHeader, NameTag) == 136);
static_assert(offsetof(BaseDAHeader, Key) == 152);
static_assert(offsetof(BaseDAHeader, AlternateKey) == 156);
static_assert(offsetof(BaseDAHeader, CreationDate) == 160);
static_assert(offsetof(BaseDAHeader, EffectiveFrom) == 164);
static_assert(offsetof(BaseDAHeader, EffectiveTo) == 166);
static_assert(offsetof(BaseDAHeader, UpdateAction) == 168);
static_assert(offsetof(BaseDAHeader, Spares) == 169);

static_assert(sizeof(V9LockvexData) == LockvexRecSize);
static_assert(offsetof(V9LockvexData, RecHdr) == 0);
static_assert(offsetof(V9LockvexData, URL) == 192);
static_assert(offsetof(V9LockvexData, CustID) == 448);
static_assert(offsetof(V9LockvexData, PIN) == 480);
static_assert(offsetof(V9LockvexData, Password) == 512);
static_assert(offsetof(V9LockvexData, Question1) == 544);
static_assert(offsetof(V9LockvexData, MemData1) == 576);
static_assert(offsetof(V9LockvexData, Question2) == 608);
static_assert(offsetof(V9LockvexData, MemData2) == 640);
static_assert(offsetof(V9LockvexData, Question3) == 672);
static_assert(offsetof(V9LockvexData, MemData3) == 704);
static_assert(offsetof(V9LockvexData, Question4) == 736);
static_assert(offsetof(V9LockvexData, MemData4) == 768);
static_assert(offsetof(V9LockvexData, AccountNotes) == 800);
static_assert(offsetof(V9LockvexData, EntryPassword) == 1056);
static_assert(offsetof(V9LockvexData, LoginDateTime) == 1057);
static_assert(offsetof(V9LockvexData, AutoPWCopy) == 1065);
static_assert(offsetof(V9LockvexData, Padding) == 1066);

// ---------------------------------------------------------------------------------------------
// In-memory control structures of the pool manager (never stored).

struct PoolControl {
    int32_t PoolNRecs = 0;   // record slots in the file (file size / record size)
    int32_t NextFreeRec = 0; // first slot after the last live record
    int32_t ActiveCount = 0; // live records
    int32_t CurrRec = 0;     // slot last positioned on
    int32_t NextRec = 0;     // slot the sequential scan reads next
};

// The dispose table: up to 50 numbers of deleted slots that may be reused; empty entries hold
// NoKey. Counted from 0 here.
using DeletedRecTbl = std::array<int32_t, DisposeTableSize>;
void ClearDeletedRecTbl(DeletedRecTbl &tbl);

// ---------------------------------------------------------------------------------------------
// Record initialisation

inline constexpr char SparesText[] = "1234567890abcdefghijkl";               // 22 characters
inline constexpr char PaddingPattern[] = "1234567890abcdefghijklmnopqrstuv"; // 32, stored three times

// Sets the header values of a fresh record: empty name and tag, keys NoKey, active, not
// deleted, version 9.0, UpdatePermission, stored in clear, no creation or effective dates,
// NotRelevant, the filler text. DisposeDate, UserID and UserType are left as they are.
void InitRecHeaderFields(BaseDAHeader &hdr);
// All 1284 bytes zero, the header initialised, and the padding filler stored.
void InitLockvexData(V9LockvexData &rec);

// ---------------------------------------------------------------------------------------------
// Pool file layout

// Slots of a pool file of the given size: a trailing partial record is not counted.
int SlotCount(qint64 fileSize, int recSize = LockvexRecSize);
// Byte position of a slot.
inline qint64 SlotOffset(int slot, int recSize = LockvexRecSize)
{
    return qint64(slot) * recSize;
}
// A deleted slot may be reused from the third day after the day of deletion on.
bool DisposeDateAllowsReuse(TDateTime disposeDate, TDateTime today);

// Whether a deciphered slot of the data file holds what the store itself always writes there:
// a blank slot is zero after its first four bytes; a live or deleted record is active, has
// version 9.0, flag bytes of 0 or 1, a key of 0 or more and text lengths within their
// capacities. Anything else is a damaged slot (cut, overwritten, enciphered with another key).
bool LockvexSlotIsSound(const uint8_t *record);

// ---------------------------------------------------------------------------------------------
// Record cipher: an additive autokey cipher over bytes 4..size-1, keyed by the record's own
// FilingDate (bytes 0..3, little-endian). A FilingDate of 0 means the record is in clear.

int32_t RecordFilingDate(const uint8_t *record);
uint8_t CipherStartValue(int32_t filingDate); // (FilingDate - K) low byte
// Writes the enciphered form of `clear` into `out` (both `size` bytes, not overlapping); the
// clear record is left as it is. Bytes 0..3 are copied unchanged.
void EncipherRecord(const uint8_t *clear, uint8_t *out, int size);
// Deciphers in place.
void DecipherRecord(uint8_t *record, int size);
// Writes the clear form of the enciphered record into `out` (both `size` bytes; the same
// record, or two that do not overlap).
void DecipherRecordFrom(const uint8_t *enciphered, uint8_t *out, int size);
// What a read does: deciphers when FilingDate is not 0, else leaves the record as it is.
void DecipherIfEnciphered(uint8_t *record, int size);
// Turns a record as it lies on the disk (enciphered, or in clear when its FilingDate is 0) into
// the bytes a write of it now would give: FilingDate, UserID and Key replaced, enciphered with
// the new FilingDate, or in clear when that is 0. Each enciphered byte is keyed by the clear byte
// before it, so between two enciphered forms only the bytes up to the one after Key differ: only
// those are deciphered and enciphered again, and the rest of the record stays as it is.
void RestampStoredRecord(uint8_t *record, int size, int32_t filingDate, int32_t userID, int32_t key);
// The same from a record as stored into `out` (not overlapping it).
void ReadRecordFrom(const uint8_t *stored, uint8_t *out, int size);

// ---------------------------------------------------------------------------------------------
// Companion files. The data file's name is split at the first "." of its FILE NAME (a dot in a
// folder such as /home/first.last does not count); the folder is put back in front.

QString DataFileFolder(const QString &dataFile);   // folder with its trailing "/", or empty
QString CompanionBase(const QString &dataFile);    // folder + file name up to its first "."
QString CompanionExt(const QString &dataFile);     // file name after its first "."
bool HasBackupCompanions(const QString &dataFile); // CompanionExt is exactly "acsdb"
QString TempFileName(const QString &dataFile);     // base + ".TEMP"
QString NewerBackupName(const QString &dataFile);  // base + ".BAC0"
QString OlderBackupName(const QString &dataFile);  // base + ".BAC1"
// Empty when the extension is exactly ".acsdb", else its characters 2 to 5 (".2017" -> "2017").
QString PoolYearOf(const QString &dataFile);
// Dir + Name + PoolYear + ".CSV": TrelLockvex.acsdb -> TrelLockvex.CSV, TrelLockvex.TEMP ->
// TrelLockvexTEMP.CSV.
QString LogFileName(const QString &dataFile);

// ---------------------------------------------------------------------------------------------
// CSV log: a header line, then one line per live record, 21 fields each followed by ",".

extern const char *const LockvexLogColumns[LockvexCSVFieldCount];

// One field of a log line: trimmed, its line breaks made ";", quotes doubled, enclosed in
// quotes when it held a line break, a quote, a "," or a ";" (so that a reader that takes the
// more frequent of "," and ";" as the separator still splits the line at the commas). A NUL,
// which would end the field early, is written as "?".
QByteArray LogFieldText(const QByteArray &value);
// The value of one field as written by LogFieldText: trimmed; when enclosed in quotes, the
// enclosing pair removed and each doubled quote made one; otherwise cleaned as any CSV field.
QByteArray LogFieldValue(const QByteArray &field);

QByteArray LockvexLogHeaderLine();                   // without the line end
QByteArray LockvexLogLine(const V9LockvexData &rec); // without the line end
// Fills `rec`, freshly initialised, from one log line. Columns 1 to 5 go into the header
// (3 to 5 as numbers, bad numbers reading as 1), column 6 is ignored, 7 to 21 are the entry
// fields; "Yes" (exactly) sets a flag. A missing column leaves its field as initialised.
void ReadLockvexLogLine(const QByteArray &line, V9LockvexData &rec);
