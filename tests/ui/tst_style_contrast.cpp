// The look stays readable: the contrast of every text and focus frame the style module colours
// against what lies behind it, computed from the module's own colours (WCAG 2.x: 4.5:1 for text,
// 3:1 for large text and focus frames), and check boxes and radio buttons that look ticked or
// unticked under any desktop palette.

#include "ui/shared/LockvexStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QImage>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>

using namespace LockvexStyle;

namespace
{

double Luminance(const QColor &colour)
{
    const auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// A see-through colour laid over an opaque one.
QColor Over(const QColor &top, const QColor &below)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + below.redF() * (1 - a)),
                            float(top.greenF() * a + below.greenF() * (1 - a)),
                            float(top.blueF() * a + below.blueF() * (1 - a)));
}

constexpr double ForText = 4.5;
constexpr double ForLargeOrFrame = 3.0;

// The palette of a dark desktop theme.
QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    return dark;
}

// The indicator of the button as the window draws it.
QImage Indicator(QAbstractButton &button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    const QRect box = button.style()->subElementRect(
        qobject_cast<QCheckBox *>(&button) ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option,
        &button);
    return button.grab(box).toImage().convertToFormat(QImage::Format_RGB32);
}

// The largest contrast between a pixel of one picture and the same pixel of the other.
double LargestDifference(const QImage &a, const QImage &b)
{
    double largest = 1.0;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y)
        for (int x = 0; x < qMin(a.width(), b.width()); ++x)
            largest = qMax(largest, Contrast(a.pixelColor(x, y), b.pixelColor(x, y)));
    return largest;
}

// The largest contrast between the face (the colour just inside the top border) and any pixel of
// the button's middle band, where its label lies.
double LabelContrast(const QImage &button)
{
    const QColor face = button.pixelColor(button.width() / 2, 3);
    double largest = 1.0;
    for (int y = button.height() / 3; y < button.height() * 2 / 3; ++y)
        for (int x = 4; x < button.width() - 4; ++x)
            largest = qMax(largest, Contrast(face, button.pixelColor(x, y)));
    return largest;
}

} // namespace

class TstStyleContrast : public QObject
{
    Q_OBJECT

private slots:
    void textAndFramesStandOut_data();
    void textAndFramesStandOut();
    void tickedDiffersFromUnticked_data();
    void tickedDiffersFromUnticked();
    void buttonsShowFocusAndDisabledPlainly_data();
    void buttonsShowFocusAndDisabledPlainly();
};

