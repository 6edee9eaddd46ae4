#include "ui/messages/MessageDialog.h"

#include "platform/Platform.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace
{

// Look: each message type has its own colour scheme, kept with the program's other colours.
using LockvexStyle::TMsgScheme;

const TMsgScheme &SchemeFor(MessageType type)
{
    switch (type) {
    case mtInformation:
        return LockvexStyle::MessageScheme(LockvexStyle::TSchemeKind::Information);
    case mtError:
        return LockvexStyle::MessageScheme(LockvexStyle::TSchemeKind::Error);
    case mtWarning:
        return LockvexStyle::MessageScheme(LockvexStyle::TSchemeKind::Warning);
    case mtConfirmation:
        return LockvexStyle::MessageScheme(LockvexStyle::TSchemeKind::Confirmation);
    case mtCustom:
        break;
    }
    return LockvexStyle::MessageScheme(LockvexStyle::TSchemeKind::Custom);
}

// The type's picture: a disc with "i", a disc with a cross, a triangle with "!", a disc with "?",
// or the program's padlock.
void PaintDisc(QPainter &p, const QRectF &box, const QColor &face)
{
    QRadialGradient shade(box.center() - QPointF(box.width() * 0.2, box.height() * 0.25), box.width() * 0.75);
    shade.setColorAt(0, face.lighter(135));
    shade.setColorAt(1, face.darker(112));
    p.setPen(QPen(face.darker(140), box.width() * 0.03));
    p.setBrush(shade);
    p.drawEllipse(box);
}

void PaintInformation(QPainter &p, const QRectF &box, const TMsgScheme &s)
{
    PaintDisc(p, box, s.IconFace);
    const qreal w = box.width();
    p.setPen(Qt::NoPen);
    p.setBrush(s.IconMark);
    p.drawEllipse(QPointF(box.center().x(), box.top() + w * 0.28), w * 0.07, w * 0.07);
    p.drawRoundedRect(QRectF(box.center().x() - w * 0.065, box.top() + w * 0.41, w * 0.13, w * 0.36), w * 0.05,
                      w * 0.05);
}

void PaintError(QPainter &p, const QRectF &box, const TMsgScheme &s)
{
    PaintDisc(p, box, s.IconFace);
    const qreal w = box.width();
    p.setPen(QPen(s.IconMark, w * 0.12, Qt::SolidLine, Qt::RoundCap));
    const QRectF cross = box.adjusted(w * 0.32, w * 0.32, -w * 0.32, -w * 0.32);
    p.drawLine(cross.topLeft(), cross.bottomRight());
    p.drawLine(cross.topRight(), cross.bottomLeft());
}

void PaintWarning(QPainter &p, const QRectF &box, const TMsgScheme &s)
{
    const qreal w = box.width();
    QPainterPath triangle;
    triangle.moveTo(box.center().x(), box.top() + w * 0.06);
    triangle.lineTo(box.right() - w * 0.03, box.bottom() - w * 0.08);
    triangle.lineTo(box.left() + w * 0.03, box.bottom() - w * 0.08);
    triangle.closeSubpath();
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0, s.IconFace.lighter(125));
    shade.setColorAt(1, s.IconFace.darker(108));
    p.setPen(QPen(s.IconFace.darker(150), w * 0.05, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(shade);
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(s.IconMark);
    p.drawRoundedRect(QRectF(box.center().x() - w * 0.055, box.top() + w * 0.33, w * 0.11, w * 0.32), w * 0.05,
                      w * 0.05);
    p.drawEllipse(QPointF(box.center().x(), box.top() + w * 0.76), w * 0.065, w * 0.065);
}

void PaintConfirmation(QPainter &p, const QRectF &box, const TMsgScheme &s)
{
    PaintDisc(p, box, s.IconFace);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qRound(box.height() * 0.62));
    p.setFont(font);
    p.setPen(s.IconMark);
    p.drawText(box.translated(0, box.height() * 0.02), Qt::AlignCenter, QStringLiteral("?"));
}

void PaintPadlock(QPainter &p, const QRectF &box, const TMsgScheme &s)
{
    const qreal w = box.width();
    const QRectF body(box.left() + w * 0.16, box.top() + w * 0.44, w * 0.68, w * 0.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(s.IconFace.darker(115), w * 0.11, Qt::SolidLine, Qt::RoundCap));
    const QRectF shackle(box.left() + w * 0.29, box.top() + w * 0.08, w * 0.42, w * 0.56);
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
    p.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), body.top()));
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, s.IconFace.lighter(125));
    shade.setColorAt(1, s.IconFace.darker(110));
    p.setPen(QPen(s.IconFace.darker(150), w * 0.03));
    p.setBrush(shade);
    p.drawRoundedRect(body, w * 0.08, w * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(s.IconMark);
    p.drawEllipse(QPointF(body.center().x(), body.top() + body.height() * 0.4), w * 0.07, w * 0.07);
    p.drawRect(QRectF(body.center().x() - w * 0.03, body.top() + body.height() * 0.4, w * 0.06, body.height() * 0.35));
}

