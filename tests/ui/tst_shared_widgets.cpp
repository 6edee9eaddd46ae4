// The pieces the windows share: the style sheet builder, the letter tabs, the entry field panel
// and the entry list model. With LOCKVEX_SCREENSHOT_DIR set, the panel is also saved as a picture.

#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "support/EntryControls.h"
#include "support/TypeText.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/signin/DLockvexPassword.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using testing_support::Fields;

class TstSharedWidgets : public QObject
{
    Q_OBJECT

private slots:
    void sheetPutsInColoursAndScales_data();
    void sheetPutsInColoursAndScales();
    void letterTabs();
    void letterTabReleaseReportsTheSelectedTab();
    void panelRoundTripsEveryText();
    void panelTakesOnlyWhatTheFileHolds_data();
    void panelTakesOnlyWhatTheFileHolds();
    void panelRefusalKeepsTheUndoHistory();
    void panelReadOnly();
    void panelReadOnlyLook();
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
    TItemManager items(nullptr, nullptr, nullptr);
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

    // The panel's box of each field bears the field's name, and each memorable-data row holds
    // its own question, answer and Copy button.
    for (const EntryTextField &field : EntryTextFields) {
        QWidget *box = panel.Box(field.Member);
        if (!box)
            box = panel.ItemDescr();
        QCOMPARE(box->objectName(), QString::fromLatin1(field.Name));
    }
    for (int row = 0; row < TEntryFieldPanel::MemorableRows; ++row) {
        const TMemorableRow memorable = panel.Memorable(row);
        QCOMPARE(memorable.Question->objectName(), QStringLiteral("Question%1").arg(row + 1));
        QCOMPARE(memorable.Answer->objectName(), QStringLiteral("MemData%1").arg(row + 1));
        QCOMPARE(memorable.CopyBtn->objectName(), QStringLiteral("Ans%1CopyBtn").arg(row + 1));
        QCOMPARE(memorable.AnswerLbl->buddy(), memorable.Answer);
    }
    // Loading and reading back go by field, not by name: renamed controls change nothing.
    for (QWidget *child : panel.findChildren<QWidget *>())
        child->setObjectName(child->objectName() + QStringLiteral("Renamed"));
    panel.SetFields(shown);
    ItemManagerParams again;
    panel.GetFields(again);
    QVERIFY(!items.ItemChanged(shown, again));
}

namespace
{

QString BoxText(QWidget *box)
{
    if (auto *edit = qobject_cast<QLineEdit *>(box))
        return edit->text();
    return static_cast<QPlainTextEdit *>(box)->toPlainText();
}

// Fills the box as the program shows an entry, then puts the cursor at position (the end when
// -1) with the next `selected` characters selected.
void Prepare(QWidget *box, const QString &text, int position, int selected)
{
    if (auto *edit = qobject_cast<QLineEdit *>(box)) {
        edit->setText(text);
        edit->setCursorPosition(position < 0 ? text.size() : position);
        if (selected > 0)
            edit->setSelection(position, selected);
    } else {
        auto *memo = static_cast<QPlainTextEdit *>(box);
        memo->setPlainText(text);
        QTextCursor cursor = memo->textCursor();
        cursor.setPosition(position < 0 ? text.size() : position);
        if (selected > 0)
            cursor.setPosition(position + selected, QTextCursor::KeepAnchor);
        memo->setTextCursor(cursor);
    }
    box->setFocus();
}

// "paste" puts input on the clipboard and presses the paste keys; "type" types it.
void Enter(QWidget *box, const QString &how, const QString &input)
{
    if (how == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(input);
        QTest::keySequence(box, QKeySequence::Paste);
    } else if (how == QLatin1String("enter")) {
        QTest::keyClick(box, Qt::Key_Return);
    } else {
        testing_support::TypeText(box, input);
    }
    QCoreApplication::processEvents(); // what fits of a long paste goes in once the box is done
}

QString Repeated(char c, int n)
{
    return QString(n, QLatin1Char(c));
}

} // namespace

