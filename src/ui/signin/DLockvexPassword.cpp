#include "ui/signin/DLockvexPassword.h"

#include "app/DataLocation.h"
#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/RunState.h"
#include "entries/MgrLockvexLists.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString PasswordHint = QStringLiteral("Enter any password already stored in the Lockvex");

} // namespace

// Overwrites a text's characters before it is let go, so a typed password lingers in freed
// memory as briefly as Qt allows. A text still shared with another owner is only released.
void TLockvexSignInDlg::WipeText(QString &text)
{
    if (text.isDetached())
        text.fill(QChar(0));
    text.clear();
}

QString TrimTypedPassword(const QString &typed)
{
    qsizetype first = 0;
    qsizetype last = typed.size();
    while (first < last && typed.at(first).unicode() <= 32)
        ++first;
    while (last > first && typed.at(last - 1).unicode() <= 32)
        --last;
    return typed.mid(first, last - first);
}

QString DataLocationText(const TDataLocation &location)
{
    if (const int client = location.DataClient(); client < CloudClientCount)
        return CloudClients[size_t(client)].SignInText;
    return QStringLiteral("   Data on your PC");
}

// ---- the shared frame --------------------------------------------------------------------------

TLockvexSignInDlg::TLockvexSignInDlg(QWidget *parent, const TSignInNeeds &needs, bool twoPasswords)
    : QDialog(parent), run_(needs.Run), dlgProcs_(needs.LVDlgProcs), checker_(needs.CheckPassword), lists_(needs.ListManager)
{
    // A window created while ScaleForms is on is drawn for the screen's height.
    scale_ = LockvexStyle::WindowScale(run_.Screen);
    setModal(true);
    BuildControls(twoPasswords);
    ApplyLook();
    WindowFrame::SetUp(*this, dlgProcs_.WebHelp(), HelpContexts::SignIn);
}

TLockvexSignInDlg::~TLockvexSignInDlg()
{
    WipeText(UserInput);
}

int TLockvexSignInDlg::Px(int pixels) const
{
    return LockvexStyle::Px(pixels, scale_);
}

