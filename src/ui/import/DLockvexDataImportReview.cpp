// The import itself: its start, the review of each record, accepting, rejecting and quitting,
// "Import all items" in steps that keep the window answering, and the completion question.

#include "ui/import/DLockvexDataImport.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "common/PathRoutines.h"
#include "common/TextFiles.h"
#include "common/TextRoutines.h"
#include "entries/EntryText.h"
#include "ui/shared/EntryFieldPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <algorithm>

namespace
{

// "Import all items" works this long between two looks at the user's clicks and the screen.
constexpr int AcceptAllSliceMs = 40;

const QString NewEntryName = QStringLiteral("New Web entry");

} // namespace

void TLockvexDataImportDlg::ImportCSVBtnClick()
{
    if (acceptingAll_)
        return;
    ItemsImported = 0;
    itemsShortened_ = 0;
    itemsReplaced_ = 0;
    ImportCSVBtn->setEnabled(false);
    ResetDefaultsBtn->setEnabled(false);
    ResetZerosBtn->setEnabled(false);
    ShowRecord(false);

    // A file refused before the import starts can be chosen again and imported.
    const auto refuse = [this](LockvexMsgNo message) {
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[message]);
        ImportCSVBtn->setEnabled(true);
        ResetDefaultsBtn->setEnabled(true);
        ResetZerosBtn->setEnabled(true);
    };
    const QString fileName = FileNameEdit->text();
    const QFileInfo named(fileName);
    if (fileName.isEmpty() || !named.exists()) {
        refuse(MsgNoDownloadFile);
        return;
    }
    // A pipe, a device or a folder is named, not missing: said as the view buttons say it.
    if (!named.isFile()) {
        dlgProcs_.Messages().ShowErrorMessage(QStringLiteral("The import file could not be read. It is not a plain "
                                                             "file: ") +
                                              QDir::toNativeSeparators(fileName));
        ImportCSVBtn->setEnabled(true);
        ResetDefaultsBtn->setEnabled(true);
        ResetZerosBtn->setEnabled(true);
        return;
    }
    // The extension is the file name's after its first dot; dots in folders do not count.
    SplitFileAtFirstDot(fileName, FileExt, WorkFileName);
    const QString ext = AsciiUpper(FileExt);
    if (ext != QLatin1String("CSV") && ext != QLatin1String("EXL")) {
        refuse(MsgWrongFileType);
        return;
    }
    GetImportFields();
    ImportExport->ImpExFormat.ImportFields = ImportFields;
    ImportExport->ImpExFormat.HeaderLines = HeadersCheckBox->isChecked() ? "1" : "0";
    // The whole name: a path cut to 255 characters would name another file or none.
    ImportExport->ImpExFormat.ImpExFileName = fileName;
    ImportExport->ImpExFormat.ShowLog = false;
    UseLayoutForImport();
    TextFileWritten = true; // the import writes its log
    summaryDue_ = true; // whatever happens now, the import ends with its summary
    rejected_ = 0;
    if (StartEngine()) {
        totalRecords_ = ImportExport->CountRecords();
        DisplayImportedItem();
        // The review starts with the keyboard on Accept (Return accepts; Tab leads on).
        if (AcceptBtn->isEnabled())
            AcceptBtn->setFocus(Qt::OtherFocusReason);
    } else
        CancelBtnClick(); // no record, or the file or its log failed: "0 items imported"
}

// The first record. An import file that cannot be read, or a log that cannot be written (a
// folder without write permission), stops the import before anything is saved: nothing is
// imported without its log.
bool TLockvexDataImportDlg::StartEngine()
{
    try {
        if (ImportExport->GetFirstImportRec(InputParams))
            return true;
    } catch (const TextFileError &error) {
        ImportFailed(error.Message());
        return false;
    }
    return false;
}