QPixmap MessageIcon(MessageType type, const TMsgScheme &scheme, int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, 1.5, size - 3, size - 3);
    switch (type) {
    case mtInformation:
        PaintInformation(p, box, scheme);
        break;
    case mtError:
        PaintError(p, box, scheme);
        break;
    case mtWarning:
        PaintWarning(p, box, scheme);
        break;
    case mtConfirmation:
        PaintConfirmation(p, box, scheme);
        break;
    case mtCustom:
        PaintPadlock(p, box, scheme);
        break;
    }
    return pixmap;
}

// The gradient band across the top of the dialog that carries the picture and the caption.
class TMessageBand : public QWidget
{
public:
    TMessageBand(const TMsgScheme &scheme, QWidget *parent) : QWidget(parent), scheme_(scheme) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient shade(0, 0, 0, height());
        shade.setColorAt(0, scheme_.BandTop);
        shade.setColorAt(1, scheme_.BandBottom);
        p.fillRect(rect(), shade);
        // A soft sheen on the upper half, as the office looks have.
        QLinearGradient sheen(0, 0, 0, height() / 2.0);
        sheen.setColorAt(0, LockvexStyle::MessageBandSheen);
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        p.fillRect(QRect(0, 0, width(), height() / 2), sheen);
        p.setPen(scheme_.BandLine);
        p.drawLine(0, height() - 1, width(), height() - 1);
    }

private:
    TMsgScheme scheme_;
};

QString StyleSheetFor(const TMsgScheme &s)
{
    return QStringLiteral(
               "QDialog { background-color: %1; }"
               "QLabel#MsgLbl { color: %2; }"
               "QLabel#TitleLbl { color: %3; background: transparent; }"
               "QFrame#RuleLine { background-color: %4; border: none; }"
               "QPushButton { color: %5; min-width: 84px; min-height: 28px; padding: 0px 18px;"
               " border: 1px solid %6; border-radius: 5px;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %7, stop:1 %8); }"
               // The thicker border of the default button takes from its padding, not its size.
               "QPushButton:default { border: 2px solid %6; min-height: 26px; padding: 0px 17px; }"
               "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %9, stop:1 %10); }"
               "QPushButton:pressed { background: %10; }"
               // The focused button is framed in the text's colour, far from its unfocused frame.
               "QPushButton:focus { border: 2px solid %2; }")
        .arg(s.Body.name(), s.BodyText.name(), s.TitleText.name(), s.Rule.name(), s.ButtonText.name(),
             s.ButtonBorder.name(), s.ButtonTop.name(), s.ButtonBottom.name(), s.HoverTop.name())
        .arg(s.HoverBottom.name());
}

// Folder names have no blanks to wrap at; a zero-width space after each separator lets a long
// path wrap instead of widening the dialog past the screen.
QString WithPathBreaks(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('/'), QStringLiteral("/\u200b"));
    return result;
}

constexpr int IconSize = 40;
constexpr int TextWidth = 400; // the width the caption and text wrap at