void TLockvexSignInDlg::BuildControls(bool twoPasswords)
{
    QVBoxLayout *root = WindowFrame::MakeRoot(*this);
    root->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents

    BuildHeader();
    root->addWidget(AdvPanel1);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(Px(18), Px(16), Px(18), Px(14));
    body->setSpacing(Px(12));
    body->addWidget(BuildGroup(twoPasswords));

    OverrideBtn = new QPushButton(QStringLiteral("&Override"), this);
    OverrideBtn->setObjectName(QStringLiteral("OverrideBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(OverrideBtn);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    body->addLayout(buttons);
    root->addLayout(body);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(OverrideBtn, &QPushButton::clicked, this, [this] { OverrideBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    TrelLogoImage->installEventFilter(this);
}

void TLockvexSignInDlg::BuildHeader()
{
    // The sign-in's band has no HELP button: F1 asks for help.
    const WindowFrame::THeader header =
        WindowFrame::MakeHeader(*this, QStringLiteral("Log in for PC"), scale_, {}, false);
    AdvPanel1 = header.Band;
    AdvPanel1->setObjectName(QStringLiteral("AdvPanel1"));
    Label3 = header.Title;
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = header.Text;
    Label4->setObjectName(QStringLiteral("Label4"));
}

QLineEdit *TLockvexSignInDlg::BuildPasswordEdit(const char *name)
{
    auto *edit = new QLineEdit(GroupBox1);
    edit->setObjectName(QString::fromLatin1(name));
    // Every typed character shows as "#" (the style sheet's password character) where the style
    // draws it, otherwise as the style's own mask; copying out of the box is off in this mode.
    edit->setEchoMode(QLineEdit::Password);
    edit->setToolTip(PasswordHint);
    edit->setAccessibleDescription(PasswordHint);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setMinimumWidth(Px(360));
    return edit;
}

QGroupBox *TLockvexSignInDlg::BuildGroup(bool twoPasswords)
{
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));

    Label2 = new QLabel(GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1 = BuildPasswordEdit("Edit1");
    Label2->setBuddy(Edit1);
    Edit1->setAccessibleName(twoPasswords ? QStringLiteral("First password") : QStringLiteral("Password"));
    if (twoPasswords) {
        Edit2 = BuildPasswordEdit("Edit2");
        Edit2->setAccessibleName(QStringLiteral("Second password"));
    }
    Label1 = new QLabel(QStringLiteral("Passwords are case sensitive"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    CaveatLbl = new QLabel(QStringLiteral("Not all passwords in the safe are accepted for log in"), GroupBox1);
    CaveatLbl->setObjectName(QStringLiteral("CaveatLbl"));
    CaveatLbl->setWordWrap(true);
    LockvexStyle::SetRole(CaveatLbl, "note");

    auto *rule = new QFrame(GroupBox1);
    rule->setObjectName(QStringLiteral("GroupRule"));
    rule->setFixedHeight(1);

    TrelLogoImage = new QLabel(GroupBox1);
    TrelLogoImage->setObjectName(QStringLiteral("TrelLogoImage"));
    TrelLogoImage->setPixmap(LockvexStyle::MakerLogo(Px(28)));
    TrelLogoImage->setCursor(Qt::PointingHandCursor);
    TrelLogoImage->setToolTip(LockvexAddresses::MakerWebSite);
    // Named for assistive tools, whose press action reaches it; the dialog's tab order stays the
    // boxes' and buttons'.
    Accessibility::MakeLink(TrelLogoImage, QStringLiteral("Tandrell web site"));
    TrelLogoImage->setFocusPolicy(Qt::NoFocus);
    DropboxLbl = new QLabel(GroupBox1);
    DropboxLbl->setObjectName(QStringLiteral("DropboxLbl"));
    OKBtn = new QPushButton(QStringLiteral("ENTER"), GroupBox1);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    LockvexStyle::SetRole(OKBtn, "primary");

    auto *footer = new QHBoxLayout;
    footer->setSpacing(Px(10));
    footer->addWidget(TrelLogoImage);
    footer->addWidget(DropboxLbl, 1);
    footer->addWidget(OKBtn);

    auto *group = new QVBoxLayout(GroupBox1);
    group->setContentsMargins(Px(18), Px(16), Px(18), Px(14));
    group->setSpacing(Px(8));
    group->addWidget(Label2);
    group->addWidget(Edit1);
    if (Edit2)
        group->addWidget(Edit2);
    group->addWidget(Label1);
    group->addWidget(CaveatLbl);
    group->addSpacing(Px(4));
    group->addWidget(rule);
    group->addSpacing(Px(2));
    group->addLayout(footer);
    return GroupBox1;
}

// The program's shared look, with the sign-in's larger password boxes and buttons.
void TLockvexSignInDlg::ApplyLook()
{
    WindowFrame::ApplyLook(
        *this, scale_,
        QStringLiteral("QGroupBox#GroupBox1 { margin: 0px; padding: 0px; }"
                       "QLabel#Label2 { font-size: 14px; font-weight: 600; }"
                       "QLabel#Label1 { color: @MutedText; }"
                       "QLabel#CaveatLbl { padding: 5px 8px; }"
                       "QLabel#DropboxLbl { color: @LocationText; }"
                       "QFrame#GroupRule { background: @Rule; border: none; }"
                       "QLineEdit { font-size: 16px; padding: 5px 8px; lineedit-password-character: 35; }"
                       "QLineEdit:focus { padding: 4px 7px; }"
                       "QPushButton { font-size: 14px; padding: 5px 18px; min-width: 84px; }"));
}

// ---- behaviour ---------------------------------------------------------------------------------

void TLockvexSignInDlg::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        FormActivate();
        CentreOnScreen();
    }
    QDialog::setVisible(visible);
}

void TLockvexSignInDlg::FormActivate()
{
    PWOverride = false;
    Edit1->clear();
    if (Edit2)
        Edit2->clear();
    Edit1->setFocus();
    CaveatLbl->setVisible(lists_.LoginPWs > 0);
}

void TLockvexSignInDlg::CentreOnScreen()
{
    WindowPlacement::CentreOnScreen(*this);
}

void TLockvexSignInDlg::OverrideBtnClick()
{
    PWOverride = true;
}

void TLockvexSignInDlg::TrelLogoImageClick()
{
    dlgProcs_.LVBrowseWebPage(LockvexAddresses::MakerWebSite);
}

bool TLockvexSignInDlg::eventFilter(QObject *watched, QEvent *event)
{
    const bool click =
        event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    const bool press = event->type() == QEvent::KeyPress && Accessibility::IsPressKey(static_cast<QKeyEvent *>(event));
    if (watched == TrelLogoImage && (click || press)) {
        TrelLogoImageClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TLockvexSignInDlg::CheckPassword(const QString &password) const
{
    return checker_ && checker_(password);
}

QString TLockvexSignInDlg::TakeTypedPassword(QLineEdit *edit)
{
    QString typed = edit->text();
    edit->clear();
    QString trimmed = TrimTypedPassword(typed);
    WipeText(typed);
    return trimmed;
}

void TLockvexSignInDlg::RefuseAttempt()
{
    dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgWrongPassword]);
    Edit1->clear();
    if (Edit2)
        Edit2->clear();
    Edit1->setFocus();
}

// ---- the one-password dialog -------------------------------------------------------------------

TLockvexPasswordDlg::TLockvexPasswordDlg(const TSignInNeeds &needs, QWidget *parent)
    : TLockvexSignInDlg(parent, needs, false)
{
    setObjectName(QStringLiteral("LockvexPasswordDlg"));
    setWindowTitle(QStringLiteral("Lockvex access password"));
    Label2->setText(QStringLiteral("Please enter one of the passwords in the safe:"));
    DropboxLbl->setText(DataLocationText(run_.Location));
    // Tab order: the group (Edit1, then ENTER), then Override, then Cancel.
    setTabOrder(Edit1, OKBtn);
    setTabOrder(OKBtn, OverrideBtn);
    setTabOrder(OverrideBtn, CancelBtn);
}

void TLockvexPasswordDlg::OKBtnClick()
{
    UserInput = TakeTypedPassword(Edit1);
    // Support override: with the support marker file present, Override followed by ENTER on an
    // empty box signs in without a password. Only on the PC: from a memory stick the marker would
    // be looked for on whatever computer the stick is put into.
    const bool supportOverride =
        !run_.Mode.MemStickMode() && PWOverride && UserInput.isEmpty() && dlgProcs_.CustomerSupportOverride();
    const bool accepted = supportOverride || CheckPassword(UserInput);
    WipeText(UserInput);
    if (accepted)
        accept();
    else
        RefuseAttempt();
}
