#include "import/LockvexImport.h"

#include "app/MgrImportFiles.h"
#include "common/CsvFields.h"
#include "common/PathRoutines.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "import/ImportLayouts.h"
#include "platform/Platform.h"
#include "store/TBDALockvexData.h"

#include <QStringList>

#include <algorithm>
#include <utility>

#include <cstring>

namespace
{

constexpr char Quote = '"';
constexpr int NameField = 1;   // import mapping number of the name
constexpr int NotesField = 14; // and of the notes

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
const QByteArray NotUtf8Prefix = Prefix("Not UTF-8");
const QByteArray NotUtf8Note = "read as Windows-1252: check its accented letters";
const QByteArray ReplacedPrefix = Prefix("Characters stored as ?");
const QByteArray UnimportedPrefix = Prefix("Columns not imported");
const QByteArray TotpLeftOutPrefix = Prefix("TOTP secret not imported");
const QByteArray TotpLeftOutNote = "no room in the notes";
const QByteArray TotpLabel = "TOTP: ";
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

// The entry field that import mapping number k (1 to 14) fills.
const EntryTextField &FieldForImport(int k)
{
    static const std::array<const EntryTextField *, ImportedEntryFields + 1> fields = [] {
        std::array<const EntryTextField *, ImportedEntryFields + 1> table{};
        for (int i = 1; i <= ImportedEntryFields; ++i)
            table[i] = EntryTextFieldForImport(i);
        return table;
    }();
    return *fields[k];
}

// The notes as the entry stores them and gives them back: each line break stored as one ";"
// (CR LF, a lone CR or a lone LF alike), cut to the field's width, and every ";" read back as a
// line break.
QString NotesText(QByteArrayView value, qsizetype width)
{
    QByteArray joined;
    if (value.contains('\r') || value.contains('\n')) {
        joined.reserve(value.size());
        for (qsizetype i = 0; i < value.size(); ++i) {
            const char c = value[i];
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            joined.append(c == '\r' || c == '\n' ? ';' : c);
        }
        value = joined;
    }
    value = value.first(std::min(value.size(), width));
    QString text(value.size() + value.count(';'), Qt::Uninitialized);
    QChar *out = text.data();
    for (char c : value) {
        if (c == ';') {
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = win1252::CharOf(static_cast<unsigned char>(c));
        }
    }
    return text;
}

// The lines of a record over several lines are joined with a line feed, which no line holds, so
// that a ";" of the file stays told apart from a line break; the log shows each as ";".
constexpr char LineJoin = '\n';

QByteArray LogLine(QByteArray text)
{
    return text.replace(LineJoin, ';');
}

// Whether value holds a character that an entry field does not keep (notes: true for the
// notes); if so, kept receives the value with "?" in place of each.
bool WithUnkeptReplaced(QByteArrayView value, bool notes, QByteArray &kept)
{
    const std::array<bool, 256> &keeps = EntryFieldKeptBytes(notes);
    const auto unkept = [&keeps](char c) { return !keeps[static_cast<uchar>(c)]; };
    if (std::none_of(value.begin(), value.end(), unkept))
        return false;
    kept = value.toByteArray();
    std::replace_if(kept.begin(), kept.end(), unkept, '?');
    return true;
}

// The separator of a line: "," or ";", whichever occurs more often outside quotes, where every
// quote counts (a tie chooses ","). Quotes that open no value are too rare to sway the choice,
// and a first line that ends in an open quoted value still shows its separators before it.
char SeparatorOf(const QByteArray &line)
{
    int count = 0;
    char sep = ',';
    DetectSeparator(line, count, sep);
    return sep;
}

// Whether an entry field takes column c.
bool TakenByField(const ImportExportFormat &format, int c)
{
    const auto first = format.ImportFields.begin() + 1;
    const auto last = first + ImportedEntryFields;
    return std::find(first, last, c) != last;
}

// Column c (counted from 1) by its name in the header line, or by its number where it has none.
QString ColumnName(const QStringList &names, int c)
{
    const QString name = c <= names.size() ? names[c - 1] : QString();
    return name.isEmpty() ? QStringLiteral("column %1").arg(c) : name;
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

} // namespace

QString ImportFieldName(int k)
{
    static const char *const names[ImportedEntryFields] = {
        "Website name",     "Website address",  "Customer ID",      "PIN",      "Password",
        "Memorable Data 1", "Answer 1",         "Memorable Data 2", "Answer 2", "Memorable Data 3",
        "Answer 3",         "Memorable Data 4", "Answer 4",         "Notes"};
    return k >= 1 && k <= ImportedEntryFields ? QString::fromLatin1(names[k - 1]) : QString();
}

namespace
{

// "1 item", "2 items": the words agree with the count.
QString Counted(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

} // namespace

QString ImportedCountText(int imported)
{
    return Counted(imported, "item imported.", "items imported.");
}

QString ImportSummaryText(const TImportTally &tally)
{
    const auto count = Counted;
    QStringList lines;
    if (tally.Rejected > 0)
        lines << count(tally.Rejected, "record rejected.", "records rejected.");
    if (tally.Duplicates > 0)
        lines << count(tally.Duplicates, "record passed over: an item has its name already.",
                       "records passed over: an item has their name already.");
    if (tally.Nameless > 0)
        lines << count(tally.Nameless, "record passed over: it has no name.", "records passed over: they have no name.");
    if (tally.Shortened > 0)
        lines << count(tally.Shortened, "imported item had a field longer than Lockvex can store.",
                       "imported items had a field longer than Lockvex can store.");
    if (tally.Replaced > 0)
        lines << count(tally.Replaced, "imported item had characters Lockvex cannot store; each was stored as \"?\".",
                       "imported items had characters Lockvex cannot store; each was stored as \"?\".");
    if (tally.Shortened > 0 || tally.Replaced > 0)
        lines << QStringLiteral("Check them in the log.");
    return lines.join(u'\n');
}

int ImportFieldCapacity(int k)
{
    const EntryTextField *field = EntryTextFieldForImport(k);
    return field ? field->StoredWidth : 0;
}

TImportExport::TImportExport(TImportFiles &files, TV9LockvexTbl *table) : files_(files)
{
    // The duplicate test of the program: does an entry of the entry table bear this name? The
    // same rule as the main window's: other letter case (a-z) is the same name.
    if (table)
        DupeNameExists = [table](const QString &name) { return table->NameInUse(name); };
}

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
    ++ActionCounts[static_cast<size_t>(UserAction)];
    if (UserAction == ImportUserAction::Accepted) {
        WriteFieldsLine(ShortenedPrefix, Shortened);
        WriteFieldsLine(ReplacedPrefix, Replaced);
        if (TotpLeftOut)
            WriteTextLine(LogFile, TotpLeftOutPrefix, TotpLeftOutNote);
    }
    if (UserAction == ImportUserAction::Quit)
        CloseImport();
}

// The line as the file holds it: characters the code page cannot hold show as "?". A record with
// a line read as Windows-1252 in a UTF-8 file is followed by a note saying so (not after a quit,
// whose line stays the log's last).
void TImportExport::WriteLog(const QByteArray &prefix, const QByteArray &text)
{
    LogPrefix = prefix;
    if (text.contains(UnmappableByte) || text.contains(LineJoin))
        WriteTextLine(LogFile, LogPrefix, LogLine(QByteArray(text).replace(UnmappableByte, '?')));
    else
        WriteTextLine(LogFile, LogPrefix, text);
    if (NotUtf8 && prefix != TerminatedPrefix)
        WriteTextLine(LogFile, NotUtf8Prefix, NotUtf8Note);
}

// A line naming the fields (1 to 14) after the prefix; none when there are none.
void TImportExport::WriteFieldsLine(const QByteArray &prefix, const QList<int> &fields)
{
    if (fields.isEmpty())
        return;
    QStringList names;
    for (int k : fields)
        names << ImportFieldName(k);
    WriteTextLine(LogFile, prefix + names.join(QStringLiteral(", ")).toLatin1());
}

bool TImportExport::OpenImport()
{
    CurrImpExFormat = ImpExFormat;
    if (CurrImpExFormat.ImpExFileName.isEmpty())
        return false;
    ImportFile.Open(CurrImpExFormat.ImpExFileName);
    Open = true;
    ActionCounts.fill(0);
    RecordCount = 0;
    InputBuffer.clear();
    PendingLine.clear();
    HasPendingLine = false;
    NotUtf8 = false;
    LogPrefix.clear(); // a quit of an earlier import must not mark this one
    HostsNamed.clear();
    QString fileExt, base;
    SplitFileAtFirstDot(CurrImpExFormat.ImpExFileName, fileExt, base);
    try {
        // Made new, owner only, under the next free name when «<base> Log.txt» is taken: a file,
        // a link or a pipe of that name is neither written through nor emptied nor deleted. The
        // log is removed when the program ends, viewed or not.
        int handle = -1;
        if (const int err = files_.CreateImportLog(base, LogFileName, handle))
            throw TextFileError(err, QString::fromLocal8Bit(std::strerror(err)) + QStringLiteral(": ") + LogFileName);
        OpenTextForWriteOn(LogFile, handle, LogFileName);
        CSVFieldCount = 0;
        CSVFieldSeparator = ',';
        if (!ReadHeaderLines(HeaderLineCount(CurrImpExFormat.HeaderLines))) {
            CloseImport();
            return false;
        }
        WriteUnimportedColumnsLine();
        return ReadFirstRecord();
    } catch (...) {
        ReleaseFiles();
        throw;
    }
}

// Skips and logs the header lines and stops at the first data line, left in InputBuffer.
// The separator is the one of the widest of these lines that ends outside quotes; the first
// widest line decides. Blank lines are passed over. False when the file holds no data line.
bool TImportExport::ReadHeaderLines(int headerLines)
{
    QByteArray line;
    while (LinesLeft()) {
        ReadImportLine(line);
        if (line.isEmpty())
            continue;
        InputBuffer = line;
        NotUtf8 = LineNotUtf8;
        const char sep = SeparatorOf(InputBuffer);
        const CSVLineScan scan = ScanCSVLine(InputBuffer, sep);
        if (!scan.EndsInsideQuotes && scan.Separators > CSVFieldCount) {
            CSVFieldCount = scan.Separators;
            CSVFieldSeparator = sep;
        }
        if (headerLines <= 0)
            return true;
        --headerLines;
        WriteLog(HeaderLinePrefix, InputBuffer);
    }
    return false;
}

// Parses the first record, whose first line is in InputBuffer. A first record that runs over
// several lines sets the separator and the separator count once it is whole, unless a wider
// header line set them; while it is gathered, the separators of its first line stand for a
// record's.
bool TImportExport::ReadFirstRecord()
{
    const bool headerDecides = CSVFieldCount > 0;
    const char firstSep = headerDecides ? CSVFieldSeparator : SeparatorOf(InputBuffer);
    const CSVLineScan first = SplitCSVLine(InputBuffer, firstSep, Columns);
    if (!first.EndsInsideQuotes) {
        ++RecordCount;
        PickFields();
        return true;
    }
    CSVFieldSeparator = firstSep;
    CSVFieldCount = std::max(CSVFieldCount, first.Separators);
    if (!JoinContinuationLines())
        return ReadNextRecord();
    if (!headerDecides) {
        const char sep = SeparatorOf(InputBuffer);
        const CSVLineScan whole = ScanCSVLine(InputBuffer, sep);
        if (!whole.EndsInsideQuotes && whole.Separators >= CSVFieldCount) {
            CSVFieldSeparator = sep;
            CSVFieldCount = whole.Separators;
        }
    }
    ++RecordCount;
    ParseRecord();
    return true;
}

// Reads the next record into InputBuffer and parses it. A blank line is passed over. At the
// end of the file the import is closed and the answer is False.
bool TImportExport::ReadNextRecord()
{
    for (;;) {
        ReadImportLine(InputBuffer);
        NotUtf8 = LineNotUtf8;
        if (!InputBuffer.isEmpty()) {
            // Most records are one line: the one reading of it that tells whether a quoted value
            // goes on also gives its columns.
            if (SplitCSVLine(InputBuffer, CSVFieldSeparator, Columns).EndsInsideQuotes) {
                if (!JoinContinuationLines())
                    continue;
                ParseRecord();
            } else {
                PickFields();
            }
            ++RecordCount;
            return true;
        }
        if (!LinesLeft()) {
            CloseImport();
            return false;
        }
    }
}

// A quoted value goes on in the next line: the lines are joined (LineJoin) while the quote is
// open. A line that closes it with a quote before a separator or at its end (ClosesQuotedValue)
// is taken as the value's last line, however many separators the rest of it holds. A line that
// cannot close it so but holds, read on its own, at least as many separators as a record has is
// a record of its own, not a line of the value: the quote before it was one that never closed.
// The text gathered so far is then logged as bad quotes and dropped, and that line is the next
// record read (False). Lines of a value rarely hold that many separators; notes over several
// lines, also with a comma in them, stay one record. At the end of the file the record is what
// was gathered.
bool TImportExport::JoinContinuationLines()
{
    QByteArray next;
    while (LinesLeft()) {
        ReadImportLine(next);
        if (CSVFieldCount > 0 && !ClosesQuotedValue(next, CSVFieldSeparator) &&
            ScanCSVLine(next, CSVFieldSeparator).Separators >= CSVFieldCount) {
            WriteLog(BadQuotesPrefix, InputBuffer);
            PendingLine = next;
            HasPendingLine = true;
            PendingLineNotUtf8 = LineNotUtf8;
            return false;
        }
        InputBuffer += LineJoin;
        InputBuffer += next;
        NotUtf8 = NotUtf8 || LineNotUtf8;
        if (!ScanCSVLine(next, CSVFieldSeparator, true).EndsInsideQuotes)
            break;
    }
    return true;
}

int TImportExport::CountRecords() const
{
    if (!IsOpen())
        return 0;
    // The lines as the import reads them: blank lines are no records, the header lines are passed
    // over, and a quoted value that goes on in the next lines makes them one record.
    int headerLines = HeaderLineCount(CurrImpExFormat.HeaderLines);
    int records = 0;
    try {
        TImportFileReader reader;
        reader.Open(CurrImpExFormat.ImpExFileName);
        QByteArray line;
        while (!reader.AtEnd()) {
            reader.ReadLine(line);
            if (line.isEmpty())
                continue;
            if (headerLines > 0) {
                --headerLines;
                continue;
            }
            ++records;
            if (!ScanCSVLine(line, CSVFieldSeparator).EndsInsideQuotes)
                continue;
            while (!reader.AtEnd()) {
                reader.ReadLine(line);
                if (!ScanCSVLine(line, CSVFieldSeparator, true).EndsInsideQuotes)
                    break;
            }
        }
    } catch (const TextFileError &) {
        return 0; // not known
    }
    return records;
}

// A line handed back by JoinContinuationLines comes first.
void TImportExport::ReadImportLine(QByteArray &line)
{
    if (HasPendingLine) {
        line = std::exchange(PendingLine, QByteArray());
        HasPendingLine = false;
        LineNotUtf8 = PendingLineNotUtf8;
        return;
    }
    ImportFile.ReadLine(line);
    LineNotUtf8 = ImportFile.LineNotUtf8();
}

bool TImportExport::LinesLeft()
{
    return HasPendingLine || !ImportFile.AtEnd();
}

void TImportExport::ParseRecord()
{
    SplitCSVLine(InputBuffer, CSVFieldSeparator, Columns);
    PickFields();
}

// Fills the current record from the columns of InputBuffer. Each value is cut as the entry
// record cuts it and converted to text once, as the record would give it back.
void TImportExport::PickFields()
{
    // Only the texts change from record to record: the flags and the login date-time stay those
    // of a blank record (not an access password, no auto-copy, no login yet).
    Shortened.clear();
    Replaced.clear();
    TotpLeftOut = false;
    QByteArray scratch;
    QByteArray kept;
    QByteArray totpScratch;
    QByteArray withTotp;
    QByteArrayView totp;
    const int totpColumn = CurrImpExFormat.TotpColumn;
    if (totpColumn >= 1 && static_cast<size_t>(totpColumn) <= Columns.size())
        totp = CSVColumnValue(InputBuffer, Columns[totpColumn - 1], totpScratch);
    QByteArray joined;
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        const EntryTextField &field = FieldForImport(k);
        const int column = CurrImpExFormat.ImportFields[k];
        QByteArrayView value;
        if (column >= 1 && static_cast<size_t>(column) <= Columns.size())
            value = CSVColumnValue(InputBuffer, Columns[column - 1], scratch);
        // A value over several lines: only the notes keep its line breaks; elsewhere each is ";".
        if (k != NotesField && value.contains(LineJoin)) {
            joined = value.toByteArray().replace(LineJoin, ';');
            value = joined;
        }
        if (k == NameField)
            value = TrimmedBlankBytes(value);
        // The secret goes below the notes, whole or not at all: a part of it is of no use.
        if (k == NotesField && !totp.isEmpty()) {
            withTotp = value.toByteArray();
            if (!withTotp.isEmpty())
                withTotp += "\r\n";
            withTotp += TotpLabel;
            withTotp += totp;
            if (withTotp.size() <= field.StoredWidth)
                value = withTotp;
            else
                TotpLeftOut = true;
        }
        if (value.size() > field.StoredWidth)
            Shortened << k;
        QString &text = ImportItemParams.*field.Member;
        if (k == NotesField) {
            if (WithUnkeptReplaced(value, true, kept)) {
                Replaced << k;
                value = kept;
            }
            text = NotesText(value, field.StoredWidth);
            continue;
        }
        value = value.first(std::min<qsizetype>(value.size(), field.StoredWidth));
        // Trimmed again after the cut to the stored width: a cut that ends on blanks must not
        // leave them, or the duplicate test (on the trimmed name) would miss the entry saved
        // under it.
        if (k == NameField)
            value = TrimmedBlankBytes(value);
        // Only now: a control character that the trimming takes away is no loss.
        if (WithUnkeptReplaced(value, false, kept)) {
            Replaced << k;
            value = kept;
        }
        text = win1252::ToUnicode(value);
    }
    NameFromHost();
    PickUnimportedColumns();
}

