// A safe carried on a memory stick, from end to end: a data file made in normal mode with two
// access passwords is copied by the memory-stick transfer to a folder that the platform double
// reports as a removable medium's mount point; the program body then runs from there (the
// program file on the stick): it asks for two passwords, shows the quick list, opens an entry,
// and leaves no settings file and no changed data file on the stick when it ends.

#include "StickSession.h"

#include "ui/signin/DLockvexDBLPword.h"
#include "app/MgrTfrToMemStick.h"
#include "app/ProgramBody.h"
#include "support/EntryControls.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/quicklist/DLockvexList.h"
#include "ui/signin/SignInDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

using testing_support::Fields;

using stick_session::Entry;

namespace
{

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file on the stick with its size and last-write time, hidden ones too.
QStringList StickFiles(const QString &stick)
{
    QStringList files;
    const auto entries = QDir(stick).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &info : entries)
        files << QStringLiteral("%1 %2 %3")
                     .arg(info.fileName())
                     .arg(info.size())
                     .arg(info.lastModified().toString(Qt::ISODateWithMs));
    return files;
}

} // namespace

class TstMemStickRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runFromTheStick();

private:
    void MakeSafeOnThePC();
    void CopyToTheStick();
    // One step of the user's run, called often while the program runs; true when it did something.
    void Drive();

    testing_support::TestPlatform platform_;
    std::unique_ptr<platform::ScopedInstall> guard_;
    std::unique_ptr<TLockvexMessages> runMessages_; // each run's, as the program makes them
    std::unique_ptr<ScopedMessageResponder> messages_;
    QString stick_;

    // What the driving saw.
    QString dialog_;
    QStringList lines_;
    QString entryName_;
    bool listHiddenForEntry_ = false;
    QString clipboardInEntry_;
    QString clipboardAfterEntry_;
    int step_ = 0;
    int ticks_ = 0;
};

void TstMemStickRun::init()
{
    guard_ = std::make_unique<platform::ScopedInstall>(platform_);
    runMessages_ = std::make_unique<TLockvexMessages>();
    messages_ = std::make_unique<ScopedMessageResponder>(*runMessages_);
    QDir().mkpath(platform_.Home() + QStringLiteral("/opt/lockvex"));
    platform_.ProgramPath = platform_.Home() + QStringLiteral("/opt/lockvex/lockvex");
    QFile program(platform_.ProgramPath);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("the program");
    program.close();
    stick_ = platform_.Home() + QStringLiteral("/media/STICK");
    QDir().mkpath(stick_);
    platform_.RemovableMountPoints << stick_;
}

void TstMemStickRun::cleanup()
{
    messages_.reset();
    runMessages_.reset();
    guard_.reset();
}

// A normal run on the PC saves the entries; its exit writes the backups.
void TstMemStickRun::MakeSafeOnThePC()
{
    RunStartSteps(*runMessages_);
    QVERIFY(!RunSession()->Run.Mode.MemStickMode());
    const QList<ItemManagerParams> entries = {
        Entry("Bank", "https://bank.example/login", "C-1001", "4321", "Alpha1!x", true),
        Entry("Mail", "https://mail.example", "alice", "", "Bravo2?y", true),
        Entry("Shop", "https://shop.example", "shopper", "99", "Charlie3")};
    for (const ItemManagerParams &entry : entries) {
        const int key = RunSession()->ItemManager->AddItem(entry.ItemName);
        QVERIFY(RunSession()->ItemManager->SaveWebItem(key, entry));
    }
    RunExitSteps();
}

void TstMemStickRun::CopyToTheStick()
{
    RunStartSteps(*runMessages_); // the transfer reads the PC's data folder and the program's own file
    TfrToMemStick(*runMessages_, stick_, RunSession()->Run.Folders);
    QCOMPARE(messages_->Shown.size(), 1);
    QCOMPARE(messages_->Shown[0].Caption, QStringLiteral("Program and data copied to:"));
    RunExitSteps();
    messages_->Shown.clear();
    platform_.ProgramPath = stick_ + QStringLiteral("/lockvex");
}

