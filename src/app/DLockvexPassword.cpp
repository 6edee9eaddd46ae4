#include "app/DLockvexPassword.h"

#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "common/Globals.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

namespace
{

const QString PasswordHint = QStringLiteral("Enter any password already stored in the Lockvex");

// The maker's logo: a rounded badge with the maker's initial and name, drawn so that it stays
// sharp at any scale.
QPixmap MakerLogo(int height)
{
    const qreal ratio = 2.0;
    const int width = height * 4;
    QPixmap logo(QSize(width, height) * ratio);
    logo.setDevicePixelRatio(ratio);
    logo.fill(Qt::transparent);

    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(1, 1, height - 2, height - 2);
    QLinearGradient fill(badge.topLeft(), badge.bottomRight());
    fill.setColorAt(0, QColor(0xf2, 0x9a, 0x3a));
    fill.setColorAt(1, QColor(0xc8, 0x55, 0x1b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(badge, height * 0.22, height * 0.22);

    QFont initial = painter.font();
    initial.setPixelSize(qRound(height * 0.62));
    initial.setBold(true);
    painter.setFont(initial);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("T"));

    QFont name = painter.font();
    name.setPixelSize(qRound(height * 0.46));
    name.setBold(true);
    name.setLetterSpacing(QFont::PercentageSpacing, 104);
    painter.setFont(name);
    painter.setPen(QColor(0x4a, 0x55, 0x63));
    painter.drawText(QRectF(height + height * 0.25, 0, width - height, height), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Tandrell"));
    return logo;
}

// The padlock drawn at the right of the header band.
QPixmap HeaderPadlock(int size)
{
    const qreal ratio = 2.0;
    QPixmap lock(QSize(size, size) * ratio);
    lock.setDevicePixelRatio(ratio);
    lock.fill(Qt::transparent);

    QPainter painter(&lock);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPen shackle(QColor(255, 255, 255, 215), s * 0.1, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(shackle);
    painter.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(s * 0.3, s * 0.5);
    arc.lineTo(s * 0.3, s * 0.32);
    arc.arcTo(QRectF(s * 0.3, s * 0.1, s * 0.4, s * 0.4), 180, -180);
    arc.lineTo(s * 0.7, s * 0.5);
    painter.drawPath(arc);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRoundedRect(QRectF(s * 0.16, s * 0.45, s * 0.68, s * 0.5), s * 0.08, s * 0.08);
    painter.setBrush(QColor(0x1a, 0x4f, 0x82));
    painter.drawEllipse(QPointF(s * 0.5, s * 0.64), s * 0.07, s * 0.07);
    painter.drawRect(QRectF(s * 0.475, s * 0.66, s * 0.05, s * 0.15));
    return lock;
}

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

QString DataLocationText()
{
    if (DataInDropbox)
        return QStringLiteral("     Data in Dropbox");
    if (DataInGoogleDrive)
        return QStringLiteral("Data in Google Drive");
    if (DataInOneDrive)
        return QStringLiteral("   Data in OneDrive");
    return QStringLiteral("   Data on your PC");
}

// ---- the shared frame --------------------------------------------------------------------------

TLockvexSignInDlg::TLockvexSignInDlg(QWidget *parent, TPasswordChecker checker, bool twoPasswords)
    : QDialog(parent), checker_(std::move(checker))
{
    // A window created while ScaleForms is on is drawn for the screen's height.
    if (ScaleForms && ScreenHeight > 0)
        scale_ = double(ScreenHeight) / RefScreenHeight;
    setModal(true);
    BuildControls(twoPasswords);
    ApplyLook();
    InstallHelpKey(this);
}

TLockvexSignInDlg::~TLockvexSignInDlg()
{
    WipeText(UserInput);
}

int TLockvexSignInDlg::Px(int pixels) const
{
    return qMax(1, qRound(pixels * scale_));
}

void TLockvexSignInDlg::BuildControls(bool twoPasswords)
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents

    AdvPanel1 = new QFrame(this);
    AdvPanel1->setObjectName(QStringLiteral("AdvPanel1"));
    AdvPanel1->setLayout(BuildHeader());
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

QBoxLayout *TLockvexSignInDlg::BuildHeader()
{
    Label3 = new QLabel(QStringLiteral("Lockvex"), AdvPanel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(QStringLiteral("Log in for PC"), AdvPanel1);
    Label4->setObjectName(QStringLiteral("Label4"));

    auto *titles = new QVBoxLayout;
    titles->setSpacing(Px(2));
    titles->addWidget(Label3);
    titles->addWidget(Label4);

    auto *padlock = new QLabel(AdvPanel1);
    padlock->setObjectName(QStringLiteral("HeaderPadlock"));
    padlock->setPixmap(HeaderPadlock(Px(46)));

    auto *header = new QHBoxLayout;
    header->setContentsMargins(Px(24), Px(16), Px(22), Px(16));
    header->addLayout(titles);
    header->addStretch(1);
    header->addWidget(padlock);
    return header;
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
    if (twoPasswords)
        Edit2 = BuildPasswordEdit("Edit2");
    Label1 = new QLabel(QStringLiteral("Passwords are case sensitive"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    CaveatLbl = new QLabel(QStringLiteral("Not all passwords in the safe are accepted for log in"), GroupBox1);
    CaveatLbl->setObjectName(QStringLiteral("CaveatLbl"));
    CaveatLbl->setWordWrap(true);

    auto *rule = new QFrame(GroupBox1);
    rule->setObjectName(QStringLiteral("GroupRule"));
    rule->setFixedHeight(1);

    TrelLogoImage = new QLabel(GroupBox1);
    TrelLogoImage->setObjectName(QStringLiteral("TrelLogoImage"));
    TrelLogoImage->setPixmap(MakerLogo(Px(28)));
    TrelLogoImage->setCursor(Qt::PointingHandCursor);
    TrelLogoImage->setToolTip(LockvexAddresses::MakerWebSite);
    DropboxLbl = new QLabel(GroupBox1);
    DropboxLbl->setObjectName(QStringLiteral("DropboxLbl"));
    OKBtn = new QPushButton(QStringLiteral("ENTER"), GroupBox1);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

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

void TLockvexSignInDlg::ApplyLook()
{
    setStyleSheet(ScaledStyleSheet(
        QStringLiteral("TLockvexSignInDlg { background: #eef2f7; }"
                       "QFrame#AdvPanel1 { border: none; background: qlineargradient(x1:0, y1:0, x2:1, y2:1,"
                       "  stop:0 #0e2746, stop:0.55 #1a4f82, stop:1 #2b93b8); }"
                       "QLabel { background: transparent; color: #1f2d3d; font-size: 12px; }"
                       "QLabel#Label3 { color: white; font-size: 30px; font-weight: 700; }"
                       "QLabel#Label4 { color: #cfe2f4; font-size: 14px; }"
                       "QGroupBox#GroupBox1 { background: white; border: 1px solid #d2dae5; border-radius: 8px;"
                       "  margin: 0px; padding: 0px; }"
                       "QLabel#Label2 { font-size: 14px; font-weight: 600; }"
                       "QLabel#Label1 { color: #5b6b7f; }"
                       "QLabel#CaveatLbl { color: #7a4d00; background: #fff5dc; border: 1px solid #efd69a;"
                       "  border-radius: 5px; padding: 5px 8px; }"
                       "QLabel#DropboxLbl { color: #33475b; }"
                       "QFrame#GroupRule { background: #e3e8ef; border: none; }"
                       "QLineEdit { font-size: 16px; padding: 5px 8px; border: 1px solid #b7c3d3; border-radius: 5px;"
                       "  background: #fbfcfe; color: #10243a; lineedit-password-character: 35; }"
                       "QLineEdit:focus { border: 2px solid #2a7fc0; padding: 4px 7px; }"
                       "QPushButton { font-size: 14px; padding: 5px 18px; border-radius: 5px; min-width: 84px;"
                       "  border: 1px solid #b7c3d3; background: #f7f9fc; color: #1f2d3d; }"
                       "QPushButton:hover { background: #e9f1fa; }"
                       "QPushButton:focus { border: 2px solid #2a7fc0; }"
                       "QPushButton:pressed { background: #dbe7f4; }"
                       "QPushButton#OKBtn { color: white; font-weight: 700; border: 1px solid #15518a;"
                       "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3093dc, stop:1 #1b62a6); }"
                       "QPushButton#OKBtn:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                       "  stop:0 #3aa0ea, stop:1 #1f6db6); }"
                       "QPushButton#OKBtn:focus { border: 2px solid #0c3b66; }"
                       "QPushButton#OKBtn:pressed { background: #195c9c; }")));
}

// Sizes in the style sheet are written for the reference screen; a scaled window scales them.
QString TLockvexSignInDlg::ScaledStyleSheet(QString sheet) const
{
    if (qFuzzyCompare(scale_, 1.0))
        return sheet;
    static const QRegularExpression size(QStringLiteral("(\\d+)px"));
    QString scaled;
    qsizetype done = 0;
    for (auto it = size.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int pixels = match.captured(1).toInt();
        scaled += sheet.mid(done, match.capturedStart() - done);
        scaled += QString::number(pixels <= 2 ? pixels : Px(pixels)) + QStringLiteral("px");
        done = match.capturedEnd();
    }
    return scaled + sheet.mid(done);
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
    SetHelpContext(this, HelpContexts::SignIn);
    CaveatLbl->setVisible(LoginPWs > 0);
}

void TLockvexSignInDlg::CentreOnScreen()
{
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TLockvexSignInDlg::OverrideBtnClick()
{
    PWOverride = true;
}

void TLockvexSignInDlg::TrelLogoImageClick()
{
    if (LVDlgProcs != nullptr)
        LVDlgProcs->LVBrowseWebPage(LockvexAddresses::MakerWebSite);
}

bool TLockvexSignInDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TrelLogoImage && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
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
    ShowMessageDlg(MsgCatalogue[MsgWrongPassword]);
    Edit1->clear();
    if (Edit2)
        Edit2->clear();
    Edit1->setFocus();
}

// ---- the one-password dialog -------------------------------------------------------------------

TLockvexPasswordDlg::TLockvexPasswordDlg(TPasswordChecker checker, QWidget *parent)
    : TLockvexSignInDlg(parent, std::move(checker), false)
{
    setObjectName(QStringLiteral("LockvexPasswordDlg"));
    setWindowTitle(QStringLiteral("Lockvex access password"));
    Label2->setText(QStringLiteral("Please enter one of the passwords in the safe:"));
    DropboxLbl->setText(DataLocationText());
    // Tab order: the group (Edit1, then ENTER), then Override, then Cancel.
    setTabOrder(Edit1, OKBtn);
    setTabOrder(OKBtn, OverrideBtn);
    setTabOrder(OverrideBtn, CancelBtn);
}

void TLockvexPasswordDlg::OKBtnClick()
{
    UserInput = TakeTypedPassword(Edit1);
    // Support override: with the support marker file present, Override followed by ENTER on an
    // empty box signs in without a password.
    const bool supportOverride =
        PWOverride && UserInput.isEmpty() && LVDlgProcs != nullptr && LVDlgProcs->CustomerSupportOverride();
    const bool accepted = supportOverride || CheckPassword(UserInput);
    WipeText(UserInput);
    if (accepted)
        accept();
    else
        RefuseAttempt();
}
