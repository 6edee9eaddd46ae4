// The pieces the windows share: the style sheet builder, the letter tabs, the entry field panel
// and the entry list model. With LOCKVEX_SCREENSHOT_DIR set, the panel is also saved as a picture.

#include "app/DLockvexPassword.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/LockvexStyle.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class TstSharedWidgets : public QObject
{
    Q_OBJECT

private slots:
    void sheetPutsInColoursAndScales_data();
    void sheetPutsInColoursAndScales();
    void letterTabs();
    void letterTabReleaseReportsTheSelectedTab();
    void panelRoundTripsEveryText();
    void panelKeepsWhatTheFileStores();
    void panelReadOnly();
    void panelShowsOneIndicator_data();
    void panelShowsOneIndicator();
    void listModelFollowsTheLines();
    void headerBandLabels();
    void screenshots();
};

void TstSharedWidgets::sheetPutsInColoursAndScales_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("colour") << "color: @Text;" << 1.0 << "color: #1f2d3d;";
    QTest::newRow("two colours") << "a: @Focus; b: @PrimaryHoverTop;" << 1.0 << "a: #1e6cab; b: #2076bb;";
    QTest::newRow("see-through colour") << "background: @HeaderButtonBack;" << 1.0 << "background: #1effffff;";
    QTest::newRow("unknown token kept") << "a: @NoSuchColour;" << 1.0 << "a: @NoSuchColour;";
    QTest::newRow("sizes scaled") << "font-size: 12px; border: 1px;" << 1.5 << "font-size: 18px; border: 1px;";
    QTest::newRow("unscaled") << "padding: 5px 8px;" << 1.0 << "padding: 5px 8px;";
}

void TstSharedWidgets::sheetPutsInColoursAndScales()
{
    QFETCH(QString, sheet);
    QFETCH(double, scale);
    QFETCH(QString, expected);
    QCOMPARE(LockvexStyle::Sheet(sheet, scale), expected);
}

void TstSharedWidgets::letterTabs()
{
    TLetterTabs tabs;
    tabs.resize(24, 27 * 16);
    QCOMPARE(TLetterTabs::TabText(0), QStringLiteral("*"));
    QCOMPARE(TLetterTabs::TabText(1), QStringLiteral("A"));
    QCOMPARE(TLetterTabs::TabText(26), QStringLiteral("Z"));
    QCOMPARE(TLetterTabs::TabText(27), QString());
    // The tabs fill the column without gaps or overlaps.
    QCOMPARE(tabs.TabRect(0).top(), 0);
    QCOMPARE(tabs.TabRect(26).bottom(), tabs.height() - 1);
    for (int i = 0; i < TLetterTabs::TabCount; ++i) {
        QCOMPARE(tabs.TabAt(tabs.TabRect(i).center()), i);
        if (i > 0)
            QCOMPARE(tabs.TabRect(i).top(), tabs.TabRect(i - 1).bottom() + 1);
    }
    QCOMPARE(tabs.TabAt(QPoint(5, -1)), -1);
    tabs.SetCurrentIndex(40);
    QCOMPARE(tabs.CurrentIndex(), 0);
}

void TstSharedWidgets::letterTabReleaseReportsTheSelectedTab()
{
    TLetterTabs tabs;
    tabs.resize(24, 27 * 16);
    QSignalSpy pressed(&tabs, &TLetterTabs::TabPressed);
    QSignalSpy released(&tabs, &TLetterTabs::TabReleased);
    const QPoint b = tabs.TabRect(2).center();
    QTest::mousePress(&tabs, Qt::LeftButton, {}, b);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.at(0).at(0).toInt(), 2);
    QCOMPARE(tabs.CurrentText(), QStringLiteral("B"));
    QCOMPARE(released.count(), 0);
    QTest::mouseRelease(&tabs, Qt::LeftButton, {}, b);
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.at(0).at(0).toInt(), 2);
    // A release without a press on a tab reports nothing.
    QTest::mouseRelease(&tabs, Qt::LeftButton, {}, b);
    QCOMPARE(released.count(), 1);
}

