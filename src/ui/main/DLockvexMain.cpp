// TLockvexMainDlg: creation, layout, becoming active.

#include "ui/main/DLockvexMain.h"

#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "entries/MgrLockvexItems.h"
#include "app/MgrLockvexHelp.h"
#include "ui/messages/MessageDialog.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace LockvexStyle;
using WindowFrame::MakeButton;

namespace
{

// In short lines: a tooltip of one long line would reach across the screen.
const QString LoginBtnNote = QStringLiteral("This will open your browser at the specified web page.\n"
                                            "The Customer ID will also be copied to the clipboard\n"
                                            "ready to be pasted by you into the appropriate field\n"
                                            "in the web page.");
const QString ImportNote = QStringLiteral(
    "Click this button to import from a CSV file\n"
    "If you have passwords in a spreadsheet, you can save it as a CSV file (comma separated variables) and import "
    "the passwords directly into Lockvex.");
const QString MemStickNote = QStringLiteral("Load program and encrypted data to memory stick. \n"
                                            "Put the memory stick into another PC and double click Lockvex32.exe.\n"
                                            "Lockvex will run securely and leave no trace on that PC.");
const QString CloudNote = QStringLiteral(
    "When you close Lockvex, your encrypted file will be saved in your selected location in a folder named "
    "Lockvex.\n"
    "When you run Lockvex, your encrypted data will be loaded from your selected location.\n"
    "A backup copy of your encrypted Lockvex folder is always maintained in your local \\My Documents folder.");
const QString ShareNote = QStringLiteral("This will create two emails. Please just fill in your friends' email "
                                         "addresses and send them.\n\nThank you.");
const QString TellNote = QStringLiteral("Your comments, both positive and negative will help us improve Lockvex.");

QLabel *MakeImage(const QPixmap &picture, const char *name, const QString &hint, QWidget *parent)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setPixmap(picture);
    image->setToolTip(hint);
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

// A small round badge with a letter, drawn for the social sites and the data places.
QPixmap Badge(const QColor &colour, const QString &letter, int size)
{
    QPixmap pixmap = BlankPicture(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size * 0.22, size * 0.22);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qRound(size * 0.6));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, letter);
    return pixmap;
}

// The check marks of the password chooser: a ticked and an empty box.
QPixmap CheckMark(bool checked, int size)
{
    QPixmap pixmap = BlankPicture(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(checked ? Colour::Focus : Colour::FieldBorder, 1.2));
    p.setBrush(checked ? Colour::Focus : Colour::FieldBack);
    p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), 3, 3);
    if (checked) {
        p.setPen(QPen(Qt::white, size * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygonF tick;
        tick << QPointF(size * 0.26, size * 0.52) << QPointF(size * 0.43, size * 0.7)
             << QPointF(size * 0.75, size * 0.32);
        p.drawPolyline(tick);
    }
    return pixmap;
}

} // namespace