QLabel *MakeTitleLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(WithPathBreaks(caption), parent);
    label->setObjectName(QStringLiteral("TitleLbl"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setFixedWidth(TextWidth - 2 * IconSize);
    return label;
}

QWidget *MakeHeaderBand(const TShownMessage &message, const TMsgScheme &scheme, QWidget *parent)
{
    auto *band = new TMessageBand(scheme, parent);
    band->setObjectName(QStringLiteral("HeaderBand"));
    auto *row = new QHBoxLayout(band);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(14);
    auto *icon = new QLabel(band);
    icon->setObjectName(QStringLiteral("TypeIcon"));
    icon->setPixmap(MessageIcon(message.DlgType, scheme, IconSize, parent->devicePixelRatioF()));
    icon->setFixedSize(IconSize, IconSize);
    Accessibility::HideFromAssistiveTools(icon); // the dialog's name says the message's kind
    if (message.Caption.isEmpty()) {
        row->addStretch(1);
        row->addWidget(icon);
        row->addStretch(1);
        return band;
    }
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(MakeTitleLabel(message.Caption, band), 1);
    row->addSpacing(IconSize); // keeps the caption centred across the whole band
    return band;
}

QLabel *MakeMessageLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(WithPathBreaks(text), parent);
    label->setObjectName(QStringLiteral("MsgLbl"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.08);
    label->setFont(font);
    label->setFixedWidth(TextWidth);
    return label;
}

QPushButton *AddButton(QDialog *dialog, QHBoxLayout *row, const QString &text, bool accepts)
{
    auto *button = new QPushButton(text, dialog);
    button->setObjectName(text + QStringLiteral("Btn"));
    button->setCursor(Qt::PointingHandCursor);
    QObject::connect(button, &QPushButton::clicked, dialog, accepts ? &QDialog::accept : &QDialog::reject);
    row->addWidget(button);
    return button;
}

QHBoxLayout *MakeButtonRow(const QStringList &buttons, const QString &defaultButton, QDialog *dialog)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(20, 12, 20, 16);
    row->setSpacing(12);
    row->addStretch(1);
    QPushButton *chosen = nullptr;
    for (const QString &text : buttons) {
        QPushButton *button = AddButton(dialog, row, text, text != QLatin1String("No"));
        if (!chosen || text == defaultButton)
            chosen = button;
    }
    row->addStretch(1);
    // Return presses the default button: No on a question whose Yes would lose something.
    if (chosen) {
        chosen->setDefault(true);
        chosen->setFocus();
    }
    return row;
}

QWidget *DialogParent(QWidget *owner)
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return owner;
}

// Centred over the main window once there is one, otherwise over the screen; kept on the screen.
void CentreDialog(QDialog &dialog, QWidget *owner)
{
    const bool overOwner = owner && !owner->isMinimized() && owner->width() > 0;
    const QPoint centre =
        overOwner ? owner->frameGeometry().center() : platform::Current().Screen().PrimaryArea().center();
    dialog.move(WindowPlacement::CentredOn(centre, dialog.size()));
}

} // namespace

bool RunMessageDialog(const TShownMessage &message, QObject *owner)
{
    // Without a GUI application there is nobody to ask; the safe answer is No.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    QWidget *mainWindow = qobject_cast<QWidget *>(owner);
    QPointer<QDialog> dialog = CreateMessageDialog(message, DialogParent(mainWindow));
    CentreDialog(*dialog, mainWindow);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return accepted;
}

QDialog *CreateMessageDialog(const TShownMessage &message, QWidget *parent)
{
    const TMsgScheme &scheme = SchemeFor(message.DlgType);
    auto *dialog =
        new QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setObjectName(QStringLiteral("LockvexMsgDlg"));
    dialog->setWindowTitle(message.Caption);
    // Assistive tools read a name for every message, also one without a caption, and its text.
    static const char *const kinds[] = {"Information", "Error", "Warning", "Question", "Lockvex message"};
    dialog->setAccessibleName(message.Caption.isEmpty() ? QString::fromLatin1(kinds[message.DlgType])
                                                        : message.Caption);
    dialog->setAccessibleDescription(message.Text);
    dialog->setModal(true);
    dialog->setStyleSheet(StyleSheetFor(scheme));

    auto *column = new QVBoxLayout(dialog);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(MakeHeaderBand(message, scheme, dialog));

    auto *body = new QVBoxLayout;
    body->setContentsMargins(28, 22, 28, 20);
    body->addWidget(MakeMessageLabel(message.Text, dialog), 0, Qt::AlignHCenter);
    column->addLayout(body);

    auto *rule = new QFrame(dialog);
    rule->setObjectName(QStringLiteral("RuleLine"));
    rule->setFixedHeight(1);
    column->addWidget(rule);
    column->addLayout(MakeButtonRow(message.Buttons, message.DefaultButton, dialog));
    dialog->ensurePolished(); // the style sheet's sizes count only once polished
    dialog->adjustSize();
    return dialog;
}
void SetMessageDialogOwner(TLockvexMessages &messages, QWidget *mainWindow, std::function<void()> messageShown)
{
    messages.SetOwner(mainWindow);
    messages.SetMessageShownCall(mainWindow ? std::move(messageShown) : std::function<void()>());
}

QWidget *MessageDialogOwner(const TLockvexMessages &messages)
{
    return qobject_cast<QWidget *>(messages.Owner());
}