namespace
{

ItemManagerParams FullEntry()
{
    ItemManagerParams p;
    p.ItemName = QStringLiteral("Bank of Nowhere");
    p.ItemDescr = QStringLiteral("first line\nsecond; line\n\u00e9t\u00e9");
    p.URL = QStringLiteral("https://bank.example/login?x=1&y=2");
    p.CustID = QStringLiteral("cust-77");
    p.PIN = QStringLiteral("0042");
    p.Password = QStringLiteral("  Pa55 word  ");
    p.Question1 = QStringLiteral("q1");
    p.Question2 = QStringLiteral("q2");
    p.Question3 = QStringLiteral("q3");
    p.Question4 = QStringLiteral("q4");
    p.MemData1 = QStringLiteral("a1");
    p.MemData2 = QStringLiteral("a2");
    p.MemData3 = QStringLiteral("a3");
    p.MemData4 = QStringLiteral("a4");
    return p;
}

} // namespace

void TstSharedWidgets::panelRoundTripsEveryText()
{
    TEntryFieldPanel panel;
    const ItemManagerParams shown = FullEntry();
    panel.SetFields(shown);
    ItemManagerParams read;
    read.LockvexPassword = true; // not the panel's: left alone
    read.ListIndex = 7;
    panel.GetFields(read);
    TItemManager items;
    QVERIFY(!items.ItemChanged(shown, [&] {
        ItemManagerParams p = read;
        p.LockvexPassword = false;
        return p;
    }()));
    QCOMPARE(read.Password, shown.Password); // exactly as typed, blanks included
    QCOMPARE(read.ItemDescr, shown.ItemDescr);
    QVERIFY(read.LockvexPassword);
    QCOMPARE(read.ListIndex, 7);

    // Every text box lands in its own field.
    const QStringList names = {"ItemName",  "URL",       "CustID",   "PIN",      "Password", "Question1", "Question2",
                               "Question3", "Question4", "MemData1", "MemData2", "MemData3", "MemData4"};
    for (const QString &name : names) {
        auto *edit = panel.findChild<QLineEdit *>(name);
        QVERIFY2(edit, qPrintable(name));
        edit->setText(name + QStringLiteral("!"));
    }
    panel.GetFields(read);
    const QStringList values = {read.ItemName,  read.URL,       read.CustID,    read.PIN,       read.Password,
                                read.Question1, read.Question2, read.Question3, read.Question4, read.MemData1,
                                read.MemData2,  read.MemData3,  read.MemData4};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(values.at(i), names.at(i) + QStringLiteral("!"));
}

void TstSharedWidgets::panelKeepsWhatTheFileStores()
{
    TEntryFieldPanel panel;
    QCOMPARE(panel.ItemName->maxLength(), 111);
    QCOMPARE(panel.URL->maxLength(), 255);
    QCOMPARE(panel.Password->maxLength(), 31);
    QCOMPARE(panel.MemData4->maxLength(), 31);
    // 10,000 pasted characters in the notes: the box keeps what the file can hold.
    panel.ItemDescr->setFocus();
    panel.ItemDescr->insertPlainText(QString(10000, QLatin1Char('x')));
    QCOMPARE(panel.ItemDescr->toPlainText().size(), TEntryFieldPanel::NotesCapacity);
}

