#pragma once
// The import window: the user names a CSV file, maps its column numbers to the fourteen text
// fields of an entry, starts the import and reviews the records one by one. Each record is
// shown in edit boxes, where it can be changed, and is accepted (saved as a new entry) or
// rejected; "Import all items" accepts the rest without review, with its progress shown and
// Quit working while it runs. The engine (TImportExport) reads the file; accepted records are
// saved through the item manager. The mapping, the header choice and the last file name live
// in the settings file.
//
// The class's operations are split by concern: DLockvexDataImport.cpp builds the window and
// closes it, DLockvexDataImportMapping.cpp holds the settings, the mapping and the file buttons,
// DLockvexDataImportReview.cpp the import itself.

#include "entries/MgrLockvexItems.h"
#include "import/LockvexImport.h"

#include <QDialog>
#include <QPoint>
#include <QString>

#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TEntryFieldPanel;
class THeaderBand;
class TLVDlgProcs;

class TLockvexDataImportDlg : public QDialog
{
    Q_OBJECT

public:
    // The window saves the entries it imports through the run's item manager and keeps its
    // column settings through the dialog procedures.
    TLockvexDataImportDlg(TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent = nullptr);
    ~TLockvexDataImportDlg() override;

    // Runs the window modally with its top left corner at topLeft (the main window's position)
    // and answers whether any entry was written, so that the caller refreshes its lists.
    static bool RunModal(TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent, const QPoint &topLeft);

    // Header band.
    THeaderBand *HeaderBand = nullptr;
    QLabel *LockvexLabel = nullptr;
    QLabel *LockvexTextLabel = nullptr;
    QPushButton *LockvexHelpBtn = nullptr;

    // File group.
    QGroupBox *GroupBox2 = nullptr;
    QLabel *ImportFileLbl = nullptr;
    QLineEdit *FileNameEdit = nullptr;
    QPushButton *ViewCSVBtn = nullptr;
    QPushButton *ViewTxtBtn = nullptr;
    QPushButton *ViewLogBtn = nullptr;
    QPushButton *FileBrowseBtn = nullptr;

    // Mapping group: box k (Col1..Col14) holds the CSV column of entry field k, label k its
    // spreadsheet letters.
    QGroupBox *GroupBox3 = nullptr;
    std::array<QLineEdit *, ImportedEntryFields + 1> Col{};   // [1..14]
    std::array<QLabel *, ImportedEntryFields + 1> ColLbl{};   // [1..14]
    std::array<QLabel *, ImportedEntryFields + 1> FieldLbl{}; // [1..14], the field names
    QCheckBox *HeadersCheckBox = nullptr;
    QLabel *LayoutLbl = nullptr; // which layout the chosen file's header line was recognised as
    QPushButton *ResetDefaultsBtn = nullptr;
    QPushButton *ResetZerosBtn = nullptr;
    QPushButton *ImportCSVBtn = nullptr;
    QFrame *InstructionsPanel = nullptr;

    // Review group.
    QGroupBox *GroupBox1 = nullptr;
    TEntryFieldPanel *ReviewPanel = nullptr; // the entry's fields as the main window shows them
    QLabel *ShortenedLbl = nullptr;          // which fields of the record shown were cut or had characters replaced
    QProgressBar *ImportProgress = nullptr;  // "Import all items": how much of the file is done
    QLabel *ProgressLbl = nullptr;
    QLabel *RecordLbl = nullptr; // the record shown among the file's records
    QPushButton *QuitBtn = nullptr;
    QPushButton *RejectBtn = nullptr;
    QPushButton *AcceptBtn = nullptr;
    QCheckBox *AcceptAllCheckBox = nullptr;

    QPushButton *CancelBtn = nullptr;

    // The mapping's pieces, public for the window's users and tests.
    static int ConvField(const QString &Field);
    static QString CalcLabel(const QString &ColNoText);

    // Records accepted and written since the import button was last pressed.
    int ItemsImported = 0;
    // An import was started or a view button pressed: at closing the window shows message 6.
    bool TextFileWritten = false;
    // Entries written over the window's whole life.
    int TotalImported() const { return totalImported_; }
    // A record is shown for review: only then do Accept, Reject and Quit act.
    bool RecordShown() const { return recordShown_; }
    // "Import all items" is working through the file.
    bool AcceptingAll() const { return acceptingAll_; }

    // Handlers.
    void FileBrowseBtnClick();
    void ViewCSVBtnClick();
    void ViewTxtBtnClick();
    void ViewLogBtnClick();
    void HeadersCheckBoxExit();
    void Col1Exit();
    void ResetDefaultsBtnClick();
    void ResetZerosBtnClick();
    void LockvexHelpBtnClick();
    void ImportCSVBtnClick();
    void AcceptBtnClick();
    void RejectBtnClick();
    void QuitBtnClick();
    void CancelBtnClick();

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TItemManager &items_;
    TLVDlgProcs &dlgProcs_;

    // Building (DLockvexDataImport.cpp).
    void BuildControls();
    QWidget *BuildFileGroup();
    QWidget *BuildMappingGroup();
    QWidget *BuildReviewGroup();
    void FormCreate();
    void FormClose();
    void SetImportHelpContexts();

    // Settings and mapping (DLockvexDataImportMapping.cpp).
    void GetImportInfo();
    void SetImportInfo();
    void GetImportFields();
    void SetCSVColumnLabels();
    void SetZeroValues();
    void ShowTextCopy();
    void FillMappingFromHeader();
    void UseLayoutForImport();

    // The import (DLockvexDataImportReview.cpp).
    bool StartEngine();
    void DisplayImportedItem();
    void SetImportedItemInfo();
    bool AcceptItem(bool fromBoxes);
    bool ShowNextItem(bool display);
    void ShowRecord(bool shown);
    void AcceptAllStep();
    void FinishAcceptAll();
    void EndAcceptAll();
    void UpdateProgress();
    void FocusOnAccept();
    void ImportFailed(const QString &reason);

    std::unique_ptr<TImportExport> ImportExport;
    ItemManagerParams InputParams;
    ItemManagerParams OutputParams;
    TDateTime NewLoginDateTime = 0;
    std::array<int, ImportFieldCount + 1> ImportFields{};
    QString CSVFileName;
    QString WorkFileName;
    QString FileExt;
    bool CSVHeaders = false;
    bool mappingFromHeader_ = false; // the boxes hold what a header line gave, not what the user saved
    QString headerReadFrom_;         // the file whose header line was read last

    int totalImported_ = 0;
    int itemsShortened_ = 0; // imported items that had a field cut to fit, since the import start
    int itemsReplaced_ = 0;  // imported items with characters stored as "?", since the import start
    int totalRecords_ = 0;   // records in the file being imported (0: not known)
    int rejected_ = 0;       // records the user rejected, since the import start
    bool summaryDue_ = false; // an import was started and its summary not shown yet
    int recordsDone_ = 0;    // records accepted in the running "Import all items"
    bool recordShown_ = false;
    bool acceptingAll_ = false;
    bool closed_ = false;
    double scale_ = 1.0;
};