// A record without a name, in a file whose columns name none (Firefox's), is named after the host
// of its address; an address without a host names it as it stands, so that the user sees the
// record and can name it. No address: no name, and the record is passed over as nameless.
void TImportExport::NameFromHost()
{
    if (!CurrImpExFormat.NameFromAddress || !ImportItemParams.ItemName.isEmpty())
        return;
    QString name = HostNameOf(ImportItemParams.URL);
    if (name.isEmpty())
        name = TrimBlankChars(ImportItemParams.URL);
    if (name.isEmpty())
        return;
    // A site with several accounts: the second record of a host, and each further one, is told
    // from the first by its customer ID (or its count), or it would be passed over as a duplicate
    // of the first. It depends only on the file, so that an import started again finds the
    // entries of the first run under the same names and passes them over.
    const int seen = ++HostsNamed[name];
    if (seen > 1) {
        const QString id = TrimBlankChars(ImportItemParams.CustID);
        name += QStringLiteral(" (%1)").arg(id.isEmpty() ? QString::number(seen) : id);
    }
    const int width = FieldForImport(NameField).StoredWidth;
    if (name.size() > width) {
        Shortened.prepend(NameField);
        name = TrimBlankChars(name.left(width));
    }
    ImportItemParams.ItemName = name;
}

