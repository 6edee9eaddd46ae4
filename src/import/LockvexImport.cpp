#include "import/LockvexImport.h"

#include "common/CsvFields.h"
#include "common/Globals.h"
#include "common/PathRoutines.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "import/ImportFieldPicking.h"
#include "platform/Platform.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QStringList>

#include <sys/stat.h>

namespace
{

constexpr char Quote = '"';

QByteArray Prefix(const char *text)
{
    return QByteArray(text).leftJustified(LogPrefixWidth, ' ');
}

const QByteArray HeaderLinePrefix = Prefix("Header line");
const QByteArray AcceptedPrefix = Prefix("Accepted by User");
const QByteArray RejectedPrefix = Prefix("Rejected by User");
const QByteArray DuplicatePrefix = Prefix("Duplicate record");
const QByteArray NameMissingPrefix = Prefix("Invalid record: Name missing");
const QByteArray BadQuotesPrefix = Prefix("Invalid record: bad quotes");
const QByteArray ShortenedPrefix = Prefix("Shortened to fit Lockvex");
const QByteArray TerminatedPrefix = Prefix("Download terminated by user");
const QByteArray CompletePrefix = Prefix("Download complete");

const QByteArray &PrefixOf(ImportUserAction action)
{
    switch (action) {
    case ImportUserAction::Accepted:
        return AcceptedPrefix;
    case ImportUserAction::Rejected:
        return RejectedPrefix;
    case ImportUserAction::DupeRecord:
        return DuplicatePrefix;
    case ImportUserAction::InvalidRec:
        return NameMissingPrefix;
    case ImportUserAction::Quit:
        break;
    }
    return TerminatedPrefix;
}

// The header line count as the window writes it: decimal text of at most two characters.
int HeaderLineCount(const QByteArray &text)
{
    bool ok = false;
    int n = text.left(2).trimmed().toInt(&ok, 10);
    return ok ? n : 0;
}

QString Text(const QByteArray &bytes)
{
    return win1252::ToUnicode(bytes);
}

bool EndsInsideQuotes(const QByteArray &line, char sep)
{
    int count = 0;
    return CountSeparators(line, count, sep);
}

void CloseQuietly(TextFile &file)
{
    if (!file.Handle)
        return;
    try {
        CloseText(file);
    } catch (const TextFileError &) {
        // Already failing: the first error is the one reported.
    }
}

// The log holds the import's text: it is deleted when the program ends, viewed or not.
void DeleteAtExit(const QString &name)
{
    if (TempFiles && !TempFiles->contains(name))
        TempFiles->append(name);
}

// The duplicate test of the program: does an entry of the entry table bear this name?
bool NameInEntryTable(const QString &name)
{
    return LockvexTbl && LockvexTbl->DupeNameExists(name);
}

} // namespace

QString ImportFieldName(int k)
{
    static const char *const names[ImportedEntryFields] = {
        "Website name",     "Website address",  "Customer ID",      "PIN",      "Password",
        "Memorable Data 1", "Answer 1",         "Memorable Data 2", "Answer 2", "Memorable Data 3",
        "Answer 3",         "Memorable Data 4", "Answer 4",         "Notes"};
    return k >= 1 && k <= ImportedEntryFields ? QString::fromLatin1(names[k - 1]) : QString();
}

int ImportFieldCapacity(int k)
{
    const EntryTextField *field = EntryTextFieldForImport(k);
    return field ? field->StoredWidth : 0;
}

TImportExport::TImportExport() : DupeNameExists(NameInEntryTable) {}

TImportExport::~TImportExport()
{
    if (IsOpen()) {
        try {
            ImportCSVUserAction(ImportUserAction::Quit);
        } catch (...) {
            // A log that cannot be written must not stop the window from closing.
        }
    }
    ReleaseFiles();
}

void TImportExport::SetDupeNameTest(DupeNameTest test)
{
    DupeNameExists = std::move(test);
}

bool TImportExport::GetFirstImportRec(ItemManagerParams &ImportedData)
{
    if (IsOpen())
        ImportCSVUserAction(ImportUserAction::Quit);
    if (!OpenImport() || !ValidateRecord())
        return false;
    BuildItemParams(ImportedData);
    return true;
}