TLockvexMainDlg::TLockvexMainDlg(TListManager &lists, TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      lists_(lists), items_(items), dlgProcs_(dlgProcs), run_(dlgProcs.Run())
{
    setObjectName(QStringLiteral("LockvexMainDlg"));
    setAttribute(Qt::WA_QuitOnClose);
    scale_ = WindowScale(run_.Screen);
    FormCreate();
}

TLockvexMainDlg::~TLockvexMainDlg()
{
    // The filters on the Copy, login, cloud buttons and the password label call back into this
    // window. The base class hides and deletes the controls after this body, when the window is
    // no longer whole, and those events must not reach them.
    qDeleteAll(callbackFilters_);
    callbackFilters_.clear();
    qApp->removeEventFilter(this);
    if (MessageDialogOwner(dlgProcs_.Messages()) == this)
        SetMessageDialogOwner(dlgProcs_.Messages(), nullptr);
}

// ---- creation ----------------------------------------------------------------------------------

void TLockvexMainDlg::FormCreate()
{
    QVBoxLayout *root = WindowFrame::MakeRoot(*this);

    const WindowFrame::THeader header = WindowFrame::MakeHeader(
        *this, QStringLiteral("All your web sign-ons, password protected, in an encrypted file, only on your PC"),
        scale_, [this] { LockvexHelpBtnClick(); });
    HeaderPanel = header.Band;
    HeaderPanel->setObjectName(QStringLiteral("HeaderPanel"));
    LockvexLabel = header.Title;
    LockvexTextLabel = header.Text;
    LockvexHelpBtn = header.HelpBtn;
    // First in the tab order, as it is the first control the eye meets; a click does not take the
    // focus (F1 asks for help anywhere, and the window starts in the search box).
    LockvexHelpBtn->setFocusPolicy(Qt::TabFocus);
    root->addWidget(HeaderPanel);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(Px(Margin, scale_), Px(Gap, scale_), Px(Margin, scale_), Px(Gap, scale_));
    body->setSpacing(Px(Margin, scale_));
    body->addWidget(BuildLeftPanel());
    auto *right = new QVBoxLayout;
    right->setSpacing(Px(SmallGap + 2, scale_));
    right->addWidget(BuildEntryPanel(), 1);
    right->addWidget(BuildFooter());
    body->addLayout(right, 1);
    root->addLayout(body, 1);
    BuildCloudGroupBox();

    ForceClose = new QTimer(this);
    ForceClose->setObjectName(QStringLiteral("ForceClose"));
    ClipboardTimer = new QTimer(this);
    ClipboardTimer->setObjectName(QStringLiteral("ClipboardTimer"));
    ClipboardTimer->setSingleShot(true);

    ApplyLook();
    // The two wide buttons share one width (measured in the window's look), so the boxes beside
    // them line up.
    NewBtn->ensurePolished();
    LoginBtn->ensurePolished();
    const int wide = qMax(NewBtn->sizeHint().width(), LoginBtn->sizeHint().width());
    NewBtn->setFixedWidth(wide);
    LoginBtn->setFixedWidth(wide);
    ConnectHandlers();
    ConnectPasswordHandlers();
    WatchDataFile();
    SetKeyboardOrder();

    // 1-2: the state at creation.
    ItemListTabs->hide();
    MessageShown = false;
    SetMessageDialogOwner(dlgProcs_.Messages(), this, [this] { MessageShown = true; });
    FirstActivate = true;
    CloudGroupBox->hide();
    UseCloudBtnDown = false;

    // 3: help contexts, with F1; the caption ends in the data file's path: assistive tools read a
    // name that says what the window is.
    WindowFrame::SetUp(*this, dlgProcs_.WebHelp(), HelpContexts::MainWindow, QStringLiteral("Lockvex web entries"));
    SetHelpContext(ImportPasswordsBtn, HelpContexts::ImportPasswordsBtn);
    SetHelpContext(TfrMemStickBtn, HelpContexts::TfrMemStickBtn);
    SetHelpContext(NewBtn, HelpContexts::NewBtn);
    SetHelpContext(DeleteItemBtn, HelpContexts::DeleteBtn);
    SetHelpContext(LoginBtn, HelpContexts::LoginBtn);
    SetHelpContext(SaveCloseBtn, HelpContexts::SaveCloseBtn);

    // 4: texts from the dialog support.
    setWindowTitle(dlgProcs_.GetCaption());
    LockvexTextLabel->setText(dlgProcs_.GetLockvexTextLabel());
    VersionLbl->setText(dlgProcs_.LockvexVersion());

    // 5: a scaled window is centred; scale_ already drew it for the screen's height.
    // 6: the tabs share the list's height (TLetterTabs does it).
    // 7-8: the first refresh and the entry it selects.
    ItemListTabs->SetCurrentIndex(0);
    GetDisplayInfo();
    ItemListTabs->show();
    DisplayCurrentItem();

    // 9: read-only mode names who holds the data.
    if (run_.Mode.ReadOnlyMode() && !run_.Folders.DataUserName.isEmpty())
        ReadOnlyLbl->setToolTip(run_.Folders.DataUserName + QStringLiteral(" accessing data"));

    // 10: the idle close.
    ForceClose->setInterval(IdleTickMs);
    ResetIdleCount();
    ForceClose->start();

    // 11.
    ClipboardTimer->stop();
    LoginButtonClicked = false;

    // One filter for the window's controls: any key or click inside the window counts as
    // activity for the idle close; the search box and the name field report entering and
    // leaving; the pictures are clicked.
    qApp->installEventFilter(this);
}

QWidget *TLockvexMainDlg::BuildLeftPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("LeftPanel"));
    panel->setFixedWidth(Px(340, scale_));

    Label1 = new QLabel(QStringLiteral("Search Names"), panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    SetRole(Label1, "caption");
    SearchArg = new QLineEdit(panel);
    SearchArg->setObjectName(QStringLiteral("SearchArg"));
    // The clear button's picture is named rather than left to the style, which would look for
    // "edit-clear" through every folder of the desktop's icon themes (a good part of the
    // window's making): the picture Qt draws when no theme has one, the same on every desktop.
    if (const QString clearPicture = QStringLiteral(":/qt-project.org/styles/commonstyle/images/cleartext-16.png");
        QFile::exists(clearPicture))
        SearchArg->setStyleSheet(
            QStringLiteral("QLineEdit { lineedit-clear-button-icon: url(%1); }").arg(clearPicture));
    SearchArg->setClearButtonEnabled(true);
    SearchArg->setPlaceholderText(QStringLiteral("Type part of a name"));
    SearchArg->setAccessibleName(Label1->text());
    Label1->setBuddy(SearchArg);

    ItemList = new QListView(panel);
    ItemList->setObjectName(QStringLiteral("ItemList"));
    PrepareEntryListView(ItemList);
    listModel_ = new TEntryListModel(this);
    ItemList->setModel(listModel_);
    ItemList->setAccessibleName(QStringLiteral("Website names"));
    ItemListTabs = new TLetterTabs(panel, scale_);
    ItemListTabs->setObjectName(QStringLiteral("ItemListTabs"));
    // The list grows with the window; at its smallest the tabs still take their smallest height.
    ItemList->setMinimumHeight(ItemListTabs->minimumSizeHint().height());
    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(0);
    listRow->addWidget(ItemList, 1);
    listRow->addWidget(ItemListTabs);

    Label2 = new QLabel(QStringLiteral("Select Password"), panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    SetRole(Label2, "caption");
    PasswordCombo = new QComboBox(panel);
    PasswordCombo->setObjectName(QStringLiteral("PasswordCombo"));
    passwordModel_ = new TEntryListModel(this);
    PasswordCombo->setModel(passwordModel_);
    // Sizes from the box, never from its lines, so a refresh over thousands of passwords stays cheap.
    PasswordCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    PasswordCombo->setMinimumContentsLength(16);
    if (auto *view = qobject_cast<QListView *>(PasswordCombo->view()))
        view->setUniformItemSizes(true);
    Label2->setBuddy(PasswordCombo);
    PasswordCombo->setAccessibleName(Label2->text());

    ImportPasswordsBtn = MakeButton(panel, "ImportPasswordsBtn", QStringLiteral("IMPORT PASSWORDS"));
    ImportPasswordsBtn->setToolTip(ImportNote);
    TfrMemStickBtn = MakeButton(panel, "TfrMemStickBtn", QStringLiteral("LOAD MEMORY STICK"));
    TfrMemStickBtn->setToolTip(MemStickNote);
    UseCloudBtn = MakeButton(panel, "UseCloudBtn", QStringLiteral("SAVE IN CLOUD"));
    UseCloudBtn->setToolTip(CloudNote);
    DeleteItemBtn = MakeButton(panel, "DeleteItemBtn", QStringLiteral("DELETE ITEM"));
    SetRole(DeleteItemBtn, "danger");
    VersionLbl = new QLabel(panel);
    VersionLbl->setObjectName(QStringLiteral("VersionLbl"));
    SetRole(VersionLbl, "caption");

    // The support command: reached by its accelerator key only; the buttons cover it. It draws
    // nothing and assistive tools do not see it.
    LogWriteBtn = MakeButton(panel, "LogWriteBtn", QStringLiteral("&LogWrite"));
    LogWriteBtn->setFocusPolicy(Qt::NoFocus);
    LogWriteBtn->setGeometry(0, 0, 1, 1);
    LogWriteBtn->setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; color: transparent; padding: 0px; }"));
    Accessibility::HideFromAssistiveTools(LogWriteBtn);

    auto *commands = new QGridLayout;
    commands->setSpacing(Px(SmallGap, scale_));
    commands->addWidget(ImportPasswordsBtn, 0, 0);
    commands->addWidget(TfrMemStickBtn, 0, 1);
    commands->addWidget(DeleteItemBtn, 1, 0);
    commands->addWidget(UseCloudBtn, 1, 1);

    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Px(SmallGap, scale_));
    column->addWidget(Label1);
    column->addWidget(SearchArg);
    column->addSpacing(Px(2, scale_));
    column->addLayout(listRow, 1);
    column->addSpacing(Px(4, scale_));
    column->addWidget(Label2);
    column->addWidget(PasswordCombo);
    column->addSpacing(Px(SmallGap, scale_));
    column->addLayout(commands);
    column->addWidget(VersionLbl);
    LogWriteBtn->lower();
    return panel;
}