void TLockvexDataImportDlg::ImportFailed(const QString &reason)
{
    ShowRecord(false);
    dlgProcs_.Messages().ShowErrorMessage(
        QStringLiteral("The import stopped: Lockvex could not read the import file or write its log "
                       "beside it. Entries accepted before were saved. ") +
        reason);
}

void TLockvexDataImportDlg::DisplayImportedItem()
{
    ReviewPanel->SetFields(InputParams);
    NewLoginDateTime = InputParams.LoginDateTime;
    // What the boxes show differs from the file: say where, so that the user can put it right
    // before accepting.
    const auto names = [](const QList<int> &fields) {
        QStringList list;
        for (int k : fields)
            list << ImportFieldName(k);
        return list.join(QStringLiteral(", "));
    };
    QStringList notes;
    if (!ImportExport->ShortenedFields().isEmpty())
        notes << QStringLiteral("Cut to fit Lockvex: ") + names(ImportExport->ShortenedFields());
    if (!ImportExport->ReplacedFields().isEmpty())
        notes << QStringLiteral("Characters Lockvex cannot store, shown as ?: ") +
                     names(ImportExport->ReplacedFields());
    if (!ImportExport->UnimportedColumns().isEmpty())
        notes << QStringLiteral("Not imported, no place in an entry: ") +
                     ImportExport->UnimportedColumns().join(QStringLiteral(", "));
    if (ImportExport->TotpNotFitting())
        notes << QStringLiteral("The notes have no room for the TOTP secret: it is not imported");
    if (ImportExport->RecordNotUtf8())
        notes << QStringLiteral("Not UTF-8: read as Windows-1252, check its accented letters");
    ShortenedLbl->setText(notes.join(u'\n'));
    ShortenedLbl->setVisible(!notes.isEmpty());
    const int recordNo = ImportExport->RecordNo();
    RecordLbl->setText(QStringLiteral("Record %1 of %2")
                           .arg(QLocale().toString(recordNo))
                           .arg(QLocale().toString(std::max(recordNo, totalRecords_))));
    ShowRecord(true);
}

void TLockvexDataImportDlg::SetImportedItemInfo()
{
    OutputParams = ItemManagerParams{};
    ReviewPanel->GetFields(OutputParams); // the boxes' texts as they stand
    OutputParams.ItemName = TrimBlankChars(OutputParams.ItemName);
    OutputParams.LoginDateTime = NewLoginDateTime;
    OutputParams.LockvexPassword = false;
    OutputParams.NewItem = true;
    OutputParams.NameChecked = false;
    OutputParams.ListIndex = 0;
}

// Saves the current record as a new entry, then logs it as accepted: the entry is on disk before
// its log line says so. fromBoxes: what the review boxes hold, the user's corrections included;
// else the record as the engine delivered it ("Import all items", where nobody can change it).
// A record whose name box was emptied is not saved, counted or logged as accepted. False when
// the store did not write it: the user was told (message 18), and the record stays to try
// again, reject or quit.
bool TLockvexDataImportDlg::AcceptItem(bool fromBoxes)
{
    if (fromBoxes) {
        SetImportedItemInfo();
    } else {
        OutputParams = InputParams;
        OutputParams.ItemName = TrimBlankChars(OutputParams.ItemName);
        OutputParams.LockvexPassword = false;
        OutputParams.NewItem = true;
    }
    if (OutputParams.ItemName.isEmpty()) {
        ImportExport->ImportCSVUserAction(ImportUserAction::InvalidRec);
        return true;
    }
    const int key = items_.AddItem(NewEntryName);
    if (key == NoKey || !items_.SaveWebItem(key, OutputParams)) {
        // The index entry of the unwritten record goes; the message tells of the failure either way.
        if (key != NoKey)
            (void)items_.DeleteItem(key, UpdatePermission);
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[key == NoKey ? MsgSafeFull : MsgNotSaved]);
        return false;
    }
    ++ItemsImported;
    ++totalImported_;
    if (!ImportExport->ShortenedFields().isEmpty())
        ++itemsShortened_;
    if (!ImportExport->ReplacedFields().isEmpty())
        ++itemsReplaced_;
    ImportExport->ImportCSVUserAction(ImportUserAction::Accepted);
    return true;
}