void TstStyleContrast::textAndFramesStandOut_data()
{
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<double>("least");
    using namespace Colour;
    const struct {
        const char *Name;
        QColor Foreground, Background;
        double Least;
    } pairs[] = {
        {"text on the window", Colour::Text, WindowBack, ForText},
        {"text on a panel", Colour::Text, PanelBack, ForText},
        {"caption on the window", MutedText, WindowBack, ForText},
        {"caption on a panel", MutedText, PanelBack, ForText},
        {"field text", FieldText, FieldBack, ForText},
        {"read-only field text", FieldText, FieldReadOnly, ForText},
        {"selected line", Qt::white, Focus, ForText},
        {"line under the pointer", FieldText, SelectionBack, ForText},
        {"column letters on a panel", Focus, PanelBack, ForText},
        {"button text", Colour::Text, ButtonBack, ForText},
        {"button text under the pointer", Colour::Text, ButtonHover, ForText},
        {"button text pressed", Colour::Text, ButtonPressed, ForText},
        {"delete button", DangerText, ButtonBack, ForText},
        {"letter tab", MutedText, ButtonBack, ForText},
        {"letter tab selected", Qt::white, Focus, ForText},
        {"primary button, top", Qt::white, PrimaryTop, ForText},
        {"primary button, bottom", Qt::white, PrimaryBottom, ForText},
        {"primary button under the pointer, top", Qt::white, PrimaryHoverTop, ForText},
        {"primary button under the pointer, bottom", Qt::white, PrimaryHoverBottom, ForText},
        {"primary button pressed", Qt::white, PrimaryPressed, ForText},
        {"note", NoteText, NoteBack, ForText},
        {"data place", LocationText, WindowBack, ForText},
        {"header title, left", HeaderTitle, HeaderStart, ForLargeOrFrame},
        {"header title, middle", HeaderTitle, HeaderMid, ForLargeOrFrame},
        {"header subtitle, left", HeaderText, HeaderStart, ForText},
        {"header subtitle, middle", HeaderText, HeaderMid, ForText},
        {"header subtitle, right", HeaderText, HeaderEnd, ForText},
        {"header button", Qt::white, Over(HeaderButtonBack, HeaderEnd), ForText},
        {"header button under the pointer", Qt::white, Over(HeaderButtonHover, HeaderEnd), ForText},
        {"header button pressed", Qt::white, Over(HeaderButtonPressed, HeaderEnd), ForText},
        {"focus frame of a field", Focus, FieldBack, ForLargeOrFrame},
        {"focus frame of a button", Focus, ButtonBack, ForLargeOrFrame},
        {"focus frame on a panel", Focus, PanelBack, ForLargeOrFrame},
        {"focus frame on the window", Focus, WindowBack, ForLargeOrFrame},
        {"focus frame of a primary button on a panel", PrimaryFocus, PanelBack, ForLargeOrFrame},
        {"focus frame of a primary button on the window", PrimaryFocus, WindowBack, ForLargeOrFrame},
        {"focus frame in the header", Qt::white, HeaderEnd, ForLargeOrFrame},
    };
    for (const auto &pair : pairs)
        QTest::newRow(pair.Name) << pair.Foreground << pair.Background << pair.Least;

    // The message dialogs: the caption on its band (the sheen lightens the band's top), the text
    // and the buttons.
    const struct {
        const char *Name;
        TSchemeKind Kind;
    } schemes[] = {{"information", TSchemeKind::Information},
                   {"error", TSchemeKind::Error},
                   {"warning", TSchemeKind::Warning},
                   {"confirmation", TSchemeKind::Confirmation},
                   {"custom", TSchemeKind::Custom}};
    for (const auto &scheme : schemes) {
        const TMsgScheme &s = MessageScheme(scheme.Kind);
        const struct {
            const char *Part;
            QColor Foreground, Background;
        } parts[] = {
            {"title on the band's top", s.TitleText, Over(MessageBandSheen, s.BandTop)},
            {"title on the band's bottom", s.TitleText, s.BandBottom},
            {"text", s.BodyText, s.Body},
            {"button, top", s.ButtonText, s.ButtonTop},
            {"button, bottom", s.ButtonText, s.ButtonBottom},
            {"button under the pointer, top", s.ButtonText, s.HoverTop},
            {"button under the pointer, bottom", s.ButtonText, s.HoverBottom},
        };
        for (const auto &part : parts)
            QTest::addRow("%s message: %s", scheme.Name, part.Part) << part.Foreground << part.Background << ForText;
    }
}

void TstStyleContrast::textAndFramesStandOut()
{
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    QFETCH(double, least);
    const double ratio = Contrast(foreground, background);
    QVERIFY2(
        ratio >= least,
        qPrintable(QStringLiteral("%1 on %2: %3:1").arg(foreground.name(), background.name()).arg(ratio, 0, 'f', 2)));
}

void TstStyleContrast::tickedDiffersFromUnticked_data()
{
    QTest::addColumn<bool>("radio");
    QTest::addColumn<bool>("darkDesktop");
    QTest::newRow("check box, light desktop") << false << false;
    QTest::newRow("check box, dark desktop") << false << true;
    QTest::newRow("radio button, light desktop") << true << false;
    QTest::newRow("radio button, dark desktop") << true << true;
}

