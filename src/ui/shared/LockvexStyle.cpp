#include "ui/shared/LockvexStyle.h"

#include "app/RunState.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QVariant>
#include <QWidget>

namespace LockvexStyle
{

namespace
{

const QHash<QString, QColor> &Tokens()
{
    using namespace Colour;
    static const QHash<QString, QColor> tokens{
        {QStringLiteral("WindowBack"), WindowBack},
        {QStringLiteral("Text"), Text},
        {QStringLiteral("MutedText"), MutedText},
        {QStringLiteral("HeaderStart"), HeaderStart},
        {QStringLiteral("HeaderMid"), HeaderMid},
        {QStringLiteral("HeaderEnd"), HeaderEnd},
        {QStringLiteral("HeaderTitle"), HeaderTitle},
        {QStringLiteral("HeaderText"), HeaderText},
        {QStringLiteral("PanelBack"), PanelBack},
        {QStringLiteral("PanelBorder"), PanelBorder},
        {QStringLiteral("Rule"), Rule},
        {QStringLiteral("FieldBack"), FieldBack},
        {QStringLiteral("FieldReadOnly"), FieldReadOnly},
        {QStringLiteral("FieldBorder"), FieldBorder},
        {QStringLiteral("FieldText"), FieldText},
        {QStringLiteral("Focus"), Focus},
        {QStringLiteral("FocusRing"), FocusRing},
        {QStringLiteral("SelectionBack"), SelectionBack},
        {QStringLiteral("ButtonBack"), ButtonBack},
        {QStringLiteral("ButtonHover"), ButtonHover},
        {QStringLiteral("ButtonPressed"), ButtonPressed},
        {QStringLiteral("PrimaryTop"), PrimaryTop},
        {QStringLiteral("PrimaryBottom"), PrimaryBottom},
        {QStringLiteral("PrimaryHoverTop"), PrimaryHoverTop},
        {QStringLiteral("PrimaryHoverBottom"), PrimaryHoverBottom},
        {QStringLiteral("PrimaryBorder"), PrimaryBorder},
        {QStringLiteral("PrimaryFocus"), PrimaryFocus},
        {QStringLiteral("PrimaryPressed"), PrimaryPressed},
        {QStringLiteral("DisabledText"), DisabledText},
        {QStringLiteral("DisabledBack"), DisabledBack},
        {QStringLiteral("DangerText"), DangerText},
        {QStringLiteral("DangerBorder"), DangerBorder},
        {QStringLiteral("NoteText"), NoteText},
        {QStringLiteral("NoteBack"), NoteBack},
        {QStringLiteral("NoteBorder"), NoteBorder},
        {QStringLiteral("LocationText"), LocationText},
        {QStringLiteral("LogoTop"), LogoTop},
        {QStringLiteral("LogoBottom"), LogoBottom},
        {QStringLiteral("LogoText"), LogoText},
        {QStringLiteral("QualityWeak"), QualityWeak},
        {QStringLiteral("QualitySoSo"), QualitySoSo},
        {QStringLiteral("QualityOK"), QualityOK},
        {QStringLiteral("HeaderButtonBack"), HeaderButtonBack},
        {QStringLiteral("HeaderButtonHover"), HeaderButtonHover},
        {QStringLiteral("HeaderButtonPressed"), HeaderButtonPressed},
        {QStringLiteral("HeaderButtonBorder"), HeaderButtonBorder},
    };
    return tokens;
}

QString WithColours(const QString &sheet)
{
    static const QRegularExpression token(QStringLiteral("@([A-Za-z]+)"));
    QString result;
    qsizetype done = 0;
    for (auto it = token.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto colour = Tokens().constFind(match.captured(1));
        if (colour == Tokens().constEnd())
            continue; // not a colour of the palette: left as written
        result += sheet.mid(done, match.capturedStart() - done);
        result += colour->alpha() == 255 ? colour->name() : colour->name(QColor::HexArgb);
        done = match.capturedEnd();
    }
    return result + sheet.mid(done);
}

QString WithScaledSizes(const QString &sheet, double scale)
{
    if (qFuzzyCompare(scale, 1.0))
        return sheet;
    static const QRegularExpression size(QStringLiteral("(\\d+)px"));
    QString result;
    qsizetype done = 0;
    for (auto it = size.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int pixels = match.captured(1).toInt();
        result += sheet.mid(done, match.capturedStart() - done);
        // Hairlines stay hairlines.
        result += QString::number(pixels <= 2 ? pixels : Px(pixels, scale)) + QStringLiteral("px");
        done = match.capturedEnd();
    }
    return result + sheet.mid(done);
}

} // namespace

const TMsgScheme &MessageScheme(TSchemeKind kind)
{
    // Silver for information, blue for errors, olive for warnings, a lighter blue for questions,
    // and the program's own indigo and gold for anything custom.
    static const TMsgScheme silver2010{"#fdfdfe", "#c9d1dc", "#9aa6b6", "#263241", "#f5f7f9",
                                       "#26303b", "#dde2e8", "#ffffff", "#dfe4ea", "#8c99a9",
                                       "#1f2a37", "#fff4d6", "#ffe08a", "#4f7db3", "#ffffff"};
    static const TMsgScheme blue2003{"#32599e", "#24509f", "#1b4089", "#ffffff", "#eef3fc",
                                     "#0f1f3d", "#c9d9f3", "#ffffff", "#c6d9f8", "#3d6ec4",
                                     "#0f2a5c", "#ffe3a8", "#f8b84e", "#d9352b", "#ffffff"};
    static const TMsgScheme olive2003{"#4f5b25", "#46521e", "#363f16", "#ffffff", "#f7f8ef",
                                      "#2c3115", "#dde3c4", "#fdfef7", "#dde5bd", "#71813a",
                                      "#2c3115", "#ffe3a8", "#f8b84e", "#f4b41a", "#3a2d05"};
    static const TMsgScheme blue2007{"#f1f7ff", "#a9c8ef", "#84a9dc", "#15428b", "#f6faff",
                                     "#15315c", "#d4e3f6", "#ffffff", "#d5e4f8", "#8aafe0",
                                     "#15428b", "#fff1b8", "#ffd24f", "#2f6fc9", "#ffffff"};
    static const TMsgScheme lockvexCustom{"#5a4b8a", "#221c3b", "#16122a", "#ffffff", "#f8f6fc",
                                          "#2a2438", "#e4dff0", "#ffffff", "#e8e3f3", "#5b4d8a",
                                          "#231d3a", "#fbefcf", "#eccb7a", "#e8b64c", "#221c3b"};
    switch (kind) {
    case TSchemeKind::Information:
        return silver2010;
    case TSchemeKind::Error:
        return blue2003;
    case TSchemeKind::Warning:
        return olive2003;
    case TSchemeKind::Confirmation:
        return blue2007;
    case TSchemeKind::Custom:
        break;
    }
    return lockvexCustom;
}

QPalette WindowPalette()
{
    using namespace Colour;
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, WindowBack);
        palette.setColor(group, QPalette::WindowText, Text);
        palette.setColor(group, QPalette::Base, FieldBack);
        palette.setColor(group, QPalette::AlternateBase, FieldReadOnly);
        palette.setColor(group, QPalette::Text, FieldText);
        palette.setColor(group, QPalette::PlaceholderText, MutedText);
        palette.setColor(group, QPalette::Button, ButtonBack);
        palette.setColor(group, QPalette::ButtonText, Text);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Light, Qt::white);
        palette.setColor(group, QPalette::Midlight, Rule);
        palette.setColor(group, QPalette::Mid, FieldBorder);
        palette.setColor(group, QPalette::Dark, MutedText);
        palette.setColor(group, QPalette::Shadow, Text);
        palette.setColor(group, QPalette::Highlight, Focus);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, Focus);
        palette.setColor(group, QPalette::ToolTipBase, PanelBack);
        palette.setColor(group, QPalette::ToolTipText, Text);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, MutedText);
    return palette;
}