bool TImportExport::GetNextImportRec(ItemManagerParams &ImportedData)
{
    if (!IsOpen() || !ReadNextRecord() || !ValidateRecord())
        return false;
    BuildItemParams(ImportedData);
    return true;
}

void TImportExport::ImportCSVUserAction(ImportUserAction UserAction)
{
    if (!IsOpen())
        return;
    WriteLog(PrefixOf(UserAction), InputBuffer);
    if (UserAction == ImportUserAction::Accepted && !Shortened.isEmpty()) {
        QStringList names;
        for (int k : std::as_const(Shortened))
            names << ImportFieldName(k);
        WriteTextLine(LogFile, ShortenedPrefix + names.join(QStringLiteral(", ")).toLatin1());
    }
    if (UserAction == ImportUserAction::Quit)
        CloseImport();
}

void TImportExport::WriteLog(const QByteArray &prefix, const QByteArray &text)
{
    LogPrefix = prefix;
    WriteTextLine(LogFile, LogPrefix + text);
}

bool TImportExport::OpenImport()
{
    CurrImpExFormat = ImpExFormat;
    if (CurrImpExFormat.ImpExFileName.isEmpty())
        return false;
    ImportFile.Open(CurrImpExFormat.ImpExFileName);
    LockvexRec = std::make_unique<TLockvexRec>();
    InputBuffer.clear();
    InputLine.clear();
    LogPrefix.clear(); // a quit of an earlier import must not mark this one
    QString fileExt, base;
    SplitFileAtFirstDot(CurrImpExFormat.ImpExFileName, fileExt, base);
    LogFileName = base + QStringLiteral(" Log.txt");
    try {
        OpenTextForWrite(LogFile, LogFileName);
        // A log left by an earlier import keeps its mode when it is emptied: it holds the
        // import's text again, so only its owner may read it, whatever it was before.
        ::fchmod(::fileno(LogFile.Handle), S_IRUSR | S_IWUSR);
        DeleteAtExit(LogFileName);
        CSVFieldCount = 0;
        CSVFieldSeparator = ',';
        if (!ReadHeaderLines(HeaderLineCount(CurrImpExFormat.HeaderLines))) {
            CloseImport();
            return false;
        }
        if (EndsInsideQuotes(InputBuffer, CSVFieldSeparator) && !JoinContinuationLines())
            return ReadNextRecord();
        ParseRecord();
        return true;
    } catch (...) {
        ReleaseFiles();
        throw;
    }
}

// Skips and logs the header lines and stops at the first data line, left in InputBuffer.
// The separator is the one that occurs most often outside quotes in the widest of these
// lines; the first widest line decides. Blank lines are passed over. False when the file
// holds no data line.
bool TImportExport::ReadHeaderLines(int headerLines)
{
    QByteArray line;
    while (!ImportFile.AtEnd()) {
        ImportFile.ReadLine(line);
        if (line.isEmpty())
            continue;
        InputBuffer = line;
        int count = 0;
        char sep = ',';
        if (DetectSeparator(InputBuffer, count, sep) && count > CSVFieldCount) {
            CSVFieldCount = count;
            CSVFieldSeparator = sep;
        }
        if (headerLines <= 0)
            return true;
        --headerLines;
        WriteLog(HeaderLinePrefix, InputBuffer);
    }
    return false;
}

// Reads the next record into InputBuffer and parses it. A blank line is passed over. At the
// end of the file the import is closed and the answer is False.
bool TImportExport::ReadNextRecord()
{
    for (;;) {
        ImportFile.ReadLine(InputBuffer);
        if (!InputBuffer.isEmpty()) {
            if (EndsInsideQuotes(InputBuffer, CSVFieldSeparator) && !JoinContinuationLines())
                continue;
            ParseRecord();
            return true;
        }
        if (ImportFile.AtEnd()) {
            CloseImport();
            return false;
        }
    }
}

