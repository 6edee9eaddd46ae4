// The program from end to end in normal mode, as its body runs it (start-up, sign-in, the main
// window, the exit steps) on a new home folder of the platform double: the first run signs in
// without a password, two entries are typed into the main window's controls and the run is ended
// by SIGTERM through the program's own signal handling; the second run signs in with one of their
// passwords and finds both entries with every field as typed. The data file is also decoded by
// the reader written from the file format document.

#include "MainControls.h"
#include "ui/signin/DLockvexPassword.h"
#include "app/LockvexMsgdial.h"
#include "app/ProgramBody.h"
#include "support/EntryControls.h"
#include "support/FileFormatReader.h"
#include "support/TestPlatform.h"
#include "ui/main/DLockvexMain.h"
#include "program/ProgramWindows.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/signin/SignInDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

using testing_support::Controls;
using testing_support::Fields;

namespace
{

struct TypedEntry {
    QString Name, URL, CustID, PIN, Password;
    QString Question[4], Answer[4];
    QString NotesLine1, NotesLine2;
    bool AccessPassword = false;
    bool AutoCopy = false;
};

const TypedEntry First = {
    QStringLiteral("Bank of Nowhere"),
    QStringLiteral("https://bank.example/login"),
    QStringLiteral("cust-4711"),
    QStringLiteral("0815"),
    QStringLiteral("Vault7Key9x"),
    {QStringLiteral("First pet"), QStringLiteral("Town of birth"), QStringLiteral("Q3"), QStringLiteral("Q4")},
    {QStringLiteral("Rex"), QStringLiteral("Leeds"), QStringLiteral("a3"), QStringLiteral("a4")},
    QStringLiteral("Joint account"),
    QStringLiteral("caf\u00e9 card"),
    true,
    true};
const TypedEntry Second = {QStringLiteral("Mail"),
                           QStringLiteral("mail.example"),
                           QStringLiteral("me@mail.example"),
                           QString(),
                           QStringLiteral("Post8Box2y"),
                           {QStringLiteral("Best friend"), QString(), QString(), QString()},
                           {QStringLiteral("Sam"), QString(), QString(), QString()},
                           QStringLiteral("one line"),
                           QString(),
                           false,
                           false};

TLockvexMainDlg *MainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<TLockvexMainDlg *>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

void Type(QWidget *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    if (!text.isEmpty())
        QTest::keyClicks(box, text);
}

void TypeEntry(TLockvexMainDlg &w, const TypedEntry &e)
{
    Type(Fields(w).ItemName, e.Name);
    Type(Fields(w).URL, e.URL);
    Type(Fields(w).CustID, e.CustID);
    Type(Fields(w).PIN, e.PIN);
    Type(Fields(w).Password, e.Password);
    QLineEdit *questions[] = {Fields(w).Question1, Fields(w).Question2, Fields(w).Question3, Fields(w).Question4};
    QLineEdit *answers[] = {Fields(w).MemData1, Fields(w).MemData2, Fields(w).MemData3, Fields(w).MemData4};
    for (int i = 0; i < 4; ++i) {
        Type(questions[i], e.Question[i]);
        Type(answers[i], e.Answer[i]);
    }
    Type(Fields(w).ItemDescr, e.NotesLine1);
    if (!e.NotesLine2.isEmpty()) {
        QTest::keyClick(Fields(w).ItemDescr, Qt::Key_Return);
        Fields(w).ItemDescr->insertPlainText(e.NotesLine2); // as pasted: the test keyboard types ASCII only
    }
    if (e.AccessPassword)
        QTest::mouseClick(Fields(w).EntryPWChckBox, Qt::LeftButton);
    if (e.AutoCopy)
        QTest::mouseClick(Controls(w).SuppressPWCheckBox, Qt::LeftButton);
}

QString Notes(const TypedEntry &e, const QString &separator)
{
    return e.NotesLine2.isEmpty() ? e.NotesLine1 : e.NotesLine1 + separator + e.NotesLine2;
}

// What the window shows, against what was typed; empty when they agree.
QStringList Differences(const TLockvexMainDlg &w, const TypedEntry &e)
{
    QStringList differences;
    auto check = [&](const char *what, const QString &shown, const QString &typed) {
        if (shown != typed)
            differences << QStringLiteral("%1: \"%2\" != \"%3\"").arg(QLatin1String(what), shown, typed);
    };
    check("name", Fields(w).ItemName->text(), e.Name);
    check("url", Fields(w).URL->text(), e.URL);
    check("custid", Fields(w).CustID->text(), e.CustID);
    check("pin", Fields(w).PIN->text(), e.PIN);
    check("password", Fields(w).Password->text(), e.Password);
    check("q1", Fields(w).Question1->text(), e.Question[0]);
    check("q2", Fields(w).Question2->text(), e.Question[1]);
    check("q3", Fields(w).Question3->text(), e.Question[2]);
    check("q4", Fields(w).Question4->text(), e.Question[3]);
    check("a1", Fields(w).MemData1->text(), e.Answer[0]);
    check("a2", Fields(w).MemData2->text(), e.Answer[1]);
    check("a3", Fields(w).MemData3->text(), e.Answer[2]);
    check("a4", Fields(w).MemData4->text(), e.Answer[3]);
    check("notes", Fields(w).ItemDescr->toPlainText(), Notes(e, QStringLiteral("\n")));
    if (Fields(w).EntryPWChckBox->isChecked() != e.AccessPassword)
        differences << QStringLiteral("access password flag");
    if (Controls(w).SuppressPWCheckBox->isChecked() != e.AutoCopy)
        differences << QStringLiteral("auto-copy flag");
    return differences;
}

} // namespace

class TstMainWindowRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void createEndBySignalRestartAndFind();

private:
    // Runs the program body once; the script acts on the windows while it runs. A guard ends a
    // run that hangs.
    int RunProgram(std::function<void()> script);

    std::unique_ptr<testing_support::TestPlatform> testPlatform_;
    std::unique_ptr<platform::ScopedInstall> platformGuard_;
    TLockvexMessages runMessages_; // each run's messages, as the program makes them before its run
};

void TstMainWindowRun::initTestCase()
{
    HandleEndingSignals(*qApp, runMessages_);
    testPlatform_ = std::make_unique<testing_support::TestPlatform>();
    platformGuard_ = std::make_unique<platform::ScopedInstall>(*testPlatform_);
}

void TstMainWindowRun::cleanup()
{
}

int TstMainWindowRun::RunProgram(std::function<void()> script)
{
    runMessages_.SetQuietClose(false);             // a new run: an earlier one's ending signal is over
    ScopedMessageResponder messages(runMessages_); // any question is answered Yes / OK
    QObject scope;
    QTimer::singleShot(0, &scope, std::move(script));
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        qWarning("the run hung; closing its windows");
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    guard.start(60000);
    return RunLockvex(*qApp, runMessages_, RunSignInDialog, RunProgramWindows);
}

void TstMainWindowRun::createEndBySignalRestartAndFind()
{
    // First run: a new home, no sign-in, the window starts a new entry in an empty safe.
    QStringList firstRun;
    RunProgram([&firstRun] {
        TLockvexMainDlg *w = MainWindow();
        QTRY_VERIFY_WITH_TIMEOUT((w = MainWindow()) && !w->FirstActivate, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget *>(Fields(*w).ItemName), 5000);
        TypeEntry(*w, First);
        QTest::mouseClick(Controls(*w).NewBtn, Qt::LeftButton); // saves the first, starts the second
        TypeEntry(*w, Second);
        firstRun << QStringLiteral("lines %1").arg(Controls(*w).ItemList->model()->rowCount());
        std::raise(SIGTERM); // as the session does at log-out
    });
    QCOMPARE(firstRun, QStringList({"lines 2"}));

    // Second run: sign in with the second entry's password, look at both entries.
    QStringList seen;
    bool signInShown = false;
    RunProgram([&seen, &signInShown] {
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<TLockvexPasswordDlg *>(QApplication::activeModalWidget()), 20000);
        auto *signIn = qobject_cast<TLockvexPasswordDlg *>(QApplication::activeModalWidget());
        signInShown = true;
        QTest::keyClicks(signIn->Edit1, First.Password); // the access password: only it opens the safe
        QTest::mouseClick(signIn->OKBtn, Qt::LeftButton);
        // The rest once the sign-in's own loop has ended and the main window runs.
        QTimer::singleShot(300, qApp, [&seen] {
            TLockvexMainDlg *w = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((w = MainWindow()) && !w->FirstActivate, 20000);
            const QAbstractItemModel *model = Controls(*w).ItemList->model();
            for (int row = 0; row < model->rowCount(); ++row) {
                const QModelIndex index = model->index(row, 0);
                QTest::mouseClick(Controls(*w).ItemList->viewport(), Qt::LeftButton, {},
                                  Controls(*w).ItemList->visualRect(index).center());
                QCoreApplication::processEvents();
                const TypedEntry &typed = Fields(*w).ItemName->text() == First.Name ? First : Second;
                const QStringList differences = Differences(*w, typed);
                seen << index.data().toString() +
                            (differences.isEmpty() ? QString() : differences.join(QLatin1Char(';')));
            }
            QTest::mouseClick(Controls(*w).CancelBtn, Qt::LeftButton);
        });
    });
    QVERIFY(signInShown);
    QCOMPARE(seen, QStringList({First.Name, Second.Name}));

    // The data file, read as the format document describes it.
    QFile file(testPlatform_->Documents + QStringLiteral("/Lockvex/TrelLockvex.acsdb"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const docreader::Bytes raw(bytes.begin(), bytes.end());
    QStringList decoded;
    for (const docreader::Bytes &slot : docreader::ReadSlots(raw)) {
        const docreader::Entry e = docreader::Decode(slot.data());
        if (e.state != docreader::State::Live)
            continue;
        const TypedEntry &typed = QString::fromStdString(e.name) == First.Name ? First : Second;
        auto text = [](const std::string &s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); };
        QStringList fields = {text(e.name), text(e.url), text(e.custId), text(e.pin), text(e.password)};
        QStringList expected = {typed.Name, typed.URL, typed.CustID, typed.PIN, typed.Password};
        for (int i = 0; i < 4; ++i) {
            fields << text(e.question[i]) << text(e.memData[i]);
            expected << typed.Question[i] << typed.Answer[i];
        }
        fields << text(e.notes) << QString::number(e.entryPassword) << QString::number(e.autoPwCopy);
        expected << Notes(typed, QStringLiteral(";")) << QString::number(typed.AccessPassword)
                 << QString::number(typed.AutoCopy);
        QCOMPARE(fields, expected);
        decoded << fields.first();
    }
    decoded.sort();
    QCOMPARE(decoded, QStringList({First.Name, Second.Name}));
}

QTEST_MAIN(TstMainWindowRun)
#include "tst_mainwindowrun.moc"