double WindowScale(const TScreenMetrics &screen)
{
    if (screen.ScaleForms && screen.ScreenHeight > 0)
        return double(screen.ScreenHeight) / RefScreenHeight;
    return 1.0;
}

int Px(int pixels, double scale)
{
    return qMax(1, qRound(pixels * scale));
}

QString Sheet(const QString &sheet, double scale)
{
    return WithScaledSizes(WithColours(sheet), scale);
}

QString WindowSheet(double scale)
{
    static const QString rules = QStringLiteral(
        "QDialog, QMainWindow { background: @WindowBack; }"
        "QLabel { background: transparent; color: @Text; font-size: 12px; }"
        "QLabel[lvRole=\"caption\"] { font-size: 12px; font-weight: 600; color: @MutedText; }"
        "QLabel[lvRole=\"note\"] { color: @NoteText; background: @NoteBack; border: 1px solid @NoteBorder;"
        "  border-radius: 5px; padding: 3px 8px; }"
        "QGroupBox { background: @PanelBack; border: 1px solid @PanelBorder; border-radius: 8px; }"
        "QLineEdit, QPlainTextEdit, QComboBox { font-size: 13px; padding: 3px 6px; border: 1px solid @FieldBorder;"
        "  border-radius: 5px; background: @FieldBack; color: @FieldText; selection-background-color: @Focus;"
        "  selection-color: white; }"
        "QLineEdit:focus, QPlainTextEdit:focus, QComboBox:focus { border: 2px solid @FocusRing; padding: 2px 5px; }"
        "QLineEdit:read-only, QPlainTextEdit[readOnly=\"true\"] { background: @FieldReadOnly; }"
        "QComboBox::drop-down { border: none; width: 20px; }"
        "QListView { font-size: 13px; border: 1px solid @FieldBorder; border-radius: 5px; background: @FieldBack;"
        "  color: @FieldText; outline: 0; }"
        "QListView:focus { border: 2px solid @FocusRing; }"
        "QListView::item { min-height: 20px; }"
        "QListView::item:selected { background: @Focus; color: white; }"
        "QListView::item:hover:!selected { background: @SelectionBack; }"
        "QCheckBox, QRadioButton { color: @Text; font-size: 12px; border: 2px solid transparent; border-radius: 4px;"
        "  padding: 0px 2px; }"
        "QCheckBox:focus, QRadioButton:focus { border-color: @FocusRing; }"
        // The ring is the focus look: no second rectangle around the label inside it.
        "QPushButton { font-size: 13px; padding: 4px 14px; border-radius: 5px; border: 1px solid @FieldBorder;"
        "  background: @ButtonBack; color: @Text; outline: none; }"
        "QPushButton:hover { background: @ButtonHover; }"
        "QPushButton:focus { border: 2px solid @FocusRing; padding: 3px 13px; }"
        "QPushButton:pressed { background: @ButtonPressed; }"
        "QPushButton[lvRole=\"primary\"] { color: white; font-weight: 700; border: 1px solid @PrimaryBorder;"
        "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 @PrimaryTop, stop:1 @PrimaryBottom); }"
        "QPushButton[lvRole=\"primary\"]:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        "  stop:0 @PrimaryHoverTop, stop:1 @PrimaryHoverBottom); }"
        // Focused, the main button darkens whole, its ring too, so that it stands out on a white
        // panel as on the window's background.
        "QPushButton[lvRole=\"primary\"]:focus { border: 2px solid @Text; padding: 3px 13px; background: @PrimaryFocus; }"
        "QPushButton[lvRole=\"primary\"]:pressed { background: @PrimaryPressed; }"
        "QPushButton[lvRole=\"danger\"] { color: @DangerText; border: 1px solid @DangerBorder; }"
        "QPushButton[lvRole=\"danger\"]:focus { border: 2px solid @FocusRing; padding: 3px 13px; }"
        // A button that cannot be pressed now is drawn faint, whatever its role.
        "QPushButton:disabled, QPushButton[lvRole=\"primary\"]:disabled, QPushButton[lvRole=\"danger\"]:disabled {"
        "  color: @DisabledText; background: @DisabledBack; border: 1px solid @PanelBorder; }"
        "QLabel[lvAccessible=\"link\"] { border: 2px solid transparent; border-radius: 4px; }"
        "QLabel[lvAccessible=\"link\"]:focus { border-color: @FocusRing; }"
        "QToolTip { color: @Text; background: @PanelBack; border: 1px solid @PanelBorder; padding: 4px; }");
    return Sheet(rules, scale);
}

void SetRole(QWidget *widget, const char *role)
{
    widget->setProperty("lvRole", QString::fromLatin1(role));
}

QPixmap BlankPicture(int width, int height)
{
    const qreal ratio = 2.0;
    QPixmap picture(QSize(width, height) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    return picture;
}

QPixmap MakerLogo(int height)
{
    const int width = height * 4;
    QPixmap logo = BlankPicture(width, height);

    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(1, 1, height - 2, height - 2);
    QLinearGradient fill(badge.topLeft(), badge.bottomRight());
    fill.setColorAt(0, Colour::LogoTop);
    fill.setColorAt(1, Colour::LogoBottom);
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
    painter.setPen(Colour::LogoText);
    painter.drawText(QRectF(height + height * 0.25, 0, width - height, height), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Tandrell"));
    return logo;
}

QPixmap HeaderPadlock(int size)
{
    QPixmap lock = BlankPicture(size, size);

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
    painter.setBrush(Colour::HeaderMid);
    painter.drawEllipse(QPointF(s * 0.5, s * 0.64), s * 0.07, s * 0.07);
    painter.drawRect(QRectF(s * 0.475, s * 0.66, s * 0.05, s * 0.15));
    return lock;
}

} // namespace LockvexStyle
