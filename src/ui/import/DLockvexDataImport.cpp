// The import window: its controls, its creation and its closing.

#include "ui/import/DLockvexDataImport.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/RunState.h"
#include "common/TextFiles.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using LockvexStyle::Px;

using WindowFrame::MakeButton;

namespace
{

// A button's note: the line under its caption that says what it does. Shown as its hint too.
void SetNote(QPushButton *button, const QString &note)
{
    button->setToolTip(note);
    button->setStatusTip(note);
    button->setWhatsThis(note);
}

QLineEdit *MakeEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TLockvexDataImportDlg::TLockvexDataImportDlg(TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent)
    : QDialog(parent), items_(items), dlgProcs_(dlgProcs)
{
    setObjectName(QStringLiteral("LockvexDataImportDlg"));
    setWindowTitle(QStringLiteral("Import passwords from a CSV file"));
    setModal(true);
    scale_ = LockvexStyle::WindowScale(dlgProcs_.Run().Screen);
    BuildControls();
    WindowFrame::ApplyLook(*this, scale_,
                           QStringLiteral("QGroupBox { padding: 10px; }"
                                          "QLineEdit[lvRole=\"column\"] { padding: 2px 2px; }"
                                          "QLabel[lvRole=\"letters\"] { font-weight: 700; color: @Focus; }"
                                          "QFrame#InstructionsPanel { background: @NoteBack;"
                                          "  border: 1px solid @NoteBorder; border-radius: 6px; }"
                                          "QLabel[lvRole=\"step\"] { color: @NoteText; }"));
    FormCreate();
}

TLockvexDataImportDlg::~TLockvexDataImportDlg()
{
    // Destroyed without being closed (its owner went): the engine still ends an open import
    // as a quit, so the log keeps every line; the settings are the closing's business.
    acceptingAll_ = false;
}

bool TLockvexDataImportDlg::RunModal(TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent,
                                     const QPoint &topLeft)
{
    TLockvexDataImportDlg dialog(items, dlgProcs, parent);
    // At the main window's place, its own size, and wholly on one screen.
    const QSize size = WindowPlacement::SizeForScreen(dialog);
    WindowPlacement::Place(dialog, QRect(topLeft, size.grownBy(WindowPlacement::FrameMargins(dialog))));
    dialog.exec();
    return dialog.TotalImported() > 0;
}

void TLockvexDataImportDlg::BuildControls()
{
    QVBoxLayout *outer = WindowFrame::MakeRoot(*this);

    const WindowFrame::THeader header = WindowFrame::MakeHeader(
        *this, QStringLiteral("All your web sign-ons, password protected, in an encrypted file, only on your PC"),
        scale_, [this] { LockvexHelpBtnClick(); });
    HeaderBand = header.Band;
    LockvexLabel = header.Title;
    LockvexTextLabel = header.Text;
    LockvexHelpBtn = header.HelpBtn;
    outer->addWidget(HeaderBand);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(Px(LockvexStyle::Margin, scale_), Px(LockvexStyle::Gap, scale_),
                             Px(LockvexStyle::Margin, scale_), Px(LockvexStyle::Margin, scale_));
    body->setSpacing(Px(LockvexStyle::Gap, scale_));
    auto *left = new QVBoxLayout;
    left->addWidget(BuildFileGroup());
    left->addWidget(BuildMappingGroup(), 1);
    body->addLayout(left);
    body->addWidget(BuildReviewGroup(), 1);
    outer->addLayout(body, 1);

    // The window's cancel button: Esc presses it. It lies beneath the mapping group, draws nothing
    // and assistive tools do not see it (Esc is the way to it).
    CancelBtn = MakeButton(this, "CancelBtn", QStringLiteral("Cancel"));
    CancelBtn->setGeometry(0, 0, 1, 1);
    CancelBtn->lower();
    CancelBtn->setFocusPolicy(Qt::NoFocus);
    CancelBtn->setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; color: transparent; padding: 0px; }"));
    Accessibility::HideFromAssistiveTools(CancelBtn);