// The columns of the current record that hold a value that no field takes.
void TImportExport::PickUnimportedColumns()
{
    Unimported.clear();
    const QStringList &names = CurrImpExFormat.ColumnNames;
    if (names.isEmpty())
        return;
    QByteArray scratch;
    for (size_t c = 1; c <= Columns.size(); ++c) {
        const int column = static_cast<int>(c);
        if (TakenByField(CurrImpExFormat, column) || (column == CurrImpExFormat.TotpColumn && !TotpLeftOut))
            continue;
        if (CSVColumnValue(InputBuffer, Columns[c - 1], scratch).isEmpty())
            continue;
        Unimported << ColumnName(names, column);
    }
}

// Once, after the header line: the file's columns that no field takes.
void TImportExport::WriteUnimportedColumnsLine()
{
    const QStringList &names = CurrImpExFormat.ColumnNames;
    if (names.isEmpty())
        return;
    QStringList left;
    for (int c = 1; c <= names.size(); ++c) {
        if (!TakenByField(CurrImpExFormat, c) && c != CurrImpExFormat.TotpColumn)
            left << ColumnName(names, c);
    }
    if (!left.isEmpty())
        WriteTextLine(LogFile, UnimportedPrefix, win1252::FromUnicode(left.join(QStringLiteral(", "))));
}

// Passes over records without a name and records whose name an entry already bears, logging
// each, until a valid record is current (True) or the file ends (False).
bool TImportExport::ValidateRecord()
{
    for (;;) {
        const QString &name = ImportItemParams.ItemName;
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
    ImportedData = ImportItemParams;
}

// Ends the import: the record object is freed, the import file released and the last log line
// written: "Download complete", or nothing more after a quit, whose line is the log's last.
void TImportExport::CloseImport()
{
    Open = false;
    ImportFile.Close();
    try {
        if (LogPrefix != TerminatedPrefix) {
            LogPrefix = CompletePrefix;
            WriteTextLine(LogFile, LogPrefix, LogLine(InputBuffer));
        }
        CloseText(LogFile);
    } catch (...) {
        CloseQuietly(LogFile);
        throw;
    }
    if (CurrImpExFormat.ShowLog)
        platform::Current().OpenFile(LogFileName);
}

void TImportExport::ReleaseFiles()
{
    Open = false;
    ImportFile.Close();
    CloseQuietly(LogFile);
}