void TstMemStickRun::Drive()
{
    ++ticks_;
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *signIn = qobject_cast<TLockvexSignInDlg *>(modal)) {
        dialog_ = QString::fromLatin1(signIn->metaObject()->className());
        QTest::keyClicks(signIn->Edit1, QStringLiteral("Bravo2?y"));
        if (signIn->Edit2 != nullptr)
            QTest::keyClicks(signIn->Edit2, QStringLiteral("Alpha1!x"));
        QTest::mouseClick(signIn->OKBtn, Qt::LeftButton);
        return;
    }
    if (auto *entry = qobject_cast<TLockvexItemDlg *>(modal)) {
        entryName_ = Fields(*entry).ItemName->text();
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *list = qobject_cast<TLockvexListDlg *>(window))
                listHiddenForEntry_ = !list->isVisible();
        clipboardInEntry_ = platform_.Clipboard;
        QTest::mouseClick(entry->SaveCloseBtn, Qt::LeftButton);
        return;
    }
    TLockvexListDlg *list = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<TLockvexListDlg *>(window))
            list = found;
    if (list == nullptr)
        return;
    if (step_ == 0 && list->isVisible()) {
        for (int row = 0; row < list->ItemList->model()->rowCount(); ++row)
            lines_ << list->ItemList->model()->index(row, 0).data().toString();
        step_ = 1;
        const QRect line = list->ItemList->visualRect(list->ItemList->model()->index(2, 0));
        // The click runs the entry window's loop: it is made after this step returns, so that the
        // driving timer fires inside that loop.
        QTimer::singleShot(0, list, [list, line] {
            QTest::mouseClick(list->ItemList->viewport(), Qt::LeftButton, {}, line.center());
        });
    } else if (step_ == 1 && list->isVisible()) {
        clipboardAfterEntry_ = platform_.Clipboard;
        step_ = 2;
        QTest::mouseClick(list->DoneBtn, Qt::LeftButton);
    }
}

void TstMemStickRun::runFromTheStick()
{
    MakeSafeOnThePC();
    CopyToTheStick();
    const QString stickData = stick_ + QStringLiteral("/TrelLockvex.acsdb");
    QCOMPARE(FileBytes(stickData), FileBytes(platform_.Documents + QStringLiteral("/Lockvex/TrelLockvex.acsdb")));
    const QStringList before = StickFiles(stick_);
    QCOMPARE(before.size(), 2); // the program and the data file, nothing else
    const QByteArray dataBefore = FileBytes(stickData);

    // The user's run: driven from a timer while the program's dialogs and windows run their loops;
    // a run that hangs is ended after 20 s.
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, this, [this] {
        Drive();
        if (ticks_ > 1000)
            for (QWidget *window : QApplication::topLevelWidgets())
                window->close();
    });
    driver.start();
    TRunState run; // as the run had it when its window closed
    const int result = RunLockvex(*qApp, *runMessages_, RunSignInDialog, [&run](QApplication &app, LockvexSession &session) {
        const int shown = RunQuickListWindow(app, session);
        run = session.Run;
        return shown;
    });
    driver.stop();

    QCOMPARE(result, 0);
    QVERIFY2(ticks_ <= 1000, "the run hung");
    QVERIFY(run.Mode.MemStickMode());
    QVERIFY(run.Mode.SignedIn);
    QCOMPARE(run.Folders.DataFileName, stickData);
    QCOMPARE(dialog_, QStringLiteral("TLockvexDBLPwordDlg")); // two passwords on a stick
    QCOMPARE(messages_->Shown.size(), 0);                     // accepted at the first attempt
    QCOMPARE(lines_, (QStringList{"Bank", "Mail", "Shop"}));
    QCOMPARE(entryName_, QStringLiteral("Shop"));
    QVERIFY(listHiddenForEntry_);
    QCOMPARE(platform_.OpenedUrls, QStringList{"https://shop.example"});
    QCOMPARE(clipboardInEntry_, QStringLiteral("shopper"));
    QCOMPARE(clipboardAfterEntry_, QStringLiteral("Charlie3"));
    QCOMPARE(platform_.Clipboard, QStringLiteral("Clipboard cleared by Lockvex"));

    // Nothing of the run stays on the stick: no settings file, the data file unchanged, no
    // backup, temporary, journal or log beside it.
    QVERIFY(!QFile::exists(stick_ + QStringLiteral("/Lockvex.INI")));
    QCOMPARE(FileBytes(stickData), dataBefore);
    QCOMPARE(StickFiles(stick_), before);
}

QTEST_MAIN(TstMemStickRun)
#include "tst_memstickrun.moc"
