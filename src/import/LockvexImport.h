#pragma once
// TImportExport: reads a CSV file of web sign-ons one record at a time for the import window.
// It skips the header lines, finds the field separator and how many separators a record has,
// joins quoted fields that run over several lines, picks the columns mapped to the fourteen
// text fields of an entry and hands each record over as an ItemManagerParams. Records with a
// blank name, and records whose name an entry already bears, it passes over by itself. Every
// line it reads is logged in "<import file before its first dot> Log.txt".
//
// The engine never writes entries: the window saves each accepted record through the item
// manager, and the engine only asks whether a name exists yet.

#include "common/TextFiles.h"
#include "entries/MgrLockvexItems.h"
#include "import/ImportFieldPicking.h"
#include "import/ImportFileReader.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class TImportFiles;

inline constexpr int ImportFieldCount = 100;   // elements of ImportFields, numbered 1 to 100
inline constexpr int ImportedEntryFields = 14; // of which 1 to 14 are read
inline constexpr int LogPrefixWidth = 29;

// The name of entry field k (1 to 14) as the user knows it: "Website name" ... "Notes".
QString ImportFieldName(int k);
// How many characters entry field k (1 to 14) stores; a longer value is cut to it.
int ImportFieldCapacity(int k);

// What an import did, for the summary at its end.
struct TImportTally {
    int Imported = 0;   // records saved as entries
    int Rejected = 0;   // records the user rejected
    int Duplicates = 0; // records passed over: an entry bears the name
    int Nameless = 0;   // records passed over: no name
    int Shortened = 0;  // imported items with a field cut to fit
    int Replaced = 0;   // imported items with characters stored as "?"
};
// "1 item imported.", "12 items imported.".
QString ImportedCountText(int imported);
// The rest of the summary: a line for each other count that is not 0, each count in words that
// agree with it ("1 imported item had ...", "2 imported items had ..."); empty when all are 0.
QString ImportSummaryText(const TImportTally &tally);

// How to read one file.
struct ImportExportFormat {
    // Open the finished log in the text viewer (and delete it when the program ends).
    bool ShowLog = false;
    // Number of header lines to skip, as decimal text of at most 2 characters; anything that is
    // not a whole number counts as 0.
    QByteArray HeaderLines;
    // ImportFields[k]: the CSV column (counted from 1) whose value goes to entry field k, or 0
    // when field k is not imported. Numbered 1 to 100 like the window's rows; [0] is unused.
    // Fields: 1 name, 2 URL, 3 customer ID, 4 PIN, 5 password, 6/8/10/12 memorable questions,
    // 7/9/11/13 their answers, 14 notes.
    std::array<int, ImportFieldCount + 1> ImportFields{};
    // Full path of the CSV file.
    QString ImpExFileName;
    // For a file whose header line the import knows (empty, 0 and false for any other):
    // the names of its columns. The columns that no entry field takes are named once in the log,
    // and for each record those that hold a value (UnimportedColumns).
    QStringList ColumnNames;
    // The column of a one-time-password secret, which goes into the notes as "TOTP: <value>"
    // where they have room for it.
    int TotpColumn = 0;
    // A record without a name is named after the host of its web address (HostNameOf); one
    // whose address has no host, after the address as it stands. The second record of a host
    // and each further one add their customer ID, or their count, in brackets.
    bool NameFromAddress = false;
};

// What became of the current record. The window reports Accepted, Rejected and Quit; the
// engine logs DupeRecord and InvalidRec itself.
enum class ImportUserAction : uint8_t { Accepted, Rejected, DupeRecord, InvalidRec, Quit };

class TImportExport
{
public:
    // Answers whether an entry already bears exactly this name (letter case counts).
    using DupeNameTest = std::function<bool(const QString &name)>;

    // files: the run's import files, which make and keep the log. The duplicate-name test asks
    // the entry table (no table: no name is a duplicate).
    explicit TImportExport(TImportFiles &files, TV9LockvexTbl *table = nullptr);
    // An import still open is ended as if the user had quit it: both files are closed and the
    // log keeps every line.
    ~TImportExport();
    TImportExport(const TImportExport &) = delete;
    TImportExport &operator=(const TImportExport &) = delete;

    // The format the caller fills in before GetFirstImportRec.
    ImportExportFormat ImpExFormat;
    // Opens the import and delivers its first valid record. False when there is none (the
    // import is then closed) or ImpExFileName is empty (nothing is opened). An import file or
    // log that cannot be opened or read throws TextFileError with the operating system's
    // reason; the engine is then closed. An import still open is first ended as by Quit.
    bool GetFirstImportRec(ItemManagerParams &ImportedData);
    // The next valid record; False, and the import closed, at the end of the file. False
    // without effect when no import is open.
    bool GetNextImportRec(ItemManagerParams &ImportedData);
    // Logs the current record with the prefix of UserAction; Quit then ends the import.
    // Does nothing when no import is open.
    void ImportCSVUserAction(ImportUserAction UserAction);