QWidget *TLockvexMainDlg::BuildEntryPanel()
{
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("EntryGroupBox"));

    EntryPanel = new TEntryFieldPanel(box, scale_);

    NewBtn = MakeButton(box, "NewBtn", QStringLiteral("CREATE NEW ITEM"));
    EntryPanel->AddBesideName(NewBtn);
    LoginBtn = MakeButton(box, "LoginBtn", QStringLiteral("GO TO THIS WEBSITE"));
    LoginBtn->setToolTip(LoginBtnNote);
    LoginBtn->setProperty("plainToolTip", LoginBtnNote);
    SetRole(LoginBtn, "primary");
    EntryPanel->AddBesideURL(LoginBtn);
    SuppressPWCheckBox = new QCheckBox(QStringLiteral("Password autocopy"), box);
    SuppressPWCheckBox->setObjectName(QStringLiteral("SuppressPWCheckBox"));
    SuppressPWCheckBox->setToolTip(QStringLiteral(
        "If checked, password will be copied to Clipboard 10 seconds after Customer ID copied to clipboard"));
    EntryPanel->AddToCheckBoxRow(SuppressPWCheckBox);

    ReadOnlyLbl = new QLabel(QStringLiteral("Read Only mode"), box);
    ReadOnlyLbl->setObjectName(QStringLiteral("ReadOnlyLbl"));
    ReadOnlyLbl->setToolTip(QStringLiteral("Another user currently accessing data"));
    SetRole(ReadOnlyLbl, "note");
    ReadOnlyLbl->hide();
    CancelBtn = MakeButton(box, "CancelBtn", QStringLiteral("Cancel"));
    SaveCloseBtn = MakeButton(box, "SaveCloseBtn", QStringLiteral("SAVE && CLOSE"));
    SetRole(SaveCloseBtn, "primary");

    // Hidden helpers of the password features (the character grid is made when first shown).
    const int mark = Px(14, scale_);
    PWCheckedImage = new QLabel(this);
    PWCheckedImage->setObjectName(QStringLiteral("PWCheckedImage"));
    PWCheckedImage->setPixmap(CheckMark(true, mark));
    PWCheckedImage->hide();
    Accessibility::HideFromAssistiveTools(PWCheckedImage);
    PWUncheckedImage = new QLabel(this);
    PWUncheckedImage->setObjectName(QStringLiteral("PWUncheckedImage"));
    PWUncheckedImage->setPixmap(CheckMark(false, mark));
    PWUncheckedImage->hide();
    Accessibility::HideFromAssistiveTools(PWUncheckedImage);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(Px(SmallGap, scale_));
    buttons->addWidget(ReadOnlyLbl);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(SaveCloseBtn);

    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(Px(Margin, scale_), Px(Gap, scale_), Px(Margin, scale_), Px(Gap - 2, scale_));
    column->setSpacing(Px(SmallGap + 2, scale_));
    column->addWidget(EntryPanel, 1);
    column->addLayout(buttons);
    box->setMinimumWidth(Px(600, scale_));
    return box;
}