// A character the data file cannot hold as it is never goes into a box, and of a paste or a key
// that would overflow a box only what fits goes in where the cursor is: what the box shows is what
// is saved, the box keeps its own text, the note under it says what was left out and why, and
// one undo takes the insertion back.
void TstSharedWidgets::panelTakesOnlyWhatTheFileHolds_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("position"); // of the cursor, -1 at the end
    QTest::addColumn<int>("selected"); // characters selected from there
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("note");

    // Characters the file cannot hold, typed or pasted with the cursor at the end.
    const auto atEnd = [](const char *tag, const char *box, const char *start, const char *how, const char *input,
                          const char *text, const char *note) {
        QTest::newRow(tag) << box << start << -1 << 0 << how << input << text << note;
    };
    const char *noControls = "Lockvex cannot store control characters";
    atEnd("password typed", "Password", "", "type", "Łódź#2024", "ód#2024", "Lockvex cannot store ź");
    atEnd("password pasted", "Password", "", "paste", "Łódź#2024", "", "Lockvex cannot store Ł");
    atEnd("customer ID typed", "CustID", "id-", "type", "Ω7", "id-7", "Lockvex cannot store Ω");
    atEnd("answer pasted", "MemData3", "", "paste", "пароль", "", "Lockvex cannot store п");
    atEnd("question pasted beyond the basic plane", "Question2", "pet", "paste", " \U0001F436", "pet",
          "Lockvex cannot store \U0001F436");
    atEnd("name pasted with ESC", "ItemName", "Amazon", "paste", "\x1b[1m", "Amazon", noControls);
    atEnd("PIN pasted with BEL", "PIN", "", "paste", "12\a34", "", noControls);
    atEnd("address pasted with DEL", "URL", "", "paste", "a\x7f", "", noControls);
    atEnd("name pasted with a line break", "ItemName", "", "paste", "two\nlines", "",
          "Lockvex cannot store line breaks here");
    atEnd("password pasted with a tab", "Password", "", "paste", "a\tb", "", "Lockvex cannot store tabs here");
    atEnd("notes pasted with ESC", "ItemDescr", "Note", "paste", "x\x1b", "Note", noControls);
    atEnd("notes typed", "ItemDescr", "", "type", "aΩb", "ab", "Lockvex cannot store Ω");
    atEnd("notes typed with ;", "ItemDescr", "", "type", "ISA; rate", "ISA rate", "Lockvex stores ; as a new line");
    atEnd("notes pasted with ;", "ItemDescr", "ISA", "paste", "; rate 4.1%", "ISA", "Lockvex stores ; as a new line");
    atEnd("; elsewhere is kept", "CustID", "", "paste", "a;b", "a;b", "");
    atEnd("notes keep line breaks and tabs", "ItemDescr", "", "paste", "a\tb\r\nc\nd", "a\tb\nc\nd", "");
    atEnd("the code page's own characters", "CustID", "", "paste", "€ café ‰ Œ", "€ café ‰ Œ", "");

    // Too long for the room left.
    const QString note = QStringLiteral("Lockvex stores at most %1 characters here; %2 characters were left out");
    const QString full = QStringLiteral("Lockvex stores at most %1 characters here");
    const QString firstLine = QStringLiteral("Line one\n");
    const QString rest = Repeated('n', 191); // a note of 200 characters
    QTest::newRow("notes: 100 characters after the first line of 200")
        << "ItemDescr" << firstLine + rest << 9 << 0 << "paste" << Repeated('p', 100)
        << firstLine + Repeated('p', 55) + rest << note.arg(255).arg(45);
    QTest::newRow("notes: a break typed into a full note") << "ItemDescr" << Repeated('n', 255) << 3 << 0 << "enter"
                                                           << "" << Repeated('n', 255) << full.arg(255);
    QTest::newRow("notes: a paste replacing a selection")
        << "ItemDescr" << Repeated('n', 250) << 10 << 5 << "paste" << Repeated('p', 20)
        << Repeated('n', 10) + Repeated('p', 10) + Repeated('n', 235) << note.arg(255).arg(10);
    QTest::newRow("password: 10,000 characters")
        << "Password"
        << "" << -1 << 0 << "paste" << Repeated('p', 10000) << Repeated('p', 31) << note.arg(31).arg(9969);
    QTest::newRow("password: typed into a full box") << "Password" << Repeated('w', 31) << 0 << 0 << "type"
                                                     << "x" << Repeated('w', 31) << full.arg(31);
    QTest::newRow("name: a paste in the middle")
        << "ItemName" << Repeated('a', 100) << 50 << 0 << "paste" << Repeated('b', 20)
        << Repeated('a', 50) + Repeated('b', 11) + Repeated('a', 50) << note.arg(111).arg(9);
    QTest::newRow("address: a paste that fits") << "URL"
                                                << "https://" << -1 << 0 << "paste"
                                                << "bank.example"
                                                << "https://bank.example"
                                                << "";
    QTest::newRow("answer: a paste replacing a selection") << "MemData4"
                                                           << "abcdef" << 2 << 2 << "paste" << Repeated('x', 40)
                                                           << "ab" + Repeated('x', 27) + "ef" << note.arg(31).arg(13);
    QTest::newRow("question: a paste of which one character fits")
        << "Question1" << Repeated('q', 30) << -1 << 0 << "paste" << QString::fromUtf8("€€")
        << Repeated('q', 30) + QString::fromUtf8("€") << note.arg(31).arg(1);
}