void TstSharedWidgets::panelReadOnly()
{
    TEntryFieldPanel panel;
    panel.SetFields(FullEntry());
    panel.SetReadOnly(true);
    panel.show();
    QTest::keyClicks(panel.CustID, QStringLiteral("zz"));
    QCOMPARE(panel.CustID->text(), QStringLiteral("cust-77"));
    QTest::keyClicks(panel.ItemDescr, QStringLiteral("zz"));
    QCOMPARE(panel.ItemDescr->toPlainText(), FullEntry().ItemDescr);
    QVERIFY(!panel.EntryPWChckBox->isEnabled());
    QVERIFY(panel.PasswordCopyBtn->isEnabled());
    panel.SetReadOnly(false);
    QTest::keyClicks(panel.CustID, QStringLiteral("zz"));
    QCOMPARE(panel.CustID->text(), QStringLiteral("cust-77zz"));
}

void TstSharedWidgets::panelShowsOneIndicator_data()
{
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << -1 << "";
    QTest::newRow("weak low") << 0 << "PWBadBtn";
    QTest::newRow("weak high") << 33 << "PWBadBtn";
    QTest::newRow("so-so low") << 34 << "PWSoSoBtn";
    QTest::newRow("so-so high") << 66 << "PWSoSoBtn";
    QTest::newRow("ok") << 67 << "PWOKBtn";
}

void TstSharedWidgets::panelShowsOneIndicator()
{
    QFETCH(int, score);
    QFETCH(QString, shown);
    TEntryFieldPanel panel;
    panel.show();
    panel.ShowQuality(score);
    QStringList visible;
    for (QToolButton *indicator : {panel.PWBadBtn, panel.PWSoSoBtn, panel.PWOKBtn}) {
        if (indicator->isVisible())
            visible << indicator->objectName();
    }
    QCOMPARE(visible.join(QLatin1Char(',')), shown);
    QVERIFY(!panel.PWBadBtn->toolTip().isEmpty());
}

void TstSharedWidgets::listModelFollowsTheLines()
{
    TLockvexStringList lines(true);
    lines.Add(QStringLiteral("Basket"));
    lines.Add(QStringLiteral("anvil"));
    lines.Add(QStringLiteral("Tab\there"));
    TEntryListModel model;
    QListView view;
    PrepareEntryListView(&view);
    view.setModel(&model);
    QVERIFY(view.uniformItemSizes());
    QCOMPARE(model.rowCount(), 0);
    model.SetLines(&lines);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("anvil"));
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("Tab here"));
    SelectRow(&view, 1);
    QCOMPARE(SelectedRow(&view), 1);
    lines.Clear();
    model.SetLines(&lines);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(SelectedRow(&view), -1);
    SelectRow(&view, 0); // no line: nothing selected, nothing breaks
    QCOMPARE(SelectedRow(&view), -1);
}

void TstSharedWidgets::headerBandLabels()
{
    QWidget window;
    auto *band = new THeaderBand(QStringLiteral("Lockvex"), QStringLiteral("Line"), &window);
    band->AddTrailingWidget(new QPushButton(QStringLiteral("HELP")));
    QCOMPARE(band->TitleLabel()->text(), QStringLiteral("Lockvex"));
    QCOMPARE(band->TextLabel()->text(), QStringLiteral("Line"));
    QCOMPARE(band->findChild<QPushButton *>()->parentWidget(), band);
}

// Pictures to look at, only when asked for.
void TstSharedWidgets::screenshots()
{
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LOCKVEX_SCREENSHOT_DIR not set");
    TLockvexPasswordDlg signIn([](const QString &) { return false; });
    signIn.show();
    QVERIFY(signIn.grab().save(folder + QStringLiteral("/signin.png")));
    signIn.hide();

    QWidget window;
    window.setStyleSheet(LockvexStyle::WindowSheet());
    auto *panel = new TEntryFieldPanel(&window);
    panel->SetFields(FullEntry());
    panel->ShowQuality(50);
    panel->EntryPWChckBox->setChecked(true);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(panel);
    window.resize(560, 560);
    window.show();
    QVERIFY(window.grab().save(folder + QStringLiteral("/panel.png")));
}

QTEST_MAIN(TstSharedWidgets)
#include "tst_shared_widgets.moc"