QWidget *TLockvexMainDlg::BuildFooter()
{
    auto *footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("FooterPanel"));
    SendToFriendBtn = MakeButton(footer, "SendToFriendBtn", QStringLiteral("Share"));
    SendToFriendBtn->setToolTip(ShareNote);
    TellTrelBtn = MakeButton(footer, "TellTrelBtn", QStringLiteral("Tell us what you think"));
    TellTrelBtn->setToolTip(TellNote);
    const int badge = Px(24, scale_);
    FacebookBtn = MakeImage(Badge(QColor(0x3b, 0x59, 0x98), QStringLiteral("f"), badge), "FacebookBtn",
                            QStringLiteral("Facebook"), footer);
    TwitterBtn = MakeImage(Badge(QColor(0x1d, 0x9b, 0xf0), QStringLiteral("t"), badge), "TwitterBtn",
                           QStringLiteral("Twitter"), footer);
    TrelLogoImage = MakeImage(MakerLogo(Px(26, scale_)), "TrelLogoImage",
                              QStringLiteral("Tandrell helps manage your money better"), footer);
    Accessibility::MakeLink(FacebookBtn, QStringLiteral("Facebook"));
    Accessibility::MakeLink(TwitterBtn, QStringLiteral("Twitter"));
    Accessibility::MakeLink(TrelLogoImage, QStringLiteral("Tandrell web site"));

    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Px(SmallGap + 2, scale_));
    row->addWidget(SendToFriendBtn);
    row->addWidget(TellTrelBtn);
    row->addSpacing(Px(SmallGap, scale_));
    row->addWidget(FacebookBtn);
    row->addWidget(TwitterBtn);
    row->addStretch(1);
    row->addWidget(TrelLogoImage);
    return footer;
}