    // Return presses the focused button; in a box it accepts the record shown, the window's
    // main action (nothing while no record is shown).
    AcceptBtn->setDefault(true);
    Accessibility::PressFocusedButtonOnEnter(this);
    connect(FileBrowseBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::FileBrowseBtnClick);
    connect(ViewCSVBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ViewCSVBtnClick);
    connect(ViewTxtBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ViewTxtBtnClick);
    connect(ViewLogBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ViewLogBtnClick);
    connect(ResetDefaultsBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ResetDefaultsBtnClick);
    connect(ResetZerosBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ResetZerosBtnClick);
    // A file name typed or pasted is read for its header line as a chosen one is.
    connect(FileNameEdit, &QLineEdit::editingFinished, this, [this] {
        if (!FileNameEdit->text().isEmpty() && FileNameEdit->text() != headerReadFrom_)
            FillMappingFromHeader();
    });
    // A number the user types is theirs: a file chosen next does not take it back.
    for (int k = 1; k <= ImportedEntryFields; ++k)
        connect(Col[k], &QLineEdit::textEdited, this, [this] { mappingFromHeader_ = false; });
    connect(ImportCSVBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::ImportCSVBtnClick);
    connect(AcceptBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::AcceptBtnClick);
    connect(RejectBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::RejectBtnClick);
    connect(QuitBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::QuitBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TLockvexDataImportDlg::CancelBtnClick);
    // Leave handlers: only the header box and Col1 have one.
    HeadersCheckBox->installEventFilter(this);
    Col[1]->installEventFilter(this);
    // Each box's column letters follow its number as it is typed or set (none for 0).
    for (int k = 1; k <= ImportedEntryFields; ++k)
        connect(Col[k], &QLineEdit::textChanged, ColLbl[k],
                [label = ColLbl[k]](const QString &text) { label->setText(CalcLabel(text)); });
}

QWidget *TLockvexDataImportDlg::BuildFileGroup()
{
    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *grid = new QGridLayout(GroupBox2);
    ImportFileLbl = MakeLabel(GroupBox2, "ImportFileLbl", QStringLiteral("Import file name"));
    FileNameEdit = MakeEdit(GroupBox2, QStringLiteral("FileNameEdit"));
    ImportFileLbl->setBuddy(FileNameEdit);
    FileNameEdit->setAccessibleName(ImportFileLbl->text());
    FileBrowseBtn = MakeButton(GroupBox2, "FileBrowseBtn", QStringLiteral("Browse"));
    SetNote(FileBrowseBtn,
            QStringLiteral("Locate the CSV file containing the password information you wish to import."));
    ViewCSVBtn = MakeButton(GroupBox2, "ViewCSVBtn", QStringLiteral("View Tsactns"));
    SetNote(ViewCSVBtn, QStringLiteral("Import file displayed in spreadsheet CSV layout"));
    ViewTxtBtn = MakeButton(GroupBox2, "ViewTxtBtn", QStringLiteral("View text Tsactns"));
    SetNote(ViewTxtBtn, QStringLiteral("Import file displayed in text CSV layout"));
    ViewLogBtn = MakeButton(GroupBox2, "ViewLogBtn", QStringLiteral("View Log"));
    SetNote(ViewLogBtn, QStringLiteral("Log of action taken on each CSV input line"));

    grid->addWidget(ImportFileLbl, 0, 0, 1, 3);
    grid->addWidget(FileNameEdit, 1, 0, 1, 2);
    grid->addWidget(FileBrowseBtn, 1, 2);
    grid->addWidget(ViewCSVBtn, 2, 0);
    grid->addWidget(ViewTxtBtn, 2, 1);
    grid->addWidget(ViewLogBtn, 2, 2);
    return GroupBox2;
}