// A quoted field goes on in the next line: the lines are joined with ";" until the quotes
// close. When the gathered text has more separators than a record has and the quote is still
// open, it cannot be one record: it is logged as bad quotes and the line after it is taken as
// the record as it stands. (A record that has all its separators may still be inside a quoted
// last column, such as notes over three lines, so reaching the count is no sign of bad quotes.)
// At the end of the file the record is what was gathered. False when nothing is left to parse
// (the line after dropped text was blank or missing).
bool TImportExport::JoinContinuationLines()
{
    int separators = 0;
    CountSeparators(InputBuffer, separators, CSVFieldSeparator);
    QByteArray next;
    while (!ImportFile.AtEnd()) {
        ImportFile.ReadLine(next);
        // The joint lies inside quotes, so the new line is counted as if a quote opened it;
        // counting only the new part keeps a long unclosed quote from slowing to a crawl.
        int added = 0;
        bool stillInside = CountSeparators(QByteArray(1, Quote) + ';' + next, added, CSVFieldSeparator);
        separators += added;
        if (stillInside && separators > CSVFieldCount) {
            WriteLog(BadQuotesPrefix, InputBuffer + ';' + next);
            ImportFile.ReadLine(InputBuffer);
            return !InputBuffer.isEmpty();
        }
        InputBuffer += ';';
        InputBuffer += next;
        if (!stillInside)
            break;
    }
    return true;
}

void TImportExport::ParseRecord()
{
    LockvexRec->Init();
    InputLine = InputBuffer;
    std::array<QByteArray, ImportedEntryFields + 1> value;
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        int column = CurrImpExFormat.ImportFields[k];
        qsizetype pos = 0;
        if (column != 0 && FindColumn(column, pos))
            value[k] = ExtractField(pos);
    }
    value[1] = TrimBlanks(value[1]);
    Shortened.clear();
    for (int k = 1; k <= ImportedEntryFields; ++k)
        if (value[k].size() > ImportFieldCapacity(k))
            Shortened << k;
    // Trimmed again after the cut to the stored width: a cut that ends on blanks must not leave
    // them, or the duplicate test (on the trimmed name) would miss the entry saved under it.
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        QString text = k == 1 ? TrimBlankChars(StoredNameText(Text(value[k]))) : Text(value[k]);
        EntryTextFieldForImport(k)->Set(*LockvexRec, text);
    }
}

bool TImportExport::FindColumn(int column, qsizetype &pos) const
{
    return FindCSVColumn(InputLine, column, CSVFieldSeparator, pos);
}

QByteArray TImportExport::ExtractField(qsizetype pos) const
{
    return ExtractCSVField(InputLine, pos, CSVFieldSeparator);
}

// Passes over records without a name and records whose name an entry already bears, logging
// each, until a valid record is current (True) or the file ends (False).
bool TImportExport::ValidateRecord()
{
    for (;;) {
        QString name = TrimBlankChars(LockvexRec->GetName());
        if (name.isEmpty())
            ImportCSVUserAction(ImportUserAction::InvalidRec);
        else if (DupeNameExists && DupeNameExists(name))
            ImportCSVUserAction(ImportUserAction::DupeRecord);
        else
            return true;
        if (!ReadNextRecord())
            return false;
    }
}

void TImportExport::BuildItemParams(ItemManagerParams &ImportedData)
{
    // The flags and the login date-time are those of a blank record: not an access password,
    // no auto-copy, no login yet.
    ImportItemParams = ParamsFromRecord(*LockvexRec);
    ImportedData = ImportItemParams;
}

// Ends the import: the record object is freed, the import file released and the last log line
// written ("Download complete", or the quit line once more after a quit).
void TImportExport::CloseImport()
{
    LockvexRec.reset();
    ImportFile.Close();
    if (LogPrefix != TerminatedPrefix)
        LogPrefix = CompletePrefix;
    try {
        WriteTextLine(LogFile, LogPrefix + InputBuffer);
        CloseText(LogFile);
    } catch (...) {
        CloseQuietly(LogFile);
        throw;
    }
    if (CurrImpExFormat.ShowLog) {
        platform::Current().OpenFile(LogFileName);
        DeleteAtExit(LogFileName);
    }
}

void TImportExport::ReleaseFiles()
{
    LockvexRec.reset();
    ImportFile.Close();
    CloseQuietly(LogFile);
}