// The next record; display: into the review boxes (during "Import all items" only the record
// waiting when the window next answers is put there).
bool TLockvexDataImportDlg::ShowNextItem(bool display)
{
    bool found = false;
    try {
        found = ImportExport->GetNextImportRec(InputParams);
    } catch (const TextFileError &error) {
        ImportFailed(error.Message());
        try {
            ImportExport->ImportCSVUserAction(ImportUserAction::Quit); // nothing when the window closed
        } catch (const TextFileError &) {
            // the log is the file that failed
        }
        return false;
    }
    if (!found)
        ShowRecord(false);
    else if (display)
        DisplayImportedItem();
    return found;
}

void TLockvexDataImportDlg::AcceptBtnClick()
{
    if (!recordShown_ || acceptingAll_)
        return;
    try {
        if (!AcceptItem(true) || closed_)
            return;
        if (!AcceptAllCheckBox->isChecked()) {
            if (!ShowNextItem(true))
                CancelBtnClick();
            else
                FocusOnAccept();
            return;
        }
        // The rest goes in slices, so that the window is drawn and Quit is heard meanwhile.
        acceptingAll_ = true;
        recordsDone_ = 1;
        AcceptBtn->setEnabled(false);
        RejectBtn->setEnabled(false);
        AcceptAllCheckBox->setEnabled(false);
        ReviewPanel->SetReadOnly(true);
        ImportProgress->setVisible(true);
        ProgressLbl->setVisible(true);
        if (!ShowNextItem(true)) {
            if (!closed_)
                FinishAcceptAll();
            return;
        }
    } catch (const TextFileError &error) {
        EndAcceptAll();
        ImportFailed(error.Message());
        CancelBtnClick();
        return;
    }
    UpdateProgress();
    QTimer::singleShot(0, this, &TLockvexDataImportDlg::AcceptAllStep);
}

// One slice of "Import all items": accepts records until the slice's time is up, then shows
// the record next in line (the one a Quit would end the import on) and the progress.
void TLockvexDataImportDlg::AcceptAllStep()
{
    if (!acceptingAll_)
        return;
    QElapsedTimer slice;
    slice.start();
    try {
        do {
            if (!AcceptItem(false)) {
                // Not written: the record stays shown for the user to decide, unless the window
                // closed while the message was up.
                EndAcceptAll();
                if (!closed_)
                    DisplayImportedItem();
                return;
            }
            ++recordsDone_;
            if (!ShowNextItem(false)) {
                if (!closed_)
                    FinishAcceptAll();
                return;
            }
        } while (slice.elapsed() < AcceptAllSliceMs);
    } catch (const TextFileError &error) {
        EndAcceptAll();
        ImportFailed(error.Message());
        CancelBtnClick();
        return;
    }
    DisplayImportedItem();
    UpdateProgress();
    QTimer::singleShot(0, this, &TLockvexDataImportDlg::AcceptAllStep);
}

void TLockvexDataImportDlg::FinishAcceptAll()
{
    EndAcceptAll();
    CancelBtnClick(); // the summary; nothing when the window closed meanwhile
}

void TLockvexDataImportDlg::EndAcceptAll()
{
    acceptingAll_ = false;
    AcceptAllCheckBox->setEnabled(true);
    ReviewPanel->SetReadOnly(false);
    ImportProgress->setVisible(false);
    ProgressLbl->setVisible(false);
    ShowRecord(recordShown_);
}