    bool IsOpen() const { return Open; }
    // The entry fields (1 to 14) of the current record whose value was longer than the field
    // holds and arrives cut. When the record is accepted, the log names them in a line of its
    // own after the record's line.
    const QList<int> &ShortenedFields() const { return Shortened; }
    // True when a line of the current record is not valid UTF-8 in a file read as UTF-8 and was
    // read as Windows-1252: its accented letters may be wrong. The log says so in a line of its
    // own after the record's line.
    bool RecordNotUtf8() const { return NotUtf8; }
    // The entry fields of the current record that held characters an entry cannot keep (outside
    // Windows-1252, or control characters other than the notes' line breaks and tabs); they arrive
    // with "?" in their place. An accepted record's log names them too.
    const QList<int> &ReplacedFields() const { return Replaced; }
    // The names of the columns of the current record that hold a value no entry field takes
    // (only for a format with ColumnNames), the secret's column among them when the notes have
    // no room for it.
    const QStringList &UnimportedColumns() const { return Unimported; }
    // The current record's one-time-password secret did not fit into its notes and is not
    // imported. An accepted record's log says so.
    bool TotpNotFitting() const { return TotpLeftOut; }
    // The current record's place among the file's records (the header lines not counted, the
    // records passed over counted), from 1.
    int RecordNo() const { return RecordCount; }
    // How many records the open import's file holds, counted in a reading of its own that leaves
    // the import where it is; 0 when there is no open import or the file cannot be read again.
    int CountRecords() const;
    // The records logged with the action since the import was opened (duplicates and records
    // without a name are logged by the engine itself).
    int ActionCount(ImportUserAction action) const { return ActionCounts[static_cast<size_t>(action)]; }
    // How far the import has read, and the size of the import file, in bytes.
    qint64 BytesRead() const { return ImportFile.BytesRead(); }
    qint64 FileSize() const { return ImportFile.FileSize(); }
    const QString &GetLogFileName() const { return LogFileName; }
    char GetCSVFieldSeparator() const { return CSVFieldSeparator; }
    int GetCSVFieldCount() const { return CSVFieldCount; }
    ImportFileEncoding GetImportFileEncoding() const { return ImportFile.Encoding(); }

    // Replaces the duplicate-name test, which by default asks the entry table the engine was
    // made with (no table, no duplicates).
    void SetDupeNameTest(DupeNameTest test);

private:
    bool OpenImport();
    bool ReadHeaderLines(int headerLines);
    bool ReadFirstRecord();
    bool ReadNextRecord();
    bool JoinContinuationLines();
    void ReadImportLine(QByteArray &line);
    bool LinesLeft();
    void ParseRecord();
    void PickFields();
    void PickUnimportedColumns();
    void NameFromHost();
    void WriteUnimportedColumnsLine();
    bool ValidateRecord();
    void BuildItemParams(ItemManagerParams &ImportedData);
    void CloseImport();
    void WriteLog(const QByteArray &prefix, const QByteArray &text);
    void WriteFieldsLine(const QByteArray &prefix, const QList<int> &fields);
    void ReleaseFiles();

    bool Open = false;              // an import is open: a record is current
    QByteArray InputBuffer;         // the current CSV line, or the joined lines of the current record
    std::vector<CSVColumn> Columns; // the columns of InputBuffer
    QByteArray PendingLine;         // a line read ahead that starts the next record
    bool HasPendingLine = false;
    bool PendingLineNotUtf8 = false;
    bool LineNotUtf8 = false; // of the line ReadImportLine read last
    bool NotUtf8 = false;     // of the current record, or of the header line just read
    QByteArray LogPrefix;     // prefix of the last log line
    QString LogFileName;
    TImportFileReader ImportFile;
    TextFile LogFile;
    char CSVFieldSeparator = ',';
    ImportExportFormat CurrImpExFormat;
    int CSVFieldCount = 0;              // separators a complete record is expected to have
    ItemManagerParams ImportItemParams; // the current record as the window gets it
    DupeNameTest DupeNameExists;
    QList<int> Shortened; // fields of the current record that were cut to their capacity
    QList<int> Replaced;  // fields of the current record with characters replaced by "?"
    QStringList Unimported; // columns of the current record with a value no field takes
    bool TotpLeftOut = false;
    QHash<QString, int> HostsNamed; // records of this import named after each host so far
    std::array<int, 5> ActionCounts{}; // by ImportUserAction, since the import was opened
    int RecordCount = 0;               // records read since the import was opened
    TImportFiles &files_; // the run's import files: the log is made and noted there
};