void TLockvexMainDlg::BuildCloudGroupBox()
{
    // Not in a layout: it opens below the "SAVE IN CLOUD" button, over the list.
    CloudGroupBox = new QGroupBox(QStringLiteral("Where your data is held"), this);
    CloudGroupBox->setObjectName(QStringLiteral("CloudGroupBox"));
    struct Place {
        QRadioButton *&Button;
        QLabel *&Image;
        const char *ButtonName;
        const char *ImageName;
        QString Text;
    };
    const Place places[] = {
        {RadioButtonPC, ImagePC, "RadioButtonPC", "ImagePC", QStringLiteral("Only on your PC")},
        {RadioButtonDropbox, ImageDropbox, "RadioButtonDropbox", "ImageDropbox", QStringLiteral("in Dropbox")},
        {RadioButtonGoogleDrive, ImageGoogleDrive, "RadioButtonGoogleDrive", "ImageGoogleDrive",
         QStringLiteral("in Google Drive")},
        {RadioButtonSkyDrive, ImageSkyDrive, "RadioButtonSkyDrive", "ImageSkyDrive", QStringLiteral("in OneDrive")},
    };
    auto *grid = new QGridLayout(CloudGroupBox);
    grid->setContentsMargins(Px(Gap, scale_), Px(Gap + 10, scale_), Px(Gap, scale_), Px(Gap, scale_));
    grid->setSpacing(Px(SmallGap, scale_));
    int row = 0;
    for (const Place &place : places) {
        place.Image = new QLabel(CloudGroupBox);
        place.Image->setObjectName(QString::fromLatin1(place.ImageName));
        place.Button = new QRadioButton(place.Text, CloudGroupBox);
        place.Button->setObjectName(QString::fromLatin1(place.ButtonName));
        Accessibility::HideFromAssistiveTools(place.Image); // the choice's text says it
        grid->addWidget(place.Image, row, 0);
        grid->addWidget(place.Button, row, 1);
        ++row;
    }
    // The choices' texts take the room beside the pictures. The pictures are drawn, and the panel
    // sized, when it first opens (UseCloudBtnClick): most runs never open it.
    grid->setColumnStretch(1, 1);
}

void TLockvexMainDlg::ApplyLook()
{
    WindowFrame::ApplyLook(*this, scale_,
                           QStringLiteral("TLockvexMainDlg { background: @WindowBack; }"
                                          "QLabel#VersionLbl { font-weight: 400; font-size: 11px; }"
                                          "QWidget#LeftPanel QPushButton { font-size: 12px; padding: 4px 8px; }"
                                          "QGroupBox#CloudGroupBox { font-weight: 600; padding-top: 8px; }"
                                          "QGroupBox#CloudGroupBox::title { subcontrol-origin: margin; left: 10px;"
                                          "  top: 6px; color: @Text; }"
                                          "QPushButton#SendToFriendBtn, QPushButton#TellTrelBtn { font-size: 12px;"
                                          "  padding: 3px 12px; }"));
    setAttribute(Qt::WA_StyledBackground);
}

// ---- becoming active ---------------------------------------------------------------------------

void TLockvexMainDlg::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once the window is up and can take the focus.
    if (FirstActivate && !event->spontaneous())
        QTimer::singleShot(0, this, [this] {
            if (FirstActivate)
                FormActivate();
        });
}