void TstSharedWidgets::panelTakesOnlyWhatTheFileHolds()
{
    QFETCH(QString, box);
    QFETCH(QString, start);
    QFETCH(int, position);
    QFETCH(int, selected);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, text);
    QFETCH(QString, note);
    TEntryFieldPanel panel;
    panel.resize(560, 560);
    panel.show();
    QWidget *edit = panel.findChild<QWidget *>(box);
    QVERIFY(edit);
    Prepare(edit, start, position, selected);
    Enter(edit, how, input);
    QCOMPARE(BoxText(edit), text);
    QCOMPARE(Fields(panel).EntryNoteLbl->isVisible(), !note.isEmpty());
    if (!note.isEmpty())
        QCOMPARE(Fields(panel).EntryNoteLbl->text(), note);
    ItemManagerParams read;
    panel.GetFields(read);
    const auto field = std::find_if(EntryTextFields.begin(), EntryTextFields.end(),
                                    [&](const EntryTextField &f) { return box == QLatin1String(f.Name); });
    QCOMPARE(read.*field->Member, text);
    if (text != start) {
        QTest::keySequence(edit, QKeySequence::Undo);
        QCOMPARE(BoxText(edit), start);
    }
    // The next entry shown takes the note away.
    panel.SetFields(FullEntry());
    QVERIFY(!Fields(panel).EntryNoteLbl->isVisible());
}

// A refused insertion leaves what the user did before it to undo.
void TstSharedWidgets::panelRefusalKeepsTheUndoHistory()
{
    TEntryFieldPanel panel;
    panel.show();
    for (QWidget *box :
         {static_cast<QWidget *>(Fields(panel).Password), static_cast<QWidget *>(Fields(panel).ItemDescr)}) {
        Prepare(box, QString(), -1, 0);
        QTest::keyClicks(box, QStringLiteral("abc"));
        Enter(box, QStringLiteral("paste"), QString::fromUtf8("Ł") + Repeated('x', 300));
        QCOMPARE(BoxText(box), QStringLiteral("abc"));
        QTest::keySequence(box, QKeySequence::Undo);
        QCOMPARE(BoxText(box), QString());
        QTest::keySequence(box, QKeySequence::Redo);
        QCOMPARE(BoxText(box), QStringLiteral("abc"));
    }
}

