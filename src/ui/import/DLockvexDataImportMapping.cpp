// The import window's settings, column mapping and file buttons.

#include "ui/import/DLockvexDataImport.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "common/PathRoutines.h"
#include "common/TextFiles.h"
#include "import/ImportLayouts.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <algorithm>

namespace
{

const QString FileNameKey = QStringLiteral("FileName");
const QString HeadersKey = QStringLiteral("HeadersCheckBox");
// The defaults match the columns of the store's own CSV log: name in column 1, web address to
// memorable data 4 in columns 7 to 18, notes in column 20, after one header line.
const char *const DefaultColumns[ImportedEntryFields + 1] = {"",   "1",  "7",  "8",  "9",  "10", "11", "12",
                                                             "13", "14", "15", "16", "17", "18", "20"};

QString ColKey(int k)
{
    return QStringLiteral("Col%1").arg(k);
}

// The mapping kept for a header line: the fourteen column numbers, separated by commas.
QString ColumnsText(const std::array<int, ImportFieldCount + 1> &fields)
{
    QStringList numbers;
    for (int k = 1; k <= ImportedEntryFields; ++k)
        numbers << QString::number(fields[k]);
    return numbers.join(u',');
}

bool ReadColumnsText(const QString &text, std::array<int, ImportedEntryFields + 1> &columns)
{
    const QStringList numbers = text.split(u',');
    if (numbers.size() != ImportedEntryFields)
        return false;
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        bool ok = false;
        columns[k] = numbers[k - 1].toInt(&ok);
        if (!ok || columns[k] < 0)
            return false;
    }
    return true;
}

// The file's first line, as the import reads it; empty when the file has none or cannot be read
// (the import itself then tells why).
QByteArray FirstLineOf(const QString &file)
{
    if (file.isEmpty())
        return QByteArray();
    try {
        return ReadFirstImportLine(file);
    } catch (const TextFileError &) {
        return QByteArray();
    }
}

} // namespace

int TLockvexDataImportDlg::ConvField(const QString &Field)
{
    bool ok = false;
    const int n = Field.trimmed().toInt(&ok, 10);
    return ok ? n : 0;
}

QString TLockvexDataImportDlg::CalcLabel(const QString &ColNoText)
{
    int n = ConvField(ColNoText);
    if (n <= 0 || n > 702)
        return QString();
    int r = n % 26;
    if (r == 0) {
        r = 26;
        n -= 26;
    }
    QString label(QChar(u'A' + r - 1));
    const int q = n / 26;
    if (q > 0)
        label.prepend(QChar(u'A' + q - 1));
    return label;
}

void TLockvexDataImportDlg::GetImportInfo()
{
    FileNameEdit->setText(dlgProcs_.ReadSetting(FileNameKey));
    HeadersCheckBox->setChecked(dlgProcs_.ReadSetting(HeadersKey, QStringLiteral("1")) == QLatin1String("1"));
    for (int k = 1; k <= ImportedEntryFields; ++k)
        Col[k]->setText(dlgProcs_.ReadSetting(ColKey(k), QString::fromLatin1(DefaultColumns[k])));
}