void TLockvexMainDlg::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // Windows created later are drawn for the screen only while this one is in its normal state.
        run_.Screen.ScaleForms = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    } else if (event->type() == QEvent::ActivationChange) {
        if (!isActiveWindow()) {
            // Only focus that goes to another window of the program counts when it comes back;
            // returning from another program does not.
            otherWindowActive_ = QApplication::activeWindow() != nullptr;
        } else if (focusOnActivate_) {
            // After the activation has given the focus its own way.
            QTimer::singleShot(0, this, [this] {
                if (focusOnActivate_)
                    focusOnActivate_->setFocus(Qt::OtherFocusReason);
                focusOnActivate_ = nullptr;
            });
        } else if (otherWindowActive_) {
            otherWindowActive_ = false;
            FormActivate();
        }
    }
}

void TLockvexMainDlg::FormActivate()
{
    if (MessageShown) {
        MessageShown = false; // a catalogue message was just closed
        return;
    }
    if (FirstActivate) {
        FirstActivate = false;
        PlaceOnScreen();
    }
    selecting_ = true;
    SelectRow(ItemList, CurrentIndex);
    selecting_ = false;
    ShowHideButtons();
    if (lists_.IsFileEmpty() && !run_.Mode.ReadOnlyMode())
        NewBtnClick(); // an empty safe starts the user on a new entry
    else
        SetFocusWhenActive(SearchArg);
}

// A window not yet active gives its focus to its first control when it becomes active; the
// control meant to have it takes it then.
void TLockvexMainDlg::SetFocusWhenActive(QWidget *control)
{
    control->setFocus(Qt::OtherFocusReason);
    focusOnActivate_ = isActiveWindow() ? nullptr : control;
}

// The stored position and size while the whole window lies there on one screen's free part;
// otherwise, and at the first start, a place and size on the primary screen's free part.
void TLockvexMainDlg::PlaceOnScreen()
{
    const QMargins margins = WindowPlacement::FrameMargins(*this);
    QSize size = WindowPlacement::SizeForScreen(*this);
    int top = 0;
    int left = 0;
    const QSize stored = dlgProcs_.GetDlgSizeInfo(QStringLiteral("DialogWidth"), QStringLiteral("DialogHeight"));
    if (stored.isValid())
        size = stored.expandedTo(minimumSize());
    const QSize frame = size.grownBy(margins);
    dlgProcs_.GetDlgPosnInfo(QStringLiteral("DialogTop"), QStringLiteral("DialogLeft"), frame.width(),
                               frame.height(), top, left);
    WindowPlacement::Place(*this, QRect(QPoint(left, top), size.grownBy(margins)));
}

// ---- wiring ------------------------------------------------------------------------------------

// Tab follows the window as the eye reads it: the header, the left column top to bottom, the
// entry's fields (the panel sets their order, each control beside a field right after it),
// the buttons under them and the footer. The data-location panel comes right after its button.
void TLockvexMainDlg::SetKeyboardOrder()
{
    QWidget *const order[] = {LockvexHelpBtn,
                              SearchArg,
                              ItemList,
                              ItemListTabs,
                              PasswordCombo,
                              ImportPasswordsBtn,
                              TfrMemStickBtn,
                              DeleteItemBtn,
                              UseCloudBtn,
                              RadioButtonPC,
                              RadioButtonDropbox,
                              RadioButtonGoogleDrive,
                              RadioButtonSkyDrive,
                              EntryPanel->ItemName()};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    QWidget *const tail[] = {EntryPanel->ItemDescr(),
                             CancelBtn,
                             SaveCloseBtn,
                             SendToFriendBtn,
                             TellTrelBtn,
                             FacebookBtn,
                             TwitterBtn,
                             TrelLogoImage};
    for (size_t i = 1; i < std::size(tail); ++i)
        setTabOrder(tail[i - 1], tail[i]);
    Accessibility::PressFocusedButtonOnEnter(this);
}