void TstSharedWidgets::panelReadOnly()
{
    TEntryFieldPanel panel;
    panel.SetFields(FullEntry());
    panel.SetReadOnly(true);
    panel.show();
    QTest::keyClicks(Fields(panel).CustID, QStringLiteral("zz"));
    QCOMPARE(Fields(panel).CustID->text(), QStringLiteral("cust-77"));
    QTest::keyClicks(Fields(panel).ItemDescr, QStringLiteral("zz"));
    QCOMPARE(Fields(panel).ItemDescr->toPlainText(), FullEntry().ItemDescr);
    QVERIFY(!Fields(panel).EntryPWChckBox->isEnabled());
    QVERIFY(Fields(panel).PasswordCopyBtn->isEnabled());
    panel.SetReadOnly(false);
    QTest::keyClicks(Fields(panel).CustID, QStringLiteral("zz"));
    QCOMPARE(Fields(panel).CustID->text(), QStringLiteral("cust-77zz"));
}

// Under the window's style sheet the boxes take the read-only look and lose it again, each time
// the panel is switched while shown.
void TstSharedWidgets::panelReadOnlyLook()
{
    using LockvexStyle::Colour::FieldBack;
    using LockvexStyle::Colour::FieldReadOnly;
    TEntryFieldPanel panel;
    panel.setStyleSheet(LockvexStyle::WindowSheet());
    panel.SetFields(FullEntry());
    panel.show();
    // A point inside the box, below its text and clear of the edges and the scroll bars' corner.
    const auto background = [](QWidget *box) {
        const QImage picture = box->grab().toImage();
        return picture.pixelColor(picture.width() / 2, picture.height() - 8);
    };
    for (const bool readOnly : {true, false, true, false}) {
        panel.SetReadOnly(readOnly);
        const QColor expected = readOnly ? FieldReadOnly : FieldBack;
        QCOMPARE(background(Fields(panel).CustID), expected);
        QCOMPARE(background(Fields(panel).ItemDescr), expected);
    }
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
    for (QToolButton *indicator : {Fields(panel).PWBadBtn, Fields(panel).PWSoSoBtn, Fields(panel).PWOKBtn}) {
        if (indicator->isVisible())
            visible << indicator->objectName();
    }
    QCOMPARE(visible.join(QLatin1Char(',')), shown);
    QVERIFY(!Fields(panel).PWBadBtn->toolTip().isEmpty());
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
    TRunState run;
    TLockvexMessages messages;
    TListManager lists(nullptr);
    TLVDlgProcs dlgProcs(run, messages);
    TLockvexPasswordDlg signIn(TSignInNeeds{[](const QString &) { return false; }, lists, dlgProcs, run});
    signIn.show();
    QVERIFY(signIn.grab().save(folder + QStringLiteral("/signin.png")));
    signIn.hide();

    QWidget window;
    window.setStyleSheet(LockvexStyle::WindowSheet());
    auto *panel = new TEntryFieldPanel(&window);
    panel->SetFields(FullEntry());
    panel->ShowQuality(50);
    Fields(*panel).EntryPWChckBox->setChecked(true);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(panel);
    window.resize(560, 560);
    window.show();
    QVERIFY(window.grab().save(folder + QStringLiteral("/panel.png")));
    // The note under a box that refused a paste.
    Fields(*panel).Password->setFocus();
    Enter(Fields(*panel).Password, QStringLiteral("paste"), QString::fromUtf8("Łódź#2024"));
    QVERIFY(window.grab().save(folder + QStringLiteral("/panel-note.png")));
    Fields(*panel).ItemDescr->setFocus();
    Enter(Fields(*panel).ItemDescr, QStringLiteral("paste"), Repeated('x', 300));
    QVERIFY(window.grab().save(folder + QStringLiteral("/panel-note-notes.png")));
}

QTEST_MAIN(TstSharedWidgets)
#include "tst_shared_widgets.moc"