void TLockvexDataImportDlg::UpdateProgress()
{
    const qint64 size = ImportExport ? ImportExport->FileSize() : 0;
    const qint64 read = ImportExport ? ImportExport->BytesRead() : 0;
    ImportProgress->setValue(size > 0 ? static_cast<int>(qMin<qint64>(1000, read * 1000 / size)) : 0);
    ProgressLbl->setText(QStringLiteral("%1 records done").arg(QLocale().toString(recordsDone_)));
}

void TLockvexDataImportDlg::RejectBtnClick()
{
    if (!recordShown_ || acceptingAll_)
        return;
    try {
        ImportExport->ImportCSVUserAction(ImportUserAction::Rejected);
    } catch (const TextFileError &error) {
        ImportFailed(error.Message());
        CancelBtnClick();
        return;
    }
    ++rejected_;
    if (!ShowNextItem(true))
        CancelBtnClick();
    else
        FocusOnAccept();
}

// After Accept or Reject the keyboard is back on Accept, the button a person means most: a
// Return after a click on Reject must not reject the next record unseen.
void TLockvexDataImportDlg::FocusOnAccept()
{
    if (AcceptBtn->isEnabled())
        AcceptBtn->setFocus(Qt::OtherFocusReason);
}

void TLockvexDataImportDlg::QuitBtnClick()
{
    if (!recordShown_)
        return;
    if (acceptingAll_)
        EndAcceptAll();
    ShowRecord(false);
    try {
        ImportExport->ImportCSVUserAction(ImportUserAction::Quit);
    } catch (const TextFileError &error) {
        ImportFailed(error.Message());
    }
    CancelBtnClick();
}

// An import ends with one summary of what it did, which asks what next: Yes opens the log and
// keeps the window open to import another file; No closes it. Asked once per import: Cancel
// afterwards closes the window.
void TLockvexDataImportDlg::CancelBtnClick()
{
    if (closed_)
        return;
    if (acceptingAll_ || recordShown_) {
        // Esc while "Import all items" runs, or while a record waits for review, is a quit.
        QuitBtnClick();
        return;
    }
    if (summaryDue_) {
        summaryDue_ = false;
        TImportTally tally;
        tally.Imported = ItemsImported;
        tally.Rejected = rejected_;
        tally.Duplicates = ImportExport->ActionCount(ImportUserAction::DupeRecord);
        tally.Nameless = ImportExport->ActionCount(ImportUserAction::InvalidRec);
        tally.Shortened = itemsShortened_;
        tally.Replaced = itemsReplaced_;
        // The counts under the title; the title takes the number imported.
        TMsgFields summary = MsgCatalogue[MsgImportSummary];
        const QString details = ImportSummaryText(tally);
        summary.Msg.replace(summary.Msg.indexOf(u'_'), 1, details.isEmpty() ? QString() : details + QStringLiteral("\n\n"));
        if (dlgProcs_.Messages().ShowMessageDlg(summary, ImportedCountText(ItemsImported))) {
            ImportCSVBtn->setEnabled(true);
            ResetDefaultsBtn->setEnabled(true);
            ResetZerosBtn->setEnabled(true);
            FileBrowseBtn->setFocus(Qt::OtherFocusReason);
            ViewLogBtnClick();
            return;
        }
    }
    done(QDialog::Rejected);
}

// Accept, Reject and Quit act only on a record shown: before the start, after a refused file,
// after the end and after Quit they are disabled and the boxes are empty, so that nothing is
// saved from empty boxes and nothing is written to a closed log.
void TLockvexDataImportDlg::ShowRecord(bool shown)
{
    recordShown_ = shown;
    AcceptBtn->setEnabled(shown && !acceptingAll_);
    RejectBtn->setEnabled(shown && !acceptingAll_);
    QuitBtn->setEnabled(shown);
    if (!acceptingAll_) {
        ImportProgress->setVisible(false);
        ProgressLbl->setVisible(false);
    }
    if (shown)
        return;
    ReviewPanel->SetFields(ItemManagerParams{});
    ShortenedLbl->clear();
    ShortenedLbl->hide();
    RecordLbl->clear();
}