void TLockvexMainDlg::ConnectHandlers()
{
    // A line the user picks (click or arrow key) is handled once the list has finished its own
    // selecting, so that the handler's choice of line is the one that stays.
    connect(ItemList->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (selecting_ || clickPending_)
            return;
        clickPending_ = true;
        QTimer::singleShot(0, this, [this] {
            clickPending_ = false;
            const int row = SelectedRow(ItemList);
            if (row >= 0 && !rules_.IsClosing())
                ItemListClick(row);
        });
    });
    connect(ItemListTabs, &TLetterTabs::TabPressed, this, [this](int tab) { ItemListTabsMouseDown(tab); });
    connect(ItemListTabs, &TLetterTabs::TabReleased, this, [this](int tab) { ItemListTabsMouseUp(tab); });
    // Every change the user makes to the search text (typed, pasted, cleared with the box's
    // clear button) refreshes the list; a change the program makes does not.
    connect(SearchArg, &QLineEdit::textEdited, this, [this] { SearchArgKeyUp(); });
    connect(NewBtn, &QPushButton::clicked, this, [this] { NewBtnClick(); });
    connect(DeleteItemBtn, &QPushButton::clicked, this, [this] { DeleteItemBtnClick(); });
    connect(SaveCloseBtn, &QPushButton::clicked, this, [this] { SaveCloseBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    // Esc is the window's Cancel, except that it first closes what is open over the window: a
    // drop-down or menu (the event filter leaves the key to it), or the data-location panel; and
    // in the search box with a search typed, it clears the search, as the box's clear button does.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (SearchArg->hasFocus() && !SearchArg->text().isEmpty()) {
            SearchArg->clear();
            SearchArgKeyUp();
            return;
        }
        if (UseCloudBtnDown) {
            const bool inPanel = CloudGroupBox->isAncestorOf(QApplication::focusWidget());
            CloseCloudPanel();
            if (inPanel)
                UseCloudBtn->setFocus(Qt::OtherFocusReason);
            return;
        }
        CancelBtnClick();
    });
    connect(SendToFriendBtn, &QPushButton::clicked, this, [this] { SendToFriendBtnClick(); });
    connect(TellTrelBtn, &QPushButton::clicked, this, [this] { TellTrelBtnClick(); });
    connect(LogWriteBtn, &QPushButton::clicked, this, [this] { LogWriteBtnClick(); });
    connect(ForceClose, &QTimer::timeout, this, [this] { ForceCloseTimer(); });
}

namespace
{

// Focus that moves because a message or menu opened, or comes back when it closed, is no
// entering or leaving of a box by the user.
bool UserFocusChange(QEvent *event)
{
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace

// A picture that opens a web site was clicked or pressed by key: its handler runs.
bool TLockvexMainDlg::PressPicture(QObject *watched)
{
    if (watched == FacebookBtn)
        FacebookBtnClick();
    else if (watched == TwitterBtn)
        TwitterBtnClick();
    else if (watched == TrelLogoImage)
        TrelLogoImageClick();
    else
        return false;
    return true;
}

bool TLockvexMainDlg::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
        // Any key or click in any window of the program (the import window, a message) is
        // activity that puts off the idle close.
        if (watched->isWidgetType())
            ResetIdleCount();
        // The pictures that open web sites take Return, Enter and Space as a click.
        if (event->type() == QEvent::KeyPress && Accessibility::IsPressKey(static_cast<QKeyEvent *>(event))) {
            if (PressPicture(watched))
                return true;
            // By keyboard "SAVE IN CLOUD" closes the panel it opened (the pointer closes it on
            // its way to the button, so a click finds it closed).
            if (watched == UseCloudBtn && UseCloudBtnDown) {
                CloseCloudPanel();
                return true;
            }
        }
        break;
    case QEvent::ShortcutOverride:
        // Esc in an open drop-down or menu is the popup's: it closes that alone, and the
        // window's Esc (Cancel) does not see it.
        if (QApplication::activePopupWidget() && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel))
            event->accept();
        break;
    case QEvent::FocusIn:
        if (watched == SearchArg && UserFocusChange(event))
            SearchArgEnter();
        else if (watched == EntryPanel->ItemName() && UserFocusChange(event))
            ItemNameEnter();
        break;
    case QEvent::FocusOut:
        // A click on a control that checks the name itself leaves the check to it; focusWidget()
        // is already that control. A keyboard user hears of the name as the field is left.
        if (watched == EntryPanel->ItemName() && UserFocusChange(event) &&
            !(static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason &&
              ChecksNameOnLeaving(QApplication::focusWidget())))
            ItemNameExit();
        break;
    case QEvent::LayoutRequest:
    case QEvent::Resize:
        // The data-location panel stays with its button when the window's layout moves it.
        if (watched == this && UseCloudBtnDown)
            QTimer::singleShot(0, this, [this] {
                if (UseCloudBtnDown)
                    PlaceCloudGroupBox();
            });
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && PressPicture(watched))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
