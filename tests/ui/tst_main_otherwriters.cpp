// The main window while another program replaces the data file: a save made afterwards, and the
// watch while the user only reads, both end with the two sides combined, the user told and the
// list showing the combined entries.

#include "MainControls.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/EntryControls.h"
#include "support/WindowSession.h"
#include "ui/main/DLockvexMain.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QtTest>

#include <cstdio>
#include <memory>

using testing_support::Controls;
using testing_support::Fields;

class TstMainOtherWriters : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void aSaveAfterAReplacementKeepsBothSides();
    void theWatchNoticesAReplacementWhileTheUserReads();

private:
    void ClickLine(const QString &name);
    // Another computer's version renamed over the data file: Alpha changed, an entry added.
    void ReplaceDataFile();
    QString MessageCaptions() const;

    std::unique_ptr<testing_support::WindowSession> session_;
    std::unique_ptr<TLockvexMainDlg> window_;
};

void TstMainOtherWriters::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    session_ = std::make_unique<testing_support::WindowSession>();
    QVERIFY(session_->Opened);
    session_->MakeEntries({"Alpha Bank", "Bravo Mail", "Charlie Notes"});
    // The run begins with these in the file.
    QVERIFY(session_->App->ListManager->OpenPool(session_->Run().Folders.DataFileName));
    window_ = std::make_unique<TLockvexMainDlg>(*session_->App->ListManager, *session_->App->ItemManager,
                                                *session_->App->LVDlgProcs);
    testing_support::ShowActive(*window_);
}

void TstMainOtherWriters::cleanup()
{
    window_.reset();
    session_.reset();
}

void TstMainOtherWriters::ClickLine(const QString &name)
{
    QListView *list = Controls(*window_).ItemList;
    const QStringList lines = testing_support::LinesOf(list->model());
    const int row = int(lines.indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QCoreApplication::processEvents();
}

void TstMainOtherWriters::ReplaceDataFile()
{
    const QString data = session_->Run().Folders.DataFileName;
    const QString download = QFileInfo(data).absolutePath() + QStringLiteral("/sync-download.tmp");
    {
        TV9LockvexTbl other(true);
        QVERIFY(other.OpenPool(download));
        for (const auto &[name, custID] : {std::pair{"Sync Added", ""}, std::pair{"Charlie Notes", "charlie notes-id"},
                                           std::pair{"Bravo Mail", "bravo mail-id"},
                                           std::pair{"Alpha Bank", "alice-sync"}}) {
            TLockvexRec rec;
            rec.SetName(QString::fromLatin1(name));
            rec.SetCustID(QString::fromLatin1(custID));
            QCOMPARE(other.WriteLockvexRec(other.AddLockvexIndexItem(QString::fromLatin1(name)), &rec), WriteOK);
        }
        QVERIFY(other.ClosePool(DoNotWriteLog));
    }
    QCOMPARE(std::rename(QFile::encodeName(download).constData(), QFile::encodeName(data).constData()), 0);
}

QString TstMainOtherWriters::MessageCaptions() const
{
    QStringList captions;
    for (const TShownMessage &m : session_->Messages.Shown)
        captions << m.Caption;
    return captions.join(QLatin1Char('|'));
}

void TstMainOtherWriters::aSaveAfterAReplacementKeepsBothSides()
{
    ClickLine(QStringLiteral("Bravo Mail"));
    QLineEdit *custID = Fields(*window_).CustID;
    QTest::mouseClick(custID, Qt::LeftButton);
    custID->selectAll();
    QTest::keyClicks(custID, QStringLiteral("bob-local"));
    ReplaceDataFile();
    ClickLine(QStringLiteral("Charlie Notes")); // leaving the entry saves it
    QTRY_COMPARE(MessageCaptions(), QStringLiteral("YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM"));
    QCOMPARE(session_->Stored(QStringLiteral("Bravo Mail")).CustID, QStringLiteral("bob-local"));
    QCOMPARE(session_->Stored(QStringLiteral("Alpha Bank")).CustID, QStringLiteral("alice-sync"));
    const QStringList lines = testing_support::LinesOf(Controls(*window_).ItemList->model());
    QCOMPARE(lines, (QStringList{"Alpha Bank", "Bravo Mail", "Charlie Notes", "Sync Added"}));
    QCOMPARE(Fields(*window_).ItemName->text(), QStringLiteral("Charlie Notes"));
}

void TstMainOtherWriters::theWatchNoticesAReplacementWhileTheUserReads()
{
    ClickLine(QStringLiteral("Alpha Bank"));
    ReplaceDataFile();
    QTRY_COMPARE_WITH_TIMEOUT(MessageCaptions(), QStringLiteral("YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM"),
                              10000);
    // The entry shown is read again: the other computer's change is what the fields show.
    QCOMPARE(Fields(*window_).ItemName->text(), QStringLiteral("Alpha Bank"));
    QCOMPARE(Fields(*window_).CustID->text(), QStringLiteral("alice-sync"));
    QVERIFY(testing_support::LinesOf(Controls(*window_).ItemList->model()).contains(QStringLiteral("Sync Added")));
}

QTEST_MAIN(TstMainOtherWriters)
#include "tst_main_otherwriters.moc"