QWidget *TLockvexDataImportDlg::BuildMappingGroup()
{
    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto *columns = new QHBoxLayout(GroupBox3);
    auto *rows = new QGridLayout;
    rows->setVerticalSpacing(3);
    for (int k = 1; k <= ImportedEntryFields; ++k) {
        Col[k] = MakeEdit(GroupBox3, QStringLiteral("Col%1").arg(k));
        Col[k]->setAlignment(Qt::AlignCenter);
        Col[k]->setMaxLength(8);
        Col[k]->setFixedWidth(Px(48, scale_));
        LockvexStyle::SetRole(Col[k], "column");
        ColLbl[k] = new QLabel(GroupBox3);
        ColLbl[k]->setObjectName(QStringLiteral("Col%1Lbl").arg(k));
        LockvexStyle::SetRole(ColLbl[k], "letters");
        ColLbl[k]->setMinimumWidth(Px(26, scale_));
        FieldLbl[k] = new QLabel(ImportFieldName(k), GroupBox3);
        FieldLbl[k]->setObjectName(QStringLiteral("Field%1Lbl").arg(k));
        FieldLbl[k]->setBuddy(Col[k]);
        Col[k]->setAccessibleName(QStringLiteral("Column of ") + ImportFieldName(k));
        rows->addWidget(Col[k], k - 1, 0);
        rows->addWidget(ColLbl[k], k - 1, 1);
        rows->addWidget(FieldLbl[k], k - 1, 2);
    }
    columns->addLayout(rows);

    auto *side = new QVBoxLayout;
    HeadersCheckBox = new QCheckBox(QStringLiteral("Import file has column headers"), GroupBox3);
    HeadersCheckBox->setObjectName(QStringLiteral("HeadersCheckBox"));
    HeadersCheckBox->setToolTip(QStringLiteral("First line of import file will be skipped if this box is checked"));
    ResetDefaultsBtn = MakeButton(GroupBox3, "ResetDefaultsBtn", QStringLiteral("Reset default values"));
    ResetZerosBtn = MakeButton(GroupBox3, "ResetZerosBtn", QStringLiteral("Set zero values"));
    ImportCSVBtn = MakeButton(GroupBox3, "ImportCSVBtn", QStringLiteral("Import Password CSV file"));
    SetNote(ImportCSVBtn, QStringLiteral("Start importing the items in the file. Each item will be displayed for "
                                         "confirmation unles Import All Items is checked."));

    InstructionsPanel = new QFrame(GroupBox3);
    InstructionsPanel->setObjectName(QStringLiteral("InstructionsPanel"));
    auto *steps = new QVBoxLayout(InstructionsPanel);
    steps->setSpacing(2);
    const char *const instructions[] = {"1. Select your input CSV file",
                                        "2. Specify your input fields",
                                        "3. Click the import button",
                                        "4. Records will be imported         one at a time.",
                                        "- Duplicate names are ignored",
                                        "- Blank names are ignored",
                                        "- Data can be changed            before accepting",
                                        "5. You can quit and restart      at any time",
                                        "6. A log file is created  "};
    int n = 0;
    for (const char *text : instructions) {
        auto *label = new QLabel(QString::fromLatin1(text), InstructionsPanel);
        label->setObjectName(QStringLiteral("InstructionLbl%1").arg(++n));
        label->setWordWrap(true);
        LockvexStyle::SetRole(label, "step");
        steps->addWidget(label);
    }

    LayoutLbl = MakeLabel(GroupBox3, "LayoutLbl", QString());
    LayoutLbl->setWordWrap(true);
    LockvexStyle::SetRole(LayoutLbl, "note");
    LayoutLbl->hide();

    side->addWidget(HeadersCheckBox);
    side->addWidget(LayoutLbl);
    side->addWidget(ResetDefaultsBtn);
    side->addWidget(ResetZerosBtn);
    side->addWidget(InstructionsPanel, 1);
    side->addWidget(ImportCSVBtn);
    LockvexStyle::SetRole(ImportCSVBtn, "primary");
    columns->addLayout(side, 1);
    return GroupBox3;
}