void TLockvexDataImportDlg::SetImportInfo()
{
    QList<std::pair<QString, QString>> values;
    // An empty box keeps the name last saved.
    if (!FileNameEdit->text().isEmpty())
        values.append({FileNameKey, FileNameEdit->text()});
    values.append({HeadersKey, HeadersCheckBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0")});
    for (int k = 1; k <= ImportedEntryFields; ++k)
        values.append({ColKey(k), Col[k]->text()});
    (void)dlgProcs_.WriteSettings(values);
}

void TLockvexDataImportDlg::GetImportFields()
{
    for (int k = 1; k <= ImportedEntryFields; ++k)
        ImportFields[k] = ConvField(Col[k]->text());
}

void TLockvexDataImportDlg::SetCSVColumnLabels()
{
    for (int k = 1; k <= ImportedEntryFields; ++k)
        ColLbl[k]->setText(CalcLabel(Col[k]->text()));
}

void TLockvexDataImportDlg::SetZeroValues()
{
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        ImportFields[k] = 0;
        Col[k]->setText(QStringLiteral("0"));
    }
    SetCSVColumnLabels();
}

void TLockvexDataImportDlg::ResetDefaultsBtnClick()
{
    mappingFromHeader_ = false;
    GetImportInfo();
    SetCSVColumnLabels();
}

void TLockvexDataImportDlg::ResetZerosBtnClick()
{
    mappingFromHeader_ = false;
    SetZeroValues();
}

void TLockvexDataImportDlg::Col1Exit()
{
    SetCSVColumnLabels();
}

void TLockvexDataImportDlg::HeadersCheckBoxExit()
{
    CSVHeaders = HeadersCheckBox->isChecked();
}

void TLockvexDataImportDlg::FileBrowseBtnClick()
{
    const QString chosen = platform::Current().ChooseOpenFile(
        QString(), FileNameEdit->text(),
        QStringLiteral("CSV files or Excel text files (*.csv *.exl *.CSV *.EXL);;Text Files (*.txt *.TXT);;"
                       "All Files (*)"));
    if (chosen.isEmpty())
        return;
    FileNameEdit->setText(chosen);
    CSVFileName = chosen.left(255);
    QString dir, name, ext;
    SplitFileName(chosen, dir, name, ext);
    ImportFileLbl->setText(name + ext);
    FillMappingFromHeader();
}

// A file chosen: when its first line names its columns, the boxes take the columns it names and
// the header box is ticked; the mapping used at the last import of the same header line comes
// first. A first line that names no columns the import knows changes nothing: the saved or
// default numbers stand (put back when a file chosen before had filled the boxes).
void TLockvexDataImportDlg::FillMappingFromHeader()
{
    headerReadFrom_ = FileNameEdit->text();
    const QByteArray line = FirstLineOf(headerReadFrom_);
    if (line.isEmpty()) {
        LayoutLbl->clear();
        LayoutLbl->hide();
        return;
    }
    const TImportLayout layout = RecogniseHeaderLine(line);
    std::array<int, ImportedEntryFields + 1> remembered{};
    const bool known = ReadColumnsText(dlgProcs_.ReadSetting(LayoutSettingKey(layout)), remembered);
    QString text;
    if (known || layout.Recognised) {
        const std::array<int, ImportedEntryFields + 1> &columns = known ? remembered : layout.Columns;
        for (int k = 1; k <= ImportedEntryFields; ++k)
            Col[k]->setText(QString::number(columns[k]));
        HeadersCheckBox->setChecked(true);
        CSVHeaders = true;
        mappingFromHeader_ = true;
        if (!layout.Exporter.isEmpty())
            text = QStringLiteral("Recognised: %1 export.").arg(layout.Exporter);
        else if (layout.Recognised)
            text = QStringLiteral("Recognised: your own column names.");
        else
            text = QStringLiteral("Recognised: columns of an earlier import.");
        if (known)
            text += QStringLiteral(" Numbers as at its last import.");
    } else {
        if (mappingFromHeader_) {
            for (int k = 1; k <= ImportedEntryFields; ++k)
                Col[k]->setText(dlgProcs_.ReadSetting(ColKey(k), QString::fromLatin1(DefaultColumns[k])));
            mappingFromHeader_ = false;
        }
        text = QStringLiteral("First line not recognised: the saved or default numbers stand.");
    }
    LayoutLbl->setText(text);
    LayoutLbl->show();
    SetCSVColumnLabels();
}

// At the start of an import with a header line: the columns are kept for the next file of the
// same header line. A header line that the import knows, or met at an earlier import, also tells
// the engine the names of the columns (those left out are named in the review and the log), the
// column of a one-time-password secret that no field takes, and to name a record without a name
// after its address.
void TLockvexDataImportDlg::UseLayoutForImport()
{
    ImportExportFormat &format = ImportExport->ImpExFormat;
    format.ColumnNames.clear();
    format.TotpColumn = 0;
    format.NameFromAddress = false;
    if (!HeadersCheckBox->isChecked())
        return;
    const QByteArray line = FirstLineOf(format.ImpExFileName);
    if (line.isEmpty())
        return;
    const TImportLayout layout = RecogniseHeaderLine(line);
    const QString key = LayoutSettingKey(layout);
    if (layout.Recognised || !dlgProcs_.ReadSetting(key).isEmpty()) {
        format.ColumnNames = layout.Headings;
        if (std::find(ImportFields.begin() + 1, ImportFields.begin() + ImportedEntryFields + 1, layout.TotpColumn) ==
            ImportFields.begin() + ImportedEntryFields + 1)
            format.TotpColumn = layout.TotpColumn;
        format.NameFromAddress = true;
    }
    (void)dlgProcs_.WriteSettings({{key, ColumnsText(ImportFields)}});
}

void TLockvexDataImportDlg::ViewCSVBtnClick()
{
    ShowTextCopy();
}

void TLockvexDataImportDlg::ViewTxtBtnClick()
{
    ShowTextCopy();
}

// A text copy of the import file for the viewer. It is written into the program's private
// folder, never beside the import file (where «name.txt» might be a file of the user's), made
// readable by its owner only, and deleted when the program ends. Only a regular file is copied,
// and at most ViewCopyLimit bytes of it.
void TLockvexDataImportDlg::ShowTextCopy()
{
    TextFileWritten = true;
    const QString importFile = FileNameEdit->text();
    if (importFile.isEmpty())
        return;
    QString base;
    SplitFileAtFirstDot(importFile, FileExt, base);
    TImportFiles &files = dlgProcs_.ImportFiles();
    const QString folder = files.CreateImportViewFolder();
    QString problem;
    if (folder.isEmpty())
        problem = QStringLiteral("Lockvex could not make its private folder for the copy.");
    else
        problem = files.WriteImportViewCopy(importFile, folder, WorkFileName);
    if (!problem.isEmpty()) {
        dlgProcs_.Messages().ShowErrorMessage(QStringLiteral("The import file could not be shown. ") + problem);
        return;
    }
    platform::Current().OpenFile(WorkFileName);
}

// The log of this run's import of the file named, under the name it was written (the next free
// one when «name Log.txt» was taken). A file of that name that this run did not write is not
// the log: it is neither shown nor deleted at the end.
void TLockvexDataImportDlg::ViewLogBtnClick()
{
    TextFileWritten = true;
    const QString importFile = FileNameEdit->text();
    if (!importFile.isEmpty() && ImportExport && ImportExport->ImpExFormat.ImpExFileName == importFile)
        WorkFileName = ImportExport->GetLogFileName();
    else
        WorkFileName.clear();
    if (WorkFileName.isEmpty() || !dlgProcs_.ImportFiles().IsMadeImportFile(WorkFileName)) {
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgNoLogFile]);
        return;
    }
    platform::Current().OpenFile(WorkFileName);
}