// Drawn in a window with the program's look and palette, the ticked indicator differs from the
// unticked one by a mark that stands out at 3:1, whatever the desktop's palette was.
void TstStyleContrast::tickedDiffersFromUnticked()
{
    QFETCH(bool, radio);
    QFETCH(bool, darkDesktop);
    const QPalette desktop = QApplication::palette();
    if (darkDesktop) {
        QApplication::setPalette(DarkPalette()); // as the desktop's theme does
    }
    QApplication::setPalette(WindowPalette()); // as the program does at start
    QWidget window;
    window.setStyleSheet(WindowSheet());
    auto *layout = new QVBoxLayout(&window);
    // Made inside the window, as the windows make their controls.
    const auto make = [&](const QString &text) -> QAbstractButton * {
        if (radio)
            return new QRadioButton(text, &window);
        return new QCheckBox(text, &window);
    };
    QAbstractButton *ticked = make(QStringLiteral("On"));
    QAbstractButton *unticked = make(QStringLiteral("Off"));
    ticked->setAutoExclusive(false);
    unticked->setAutoExclusive(false);
    layout->addWidget(ticked);
    layout->addWidget(unticked);
    ticked->setChecked(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const double difference = LargestDifference(Indicator(*ticked), Indicator(*unticked));

    QApplication::setPalette(desktop);
    QVERIFY2(difference >= ForLargeOrFrame, qPrintable(QString::number(difference)));
}

void TstStyleContrast::buttonsShowFocusAndDisabledPlainly_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("ordinary") << QString();
    QTest::newRow("primary") << QStringLiteral("primary");
    QTest::newRow("danger") << QStringLiteral("danger");
}

// On a white panel, as the windows place them: the focused button's ring stands out from the
// panel at 3:1, and nothing else is drawn around its label; a disabled button's label is faint
// on its face, where an enabled one's reads at 4.5:1.
void TstStyleContrast::buttonsShowFocusAndDisabledPlainly()
{
    QFETCH(QString, role);
    QApplication::setPalette(WindowPalette());
    QWidget window;
    window.setStyleSheet(WindowSheet());
    auto *layout = new QVBoxLayout(&window);
    auto *panel = new QGroupBox(&window);
    layout->addWidget(panel);
    auto *panelLayout = new QVBoxLayout(panel);
    auto *button = new QPushButton(QStringLiteral("Accept"), panel);
    if (!role.isEmpty())
        SetRole(button, role.toLatin1().constData());
    auto *elsewhere = new QLineEdit(panel);
    panelLayout->addWidget(button);
    panelLayout->addWidget(elsewhere);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setAttribute(Qt::WA_KeyboardFocusChange); // the focus moves by key, as with Tab
    const auto picture = [&] {
        QCoreApplication::processEvents();
        return button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    elsewhere->setFocus(Qt::TabFocusReason);
    const QImage plain = picture();
    button->setFocus(Qt::TabFocusReason);
    QVERIFY(button->hasFocus());
    const QImage focused = picture();
    elsewhere->setFocus(Qt::TabFocusReason);
    button->setEnabled(false);
    const QImage disabled = picture();

    for (const QPoint &ring : {QPoint(0, focused.height() / 2), QPoint(focused.width() / 2, 0),
                               QPoint(focused.width() - 1, focused.height() / 2)}) {
        const double ratio = Contrast(focused.pixelColor(ring), Colour::PanelBack);
        QVERIFY2(ratio >= ForLargeOrFrame, qPrintable(QStringLiteral("ring %1 on the panel: %2:1")
                                                          .arg(focused.pixelColor(ring).name())
                                                          .arg(ratio, 0, 'f', 2)));
    }
    // Inside the ring the focused button is its plain self (the main button: darker as a whole).
    if (role != QLatin1String("primary")) {
        const QRect inside = plain.rect().adjusted(3, 3, -3, -3);
        const double change = LargestDifference(plain.copy(inside), focused.copy(inside));
        QVERIFY2(change < 1.1, qPrintable(QStringLiteral("inside the ring: %1:1").arg(change, 0, 'f', 2)));
    }
    QVERIFY2(LabelContrast(plain) >= ForText, qPrintable(QString::number(LabelContrast(plain))));
    QVERIFY2(LabelContrast(disabled) < ForLargeOrFrame, qPrintable(QString::number(LabelContrast(disabled))));
}

QTEST_MAIN(TstStyleContrast)
#include "tst_style_contrast.moc"