QWidget *TLockvexDataImportDlg::BuildReviewGroup()
{
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *grid = new QGridLayout(GroupBox1);
    int row = 0;
    // The entry's fields as the main window shows them; what only an entry in the data file
    // has (the Copy buttons, the quality rating, the login flag) stays hidden here.
    ReviewPanel = new TEntryFieldPanel(GroupBox1, scale_);
    for (const TEntryFieldPanel::TCopyButton &copy : ReviewPanel->CopyButtons())
        copy.Button->hide();
    ReviewPanel->EntryPWChckBox()->hide();
    ReviewPanel->ShowQuality(-1);
    grid->addWidget(ReviewPanel, row, 0, 1, 4);
    grid->setRowStretch(row++, 1); // the notes take the room the window has to spare

    ShortenedLbl = MakeLabel(GroupBox1, "ShortenedLbl", QString());
    ShortenedLbl->setWordWrap(true);
    LockvexStyle::SetRole(ShortenedLbl, "note");
    grid->addWidget(ShortenedLbl, row++, 0, 1, 4);
    ImportProgress = new QProgressBar(GroupBox1);
    ImportProgress->setObjectName(QStringLiteral("ImportProgress"));
    ImportProgress->setRange(0, 1000);
    ImportProgress->setTextVisible(false);
    ImportProgress->setAccessibleName(QStringLiteral("Import progress"));
    ProgressLbl = MakeLabel(GroupBox1, "ProgressLbl", QString());
    grid->addWidget(ImportProgress, row, 0, 1, 2);
    grid->addWidget(ProgressLbl, row++, 2, 1, 2);

    QuitBtn = MakeButton(GroupBox1, "QuitBtn", QStringLiteral("Quit Import"));
    SetNote(QuitBtn, QStringLiteral("Stop importing items"));
    RejectBtn = MakeButton(GroupBox1, "RejectBtn", QStringLiteral("Reject    import item"));
    SetNote(RejectBtn, QStringLiteral("Do not import the currently displayed item"));
    AcceptBtn = MakeButton(GroupBox1, "AcceptBtn", QStringLiteral("Accept   import item"));
    SetNote(AcceptBtn, QStringLiteral("Import the currently displayed item and then display the next item for import"));
    AcceptAllCheckBox = new QCheckBox(QStringLiteral("Import all items"), GroupBox1);
    AcceptAllCheckBox->setObjectName(QStringLiteral("AcceptAllCheckBox"));
    AcceptAllCheckBox->setToolTip(QStringLiteral("Import all items without user confirming each one"));
    LockvexStyle::SetRole(AcceptBtn, "primary");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(QuitBtn);
    buttons->addWidget(RejectBtn);
    buttons->addWidget(AcceptBtn);
    grid->addLayout(buttons, row++, 0, 1, 4);
    // Where the review stands: "Record 12 of 200".
    RecordLbl = MakeLabel(GroupBox1, "RecordLbl", QString());
    grid->addWidget(RecordLbl, row, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(AcceptAllCheckBox, row++, 2, 1, 2, Qt::AlignRight);
    return GroupBox1;
}

void TLockvexDataImportDlg::FormCreate()
{
    // The title is the window's name in the program; assistive tools read what it is for.
    WindowFrame::SetUp(*this, dlgProcs_.WebHelp(), HelpContexts::ImportDialog,
                       QStringLiteral("Import passwords from a CSV file"));
    TextFileWritten = false;
    CSVHeaders = false;
    AcceptAllCheckBox->setChecked(false);
    ShowRecord(false);
    ImportExport = std::make_unique<TImportExport>(dlgProcs_.ImportFiles(), items_.LockvexTbl);
    SetZeroValues();
    GetImportInfo();
    GetImportFields();
    CSVFileName = FileNameEdit->text().left(255);
    CSVHeaders = HeadersCheckBox->isChecked();
    SetCSVColumnLabels();
    SetImportHelpContexts();
    if (dlgProcs_.Run().Screen.ScaleForms)
        WindowPlacement::CentreOnScreen(*this);
}

void TLockvexDataImportDlg::SetImportHelpContexts()
{
    SetHelpContext(LockvexHelpBtn, HelpContexts::ImportDialog);
    SetHelpContext(FileBrowseBtn, HelpContexts::BrowseBtn);
    SetHelpContext(ViewCSVBtn, HelpContexts::ViewTsactnsBtn);
    SetHelpContext(ViewTxtBtn, HelpContexts::ViewTextTsactnsBtn);
    SetHelpContext(ViewLogBtn, HelpContexts::ViewLogBtn);
    SetHelpContext(ResetDefaultsBtn, HelpContexts::ResetDefaultsBtn);
    SetHelpContext(ResetZerosBtn, HelpContexts::SetZeroBtn);
    SetHelpContext(ImportCSVBtn, HelpContexts::ImportFileBtn);
    SetHelpContext(AcceptBtn, HelpContexts::AcceptBtn);
    SetHelpContext(RejectBtn, HelpContexts::RejectBtn);
    SetHelpContext(QuitBtn, HelpContexts::QuitImportBtn);
}

void TLockvexDataImportDlg::LockvexHelpBtnClick()
{
    ShowWindowHelp(this, dlgProcs_.WebHelp());
}

void TLockvexDataImportDlg::done(int result)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

// However the window closes: an open import ends as a quit (its log keeps every line), the
// security messages, and the settings. The window may close while one of its own handlers waits
// for a message (an ending signal closes every window): the engine, with its files closed, stays
// until the window goes, so that the handler, when it goes on, finds it and nothing open.
void TLockvexDataImportDlg::FormClose()
{
    acceptingAll_ = false;
    if (ImportExport && ImportExport->IsOpen()) {
        try {
            ImportExport->ImportCSVUserAction(ImportUserAction::Quit);
        } catch (const TextFileError &) {
            // a log that cannot be written must not keep the window open
        }
    }
    ShowRecord(false);
    if (TextFileWritten)
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgSecurityInfo]);
    if (ItemsImported > 0)
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgSecurityTip]);
    SetImportInfo();
}

bool TLockvexDataImportDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == Col[1])
            Col1Exit();
        else if (watched == HeadersCheckBox)
            HeadersCheckBoxExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TLockvexDataImportDlg::keyPressEvent(QKeyEvent *event)
{
    // Esc presses the window's cancel button: the completion question, not a silent close.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
