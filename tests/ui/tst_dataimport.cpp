// The import window driven as a user drives it: offscreen, on the platform double's temporary
// home, with a real data file, the real engine and item manager, the message responder in place
// of message boxes and the settings file in the temporary Documents folder.

#include "app/LockvexMsgdial.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/ProgramBody.h"
#include "app/RunState.h"
#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/PoolFile.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/EntryControls.h"
#include "support/TestPlatform.h"
#include "ui/import/DLockvexDataImport.h"
#include "ui/shared/WindowHelp.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/stat.h>

using testing_support::Fields;

namespace
{

const QStringList DefaultColumns{"1", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "17", "18", "20"};

// The import's summary, titled with the count in words that agree with it.
QString Caption5(int items)
{
    return QStringLiteral("Import complete. %1 %2 imported.").arg(items).arg(items == 1 ? "item" : "items");
}

QList<QByteArray> LogLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

QByteArray Logged(const char *prefix, const QByteArray &text = {})
{
    return QByteArray(prefix).leftJustified(29, ' ') + text;
}

// The mapping boxes' numbers for these fields (name, address, customer ID, PIN, password,
// notes), the others 0.
QStringList MappedColumns(int name, int url, int id, int pin, int pw, int notes)
{
    QStringList c(14, QStringLiteral("0"));
    c[0] = QString::number(name);
    c[1] = QString::number(url);
    c[2] = QString::number(id);
    c[3] = QString::number(pin);
    c[4] = QString::number(pw);
    c[13] = QString::number(notes);
    return c;
}

// The entries an export fixture gives, in its order: name, address, customer ID, PIN, password,
// notes. Firefox's have no name column: they are named after the address's host.
QList<QStringList> ExportedRecords(const QString &fixture)
{
    static const QMap<QString, QList<QStringList>> records{
        {"export-chrome.csv",
         {{"Bank of Example", "https://bank.example/login", "alice.smith", "", "S3cret,with comma", ""},
          {"Mail", "https://mail.example/", "alice@mail.example", "", "say \"hi\"", "first line\r\nsecond line"},
          {"shop.example", "https://shop.example/", "alice", "", "pa55'", ""}}},
        {"export-firefox.csv",
         {{"forum.example", "https://forum.example", "al", "", "x;y,z", ""},
          {"wiki.example", "https://wiki.example", "alice", "", "\"quoted\"", ""}}},
        {"export-safari.csv",
         {{"Bank (bank.example)", "https://bank.example/", "alice", "", "p,w\"1",
           "Branch: High St\r\nSort code on card\r\n"
           "TOTP: otpauth://totp/Bank:alice?secret=JBSWY3DPEHPK3PXP&issuer=Bank"},
          {"mail.example", "https://mail.example/", "alice@mail.example", "", "m4il", ""}}},
        {"export-bitwarden.csv",
         {{"Intranet", "https://intranet.example", "a.smith", "", "Winter2024!", "Door code 4711\r\nAsk Bob for the key"},
          {"Wifi at home", "", "", "", "", "The password is on the router"},
          {"Game", "https://game.example", "alice99", "", "'pa55'", ""}}},
        {"export-keepassxc.csv",
         {{"Savings", "https://savings.example", "12345678", "", "1234",
           "Memorable: mother's maiden name\r\nAnswer: Jones"},
          {"Router", "http://192.168.1.1", "admin", "", "admin-pass", ""}}},
        {"export-lastpass.csv",
         {{"News", "https://news.example", "reader", "", "n3ws", "Subscribed until 2026, renew in time"},
          {"Server notes", "http://sn", "", "", "", "NoteType:Server\r\nHostname:db1"}}},
        {"export-1password.csv",
         {{"Shop", "https://shop.example", "alice", "", "a,b\"c", "Order ref 42\r\nPaid by card"},
          {"Savings", "https://savings.example", "12345678", "", "S3cret", "TOTP: otpauth://totp/Savings?secret=ABCDEF"}}},
        {"export-dashlane.csv",
         {{"Forum", "https://forum.example", "alice", "", "x\"y,z", "line one\r\nline two"},
          {"Wiki", "https://wiki.example", "bob", "", "w1k1", "TOTP: JBSWY3DPEHPK3PXP"}}},
        {"export-protonpass.csv",
         {{"Cloud", "https://cloud.example", "alice", "", "c,l\"oud",
           "Recovery codes in the safe\r\nTwo of them used\r\nTOTP: otpauth://totp/Cloud?secret=XYZ"},
          {"Game", "https://game.example", "", "", "g4me", ""}}},
        {"export-nordpass.csv",
         {{"Router", "http://192.168.1.1", "admin", "", "r,o\"ut", "Living room\r\nGuest network off"},
          {"Shop", "https://shop.example", "alice", "", "sh0p", ""}}},
        {"export-spreadsheet.csv",
         {{QString::fromUtf8("Café Crème"), "https://cafe.example", "chef", "0042", QString::fromUtf8("crème,brûlée"),
           "Table for two, window seat"},
          {"Gym", "https://gym.example", "member 7", "9876", "", ""}}},
    };
    return records.value(fixture);
}

} // namespace

class TstDataImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstOpeningHasEveryControlAndTheDefaults();
    void calcLabel_data();
    void calcLabel();
    void labelsFollowEveryBoxAlsoAfterZeros();
    void zeroValuesImportNothing();
    void browseFillsTheFileName();
    void fileChecks_data();
    void fileChecks();
    void reviewAcceptsEditedRecordsAndRejects();
    void rejectingTheLastRecordAsksAtOnce();
    void reviewByKeyboard();
    void quitLogsOnceAndCounts();
    void focusReturnsToAcceptAfterAClick();
    void acceptAllSavesEveryRecord();
    void quitWorksWhileImportAllRuns_data();
    void quitWorksWhileImportAllRuns();
    void emptiedAndDuplicateNames();
    void failedWriteIsToldAndNotCounted();
    void cutFieldsAreShownAndCounted();
    void aRecordNotInUtf8IsNoted();
    void unkeptCharactersAreShownLoggedAndCounted();
    void closingMessagesAndSettings();
    void emptyFileNameKeepsTheSavedName();
    void viewCopiesArePrivateAndNeverReplaceAUsersFile();
    void viewLogShowsOnlyTheLogThisRunWrote();
    void anEndingSignalClosesTheWindowAskingNothing();
    void anEndingSignalDuringImportAllEndsItCleanly_data();
    void anEndingSignalDuringImportAllEndsItCleanly();
    void logThatCannotBeWrittenImportsNothing();
    void badFilesNeitherCrashNorImport_data();
    void badFilesNeitherCrashNorImport();
    void exportsOfPopularTools_data();
    void exportsOfPopularTools();
    void exportersMapThemselves_data();
    void exportersMapThemselves();
    void unrecognisedFirstLinesLeaveTheMapping();
    void mappingIsRememberedPerHeaderLine();
    void screenshotInReview();

private:
    std::unique_ptr<TLockvexDataImportDlg> Open();
    QString WriteCsv(const QString &name, const QByteArray &bytes);
    QString CopyFixture(const QString &fixture, const QString &name = {});
    void Choose(TLockvexDataImportDlg &dlg, const QString &file);
    QStringList Boxes(const TLockvexDataImportDlg &dlg) const;
    void Start(TLockvexDataImportDlg &dlg, const QString &file, const QStringList &columns = {}, bool headers = false);
    void AddEntry(const QString &name);
    QMap<QString, ItemManagerParams> Entries();
    int EntryCount() { return Entries().size(); }
    QStringList Captions() const;

    std::unique_ptr<testing_support::TestPlatform> testPlatform_;
    std::unique_ptr<platform::ScopedInstall> platformGuard_;
    TLockvexMessages runMessages_; // the run's messages, which outlive the run's objects
    std::unique_ptr<ScopedMessageResponder> messages_;
    std::unique_ptr<TV9LockvexTbl> table_;
    std::unique_ptr<TLockvexRec> sharedRec_;
    std::unique_ptr<TListManager> lists_;
    std::unique_ptr<TItemManager> items_;
    TRunState run_; // the home, Documents and settings file the window is handed
    std::unique_ptr<TLVDlgProcs> dlgProcs_;
    std::unique_ptr<TImportFiles> importFiles_; // the run's, as the session owns them
    QString importFolder_;
};

void TstDataImport::init()
{
    testPlatform_ = std::make_unique<testing_support::TestPlatform>();
    platformGuard_ = std::make_unique<platform::ScopedInstall>(*testPlatform_);
    // Every Yes/No question is answered No unless a test queues a Yes: message 5 then closes.
    messages_ = std::make_unique<ScopedMessageResponder>(runMessages_, false);
    StampNow();
    run_ = TRunState();
    run_.Folders.ProfileFolder = testPlatform_->Profile;
    run_.Folders.DocumentsFolder = testPlatform_->Documents;
    run_.Folders.IniFileName = run_.Folders.DocumentsFolder + QStringLiteral("/Lockvex.INI");
    const QString dataFolder = run_.Folders.DocumentsFolder + QStringLiteral("/Lockvex");
    QDir().mkpath(dataFolder);
    table_ = std::make_unique<TV9LockvexTbl>(true);
    QVERIFY(table_->OpenPool(dataFolder + QStringLiteral("/TrelLockvex.acsdb")));
    sharedRec_ = std::make_unique<TLockvexRec>();
    lists_ = std::make_unique<TListManager>(table_.get());
    items_ = std::make_unique<TItemManager>(table_.get(), sharedRec_.get(), lists_.get());
    dlgProcs_ = std::make_unique<TLVDlgProcs>(run_, runMessages_);
    importFiles_ = std::make_unique<TImportFiles>(run_.Folders);
    dlgProcs_->SetImportFiles(importFiles_.get());
    importFolder_ = testPlatform_->Home() + QStringLiteral("/imports");
    QDir().mkpath(importFolder_);
}

void TstDataImport::cleanup()
{
    runMessages_.SetQuietClose(false);
    SetCloseOnSignal(nullptr);
    importFiles_.reset(); // removes what the import made
    testPlatform_->FailStorage = nullptr;
    table_.reset();
    messages_.reset();
    platformGuard_.reset();
    testPlatform_.reset();
}

std::unique_ptr<TLockvexDataImportDlg> TstDataImport::Open()
{
    auto dlg = std::make_unique<TLockvexDataImportDlg>(*items_, *dlgProcs_);
    dlg->show();
    return dlg;
}

QString TstDataImport::WriteCsv(const QString &name, const QByteArray &bytes)
{
    const QString path = importFolder_ + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

QString TstDataImport::CopyFixture(const QString &fixture, const QString &name)
{
    QFile source(QStringLiteral(LOCKVEX_TEST_DATA "/") + fixture);
    if (!source.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fixture));
    return WriteCsv(name.isEmpty() ? fixture : name, source.readAll());
}

// Chooses the file with Browse, as a person does.
void TstDataImport::Choose(TLockvexDataImportDlg &dlg, const QString &file)
{
    testPlatform_->FileAnswer = [file](const QString &, const QString &, const QString &) { return file; };
    QTest::mouseClick(dlg.FileBrowseBtn, Qt::LeftButton);
}

QStringList TstDataImport::Boxes(const TLockvexDataImportDlg &dlg) const
{
    QStringList boxes;
    for (int k = 1; k <= ImportedEntryFields; ++k)
        boxes << dlg.Col[k]->text();
    return boxes;
}

// Types the file name and the mapping (empty: as they stand) and presses the import button.
void TstDataImport::Start(TLockvexDataImportDlg &dlg, const QString &file, const QStringList &columns, bool headers)
{
    dlg.FileNameEdit->setText(file);
    for (int k = 1; k <= columns.size(); ++k)
        dlg.Col[k]->setText(columns[k - 1]);
    dlg.HeadersCheckBox->setChecked(headers);
    QTest::mouseClick(dlg.ImportCSVBtn, Qt::LeftButton);
}

void TstDataImport::AddEntry(const QString &name)
{
    ItemManagerParams p;
    p.ItemName = name;
    QVERIFY(items_->SaveWebItem(items_->AddItem(name), p));
}

// The entries as the data file holds them, by name (a second entry of a name gets "#2").
QMap<QString, ItemManagerParams> TstDataImport::Entries()
{
    QMap<QString, ItemManagerParams> entries;
    TLockvexRec rec;
    int recordNo = 0;
    for (bool more = table_->ReadFirst(recordNo, &rec, SkipDeleted); more;
         more = table_->ReadNext(recordNo, &rec, SkipDeleted)) {
        ItemManagerParams p = ParamsFromRecord(rec);
        QString key = p.ItemName;
        while (entries.contains(key))
            key += QStringLiteral("#2");
        entries.insert(key, p);
    }
    return entries;
}

QStringList TstDataImport::Captions() const
{
    QStringList captions;
    for (const TShownMessage &m : messages_->Shown)
        captions << (m.Caption.isEmpty() ? m.Text : m.Caption);
    return captions;
}

void TstDataImport::firstOpeningHasEveryControlAndTheDefaults()
{
    auto dlg = Open();
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Import passwords from a CSV file"));
    const char *const names[] = {"LockvexLabel",     "LockvexTextLabel",
                                 "LockvexHelpBtn",   "GroupBox2",
                                 "ImportFileLbl",    "FileNameEdit",
                                 "ViewCSVBtn",       "ViewTxtBtn",
                                 "ViewLogBtn",       "FileBrowseBtn",
                                 "GroupBox3",        "HeadersCheckBox",
                                 "ResetDefaultsBtn", "ResetZerosBtn",
                                 "ImportCSVBtn",     "GroupBox1",
                                 "ItemName",         "URL",
                                 "CustID",           "PIN",
                                 "Password",         "Question1",
                                 "Question4",        "MemData1",
                                 "MemData4",         "ItemDescr",
                                 "QuitBtn",          "RejectBtn",
                                 "AcceptBtn",        "AcceptAllCheckBox",
                                 "CancelBtn",        "Col1",
                                 "Col14Lbl"};
    for (const char *name : names)
        QVERIFY2(dlg->findChild<QWidget *>(QLatin1String(name)), name);

    QCOMPARE(dlg->FileNameEdit->text(), QString());
    QVERIFY(dlg->HeadersCheckBox->isChecked());
    QStringList boxes, labels, fieldNames;
    for (int k = 1; k <= 14; ++k) {
        boxes << dlg->findChild<QLineEdit *>(QStringLiteral("Col%1").arg(k))->text();
        labels << dlg->findChild<QLabel *>(QStringLiteral("Col%1Lbl").arg(k))->text();
        fieldNames << dlg->FieldLbl[k]->text();
    }
    QCOMPARE(boxes, DefaultColumns);
    QCOMPARE(labels, (QStringList{"A", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "T"}));
    QCOMPARE(fieldNames.first(), QStringLiteral("Website name"));
    QCOMPARE(fieldNames.last(), QStringLiteral("Notes"));
    QCOMPARE(dlg->ImportCSVBtn->text(), QStringLiteral("Import Password CSV file"));
    QCOMPARE(dlg->HeadersCheckBox->toolTip(),
             QStringLiteral("First line of import file will be skipped if this box is checked"));
    // Nothing to accept, reject or quit before a record is shown.
    QVERIFY(!dlg->AcceptBtn->isEnabled());
    QVERIFY(!dlg->RejectBtn->isEnabled());
    QVERIFY(!dlg->QuitBtn->isEnabled());
    QVERIFY(!dlg->AcceptAllCheckBox->isChecked());
    QCOMPARE(HelpContext(dlg.get()), 2000);
    QCOMPARE(HelpContext(dlg->FileBrowseBtn), 3211);
    QCOMPARE(HelpContext(dlg->ViewLogBtn), 3214);
    QCOMPARE(HelpContext(dlg->QuitBtn), 3234);
    TWebHelpSystem help; // the run's, which the dialog procedures hand the window
    dlgProcs_->SetWebHelp(&help);
    QTest::mouseClick(dlg->LockvexHelpBtn, Qt::LeftButton);
    dlgProcs_->SetWebHelp(nullptr);
    QCOMPARE(testPlatform_->OpenedUrls.size(), 1);
    QVERIFY(testPlatform_->OpenedUrls.first().contains(QStringLiteral("contextid=2000")));
}

void TstDataImport::calcLabel_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("label");
    QTest::newRow("1") << "1"
                       << "A";
    QTest::newRow("26") << "26"
                        << "Z";
    QTest::newRow("27") << "27"
                        << "AA";
    QTest::newRow("52") << "52"
                        << "AZ";
    QTest::newRow("53") << "53"
                        << "BA";
    QTest::newRow("702") << "702"
                         << "ZZ";
    QTest::newRow("703") << "703"
                         << "";
    QTest::newRow("0") << "0"
                       << "";
    QTest::newRow("negative") << "-4"
                              << "";
    QTest::newRow("text") << "abc"
                          << "";
    QTest::newRow("number and text") << "7b"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TstDataImport::calcLabel()
{
    QFETCH(QString, box);
    QFETCH(QString, label);
    QCOMPARE(TLockvexDataImportDlg::CalcLabel(box), label);
}

// Each box shows the column letters of its number as it is typed, also after "Set zero values"
// emptied them all.
void TstDataImport::labelsFollowEveryBoxAlsoAfterZeros()
{
    auto dlg = Open();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    dlg->Col[5]->setFocus();
    dlg->Col[5]->selectAll();
    QTest::keyClicks(dlg->Col[5], "28");
    QCOMPARE(dlg->ColLbl[5]->text(), QStringLiteral("AB"));
    QTest::mouseClick(dlg->ResetZerosBtn, Qt::LeftButton);
    QCOMPARE(dlg->ColLbl[5]->text(), QString());
    for (int k : {1, 4, 14}) {
        dlg->Col[k]->setFocus();
        dlg->Col[k]->selectAll();
        QTest::keyClicks(dlg->Col[k], QString::number(k + 2));
    }
    QCOMPARE(dlg->ColLbl[1]->text(), QStringLiteral("C"));
    QCOMPARE(dlg->ColLbl[4]->text(), QStringLiteral("F"));
    QCOMPARE(dlg->ColLbl[14]->text(), QStringLiteral("P"));
    QCOMPARE(dlg->ColLbl[2]->text(), QString()); // still 0
}

void TstDataImport::zeroValuesImportNothing()
{
    const QString file = WriteCsv("pw.csv", "Bank,https://bank.example,me,pw\r\nShop,x,y,z\r\n");
    auto dlg = Open();
    QTest::mouseClick(dlg->ResetZerosBtn, Qt::LeftButton);
    for (int k = 1; k <= 14; ++k) {
        QCOMPARE(dlg->Col[k]->text(), QStringLiteral("0"));
        QCOMPARE(dlg->ColLbl[k]->text(), QString());
    }
    Start(*dlg, file);
    // Every record has a blank name, which the engine passes over: the completion question at once.
    QCOMPARE(Captions(), (QStringList{Caption5(0), "SECURITY INFO"}));
    QVERIFY(!dlg->isVisible());
    QCOMPARE(EntryCount(), 0);
    // The zeros were saved at closing; "Reset default values" brings back what was saved.
    QCOMPARE(QSettings(run_.Folders.IniFileName, QSettings::IniFormat).value("TrelLockvex/Col1").toString(),
             QStringLiteral("0"));
}

void TstDataImport::browseFillsTheFileName()
{
    const QString file = WriteCsv("my.folder/pw.backup.csv", "x\r\n");
    QString askedFilter;
    testPlatform_->FileAnswer = [&](const QString &, const QString &, const QString &filter) {
        askedFilter = filter;
        return file;
    };
    auto dlg = Open();
    QTest::mouseClick(dlg->FileBrowseBtn, Qt::LeftButton);
    QCOMPARE(dlg->FileNameEdit->text(), file);
    QCOMPARE(dlg->ImportFileLbl->text(), QStringLiteral("pw.csv"));
    QVERIFY(askedFilter.startsWith(QStringLiteral("CSV files or Excel text files")));
    testPlatform_->FileAnswer = [](const QString &, const QString &, const QString &) { return QString(); };
    QTest::mouseClick(dlg->FileBrowseBtn, Qt::LeftButton); // cancelled: nothing changes
    QCOMPARE(dlg->FileNameEdit->text(), file);
}

void TstDataImport::fileChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("refusal"); // empty: the file is imported; %1: the file's name
    QTest::newRow("txt refused") << "pw.txt" << true << "Download file must be .CSV or . EXL type";
    QTest::newRow("EXL accepted") << "pw.EXL" << true << "";
    QTest::newRow("csv in any case") << "pw.Csv" << true << "";
    QTest::newRow("dotted folders") << "john.smith/.local/pw.csv" << true << "";
    QTest::newRow("second dot in the name") << "pw.backup.csv" << true << "Download file must be .CSV or . EXL type";
    QTest::newRow("missing") << "gone.csv" << false << "No download file specified";
    const QString notPlain = QStringLiteral("The import file could not be read. It is not a plain file: %1");
    QTest::newRow("a folder") << "folder.csv/" << false << notPlain;
    QTest::newRow("a pipe") << "pipe.csv" << false << notPlain;
}

void TstDataImport::fileChecks()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(QString, refusal);
    const QString file = exists ? WriteCsv(name, "Bank,x\r\n") : importFolder_ + QLatin1Char('/') + name;
    if (name.endsWith(QLatin1Char('/')))
        QDir().mkpath(file);
    if (name == QLatin1String("pipe.csv"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    auto dlg = Open();
    Start(*dlg, file, {"1", "2", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"});
    if (!refusal.isEmpty()) {
        QCOMPARE(Captions(), QStringList{refusal.arg(file)});
        // Refused: nothing to accept, and the file can be chosen again and imported.
        QVERIFY(!dlg->AcceptBtn->isEnabled() && !dlg->RejectBtn->isEnabled() && !dlg->QuitBtn->isEnabled());
        QVERIFY(dlg->ImportCSVBtn->isEnabled() && dlg->ResetDefaultsBtn->isEnabled());
        // No import ran and nothing was written: Esc closes without a summary or a note.
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(Captions(), (QStringList{refusal.arg(file)}));
        QVERIFY(!dlg->isVisible());
        return;
    }
    QVERIFY(Captions().isEmpty());
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Bank"));
    QVERIFY(dlg->AcceptBtn->isEnabled());
    QVERIFY(!dlg->ImportCSVBtn->isEnabled() && !dlg->ResetDefaultsBtn->isEnabled() && !dlg->ResetZerosBtn->isEnabled());
    // The log lies beside the file, named by the file name's first dot.
    QString base = file.left(file.lastIndexOf(QLatin1Char('.')));
    QVERIFY(QFile::exists(base + QStringLiteral(" Log.txt")));
}

void TstDataImport::reviewAcceptsEditedRecordsAndRejects()
{
    const QString file =
        WriteCsv("pw.csv", "Name,Site,User,Password\r\nBank,bank.example,me,pw1\r\nShop,shop.example,you,pw2\r\n"
                           "Mail,mail.example,us,pw3\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "2", "3", "0", "4", "0", "0", "0", "0", "0", "0", "0", "0", "0"}, true);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Bank"));
    QCOMPARE(Fields(*dlg).Password->text(), QStringLiteral("pw1"));
    QCOMPARE(dlg->RecordLbl->text(), QStringLiteral("Record 1 of 3"));
    // The user corrects the record before accepting it.
    Fields(*dlg).URL->setText(QStringLiteral("https://bank.example/login"));
    Fields(*dlg).ItemDescr->setPlainText(QStringLiteral("two\nlines"));
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Shop"));
    QTest::mouseClick(dlg->RejectBtn, Qt::LeftButton); // not the last: the next one is shown
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Mail"));
    QCOMPARE(dlg->RecordLbl->text(), QStringLiteral("Record 3 of 3"));
    QVERIFY(Captions().isEmpty());
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton); // the last: the completion question
    QCOMPARE(Captions(), (QStringList{Caption5(2), "SECURITY INFO", "SECURITY TIP"}));

    const QMap<QString, ItemManagerParams> entries = Entries();
    QCOMPARE(entries.keys(), (QStringList{"Bank", "Mail"}));
    QCOMPARE(entries["Bank"].URL, QStringLiteral("https://bank.example/login"));
    QCOMPARE(entries["Bank"].CustID, QStringLiteral("me"));
    QCOMPARE(entries["Bank"].ItemDescr, QStringLiteral("two\r\nlines"));
    QCOMPARE(entries["Mail"].Password, QStringLiteral("pw3"));
    QCOMPARE(LogLines(importFolder_ + "/pw Log.txt"),
             (QList<QByteArray>{Logged("Header line", "Name,Site,User,Password"),
                                Logged("Accepted by User", "Bank,bank.example,me,pw1"),
                                Logged("Rejected by User", "Shop,shop.example,you,pw2"),
                                Logged("Accepted by User", "Mail,mail.example,us,pw3"), Logged("Download complete")}));
}

void TstDataImport::rejectingTheLastRecordAsksAtOnce()
{
    const QString file = WriteCsv("pw.csv", "Bank,1\r\n");
    auto dlg = Open();
    messages_->Answers = {true}; // Yes: the log, and stay for another import
    Start(*dlg, file, {"1", "2"}, false);
    QTest::mouseClick(dlg->RejectBtn, Qt::LeftButton);
    QCOMPARE(Captions(), QStringList{Caption5(0)});
    QCOMPARE(messages_->Shown[0].Text,
             QStringLiteral("1 record rejected.\n\nDo you want to view the log and import another file?\nYes opens "
                            "the log and keeps this window open; No closes it."));
    QCOMPARE(testPlatform_->OpenedFiles, QStringList{importFolder_ + "/pw Log.txt"});
    QVERIFY(dlg->isVisible());
    // The import has ended: the buttons do nothing more and the boxes are empty.
    QVERIFY(!dlg->AcceptBtn->isEnabled() && !dlg->RejectBtn->isEnabled() && !dlg->QuitBtn->isEnabled());
    QVERIFY(Fields(*dlg).ItemName->text().isEmpty());
    QVERIFY(dlg->ImportCSVBtn->isEnabled());
    QVERIFY(dlg->ResetZerosBtn->isEnabled());
    dlg->AcceptBtnClick(); // even when called: no entry from empty boxes, no line in a closed log
    QCOMPARE(EntryCount(), 0);
    QCOMPARE(LogLines(importFolder_ + "/pw Log.txt").size(), 2);
    // The summary is not asked again: Cancel closes.
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(Captions(), (QStringList{Caption5(0), "SECURITY INFO"}));
}

// The review without a mouse: the record shown brings the focus to Accept; Return on a focused
// button presses it, and Return in a box accepts the record shown (the window's main action).
void TstDataImport::reviewByKeyboard()
{
    const QString file = WriteCsv("pw.csv", "Bank,1\r\nShop,2\r\nMail,3\r\n");
    auto dlg = Open();
    dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    Start(*dlg, file, {"1", "2"}, false);
    QCOMPARE(QApplication::focusWidget(), dlg->AcceptBtn);
    QTest::keyClick(dlg->AcceptBtn, Qt::Key_Return);
    QTRY_COMPARE(EntryCount(), 1);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Shop"));
    Fields(*dlg).ItemName->setFocus();
    Fields(*dlg).ItemName->setText(QStringLiteral("Shop two"));
    QTest::keyClick(Fields(*dlg).ItemName, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE(EntryCount(), 2);
    QVERIFY(Entries().contains(QStringLiteral("Shop two")));
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Mail"));
    QTest::keyClick(dlg->RejectBtn, Qt::Key_Return); // the last record: the import ends
    QTRY_VERIFY(!dlg->RejectBtn->isEnabled());
    QCOMPARE(EntryCount(), 2);
}

// After a click on Accept or Reject the keyboard is back on Accept: a Return then never
// rejects the next record unseen.
void TstDataImport::focusReturnsToAcceptAfterAClick()
{
    const QString file = WriteCsv("pw.csv", "Bank,1\r\nShop,2\r\nMail,3\r\nPost,4\r\n");
    auto dlg = Open();
    dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    Start(*dlg, file, {"1", "2"}, false);
    QTest::mouseClick(dlg->RejectBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Shop"));
    QCOMPARE(QApplication::focusWidget(), dlg->AcceptBtn);
    Fields(*dlg).URL->setFocus();
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), dlg->AcceptBtn);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(EntryCount(), 2);
    QVERIFY(Entries().contains(QStringLiteral("Mail")));
}

void TstDataImport::quitLogsOnceAndCounts()
{
    const QString file = WriteCsv("pw.csv", "A,1\r\nB,2\r\nC,3\r\n");
    auto dlg = Open();
    messages_->Answers = {true};
    Start(*dlg, file, {"1", "2"});
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTest::mouseClick(dlg->QuitBtn, Qt::LeftButton);
    QCOMPARE(Captions(), QStringList{Caption5(1)});
    QVERIFY(!dlg->QuitBtn->isEnabled());
    const QList<QByteArray> log = LogLines(importFolder_ + "/pw Log.txt");
    QCOMPARE(log, (QList<QByteArray>{Logged("Accepted by User", "A,1"), Logged("Download terminated by user", "B,2")}));
    // Another import from the same window starts its count afresh.
    Start(*dlg, file, {"1", "2"});
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("B")); // A is a duplicate now
    QCOMPARE(dlg->RecordLbl->text(), QStringLiteral("Record 2 of 3"));
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Captions().mid(1), (QStringList{Caption5(2), "SECURITY INFO", "SECURITY TIP"}));
    QCOMPARE(EntryCount(), 3);
}

void TstDataImport::acceptAllSavesEveryRecord()
{
    AddEntry(QStringLiteral("Known"));
    const QString file = WriteCsv("pw.csv", "Known,0\r\nA,1\r\n,2\r\nB,3\r\nA,4\r\nC,5\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "2"});
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("A"));
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 30000);
    // One summary at the end, then the closing notes.
    QCOMPARE(Captions(), (QStringList{Caption5(3), "SECURITY INFO", "SECURITY TIP"}));
    QVERIFY(messages_->Shown[0].Text.startsWith(
        QStringLiteral("2 records passed over: an item has their name already.\n1 record passed over: it has no name.\n\n")));
    QCOMPARE(Entries().keys(), (QStringList{"A", "B", "C", "Known"}));
    QCOMPARE(Entries()["C"].URL, QStringLiteral("5"));
}

void TstDataImport::quitWorksWhileImportAllRuns_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Quit button") << false;
    QTest::newRow("Esc") << true;
}

void TstDataImport::quitWorksWhileImportAllRuns()
{
    QFETCH(bool, escape);
    QByteArray text;
    const int records = 20000;
    for (int i = 0; i < records; ++i)
        text += "Entry " + QByteArray::number(i) + ",https://site" + QByteArray::number(i) + ".example\r\n";
    const QString file = WriteCsv("many.csv", text);
    auto dlg = Open();
    messages_->Answers = {true};
    Start(*dlg, file, {"1", "2"});
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QVERIFY(dlg->AcceptingAll());
    // While it runs only Quit can be pressed, and the progress shows.
    QVERIFY(!dlg->AcceptBtn->isEnabled() && !dlg->RejectBtn->isEnabled() && dlg->QuitBtn->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dlg->ItemsImported > 20, 60000);
    QVERIFY(dlg->ImportProgress->isVisible());
    QVERIFY(Fields(*dlg).ItemName->isReadOnly()); // nobody edits a record that is accepted without review
    if (escape)
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
    else
        QTest::mouseClick(dlg->QuitBtn, Qt::LeftButton);
    QVERIFY(!dlg->AcceptingAll());
    const int imported = dlg->ItemsImported;
    QVERIFY(imported < records);
    QCOMPARE(Captions(), QStringList{Caption5(imported)});
    QTest::qWait(50); // no slice runs after the quit
    QCOMPARE(EntryCount(), imported);
    const QList<QByteArray> log = LogLines(importFolder_ + "/many Log.txt");
    QCOMPARE(log.size(), imported + 1); // the quit's line once, the log's last
    QVERIFY(log[imported].startsWith("Download terminated by user"));
}

void TstDataImport::emptiedAndDuplicateNames()
{
    AddEntry(QStringLiteral("Bank"));
    const QString file = WriteCsv("pw.csv", "First,1\r\nSecond,2\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "2"});
    Fields(*dlg).ItemName->setText(QStringLiteral("   ")); // emptied: not saved, not counted
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    Fields(*dlg).ItemName->setText(QStringLiteral("Bank")); // an existing entry's name: the test ran on "Second"
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Captions().first(), Caption5(1));
    QCOMPARE(Entries().keys(), (QStringList{"Bank", "Bank#2"}));
    QCOMPARE(LogLines(importFolder_ + "/pw Log.txt").first(), Logged("Invalid record: Name missing", "First,1"));
}

void TstDataImport::failedWriteIsToldAndNotCounted()
{
    const QString file = WriteCsv("pw.csv", "First,1\r\nSecond,2\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "2"});
    testPlatform_->FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Write ? EIO : 0;
    };
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    testPlatform_->FailStorage = nullptr;
    QCOMPARE(Captions(), QStringList{"Lockvex could not write this change to your data file. It has not been saved."});
    // The record stays shown, nothing is logged as accepted, and trying again saves it.
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("First"));
    QVERIFY(dlg->AcceptBtn->isEnabled());
    QCOMPARE(dlg->ItemsImported, 0);
    QVERIFY(LogLines(importFolder_ + "/pw Log.txt").isEmpty());
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(dlg->ItemsImported, 1);
    QCOMPARE(Entries().keys(), QStringList{"First"});
}

void TstDataImport::cutFieldsAreShownAndCounted()
{
    const QByteArray longPassword(40, 'p'), longNotes(300, 'n');
    const QString file = WriteCsv("pw.csv", "Short,pw,notes\r\nLong," + longPassword + ",\"" + longNotes +
                                                "\"\r\nAlso," + longPassword + ",x\r\nPlain,pw,x\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "0", "0", "0", "2", "0", "0", "0", "0", "0", "0", "0", "0", "3"});
    QVERIFY(dlg->ShortenedLbl->text().isEmpty());
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(dlg->ShortenedLbl->text(), QStringLiteral("Cut to fit Lockvex: Password, Notes"));
    QCOMPARE(Fields(*dlg).Password->text().size(), 31);
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 30000);
    QCOMPARE(Captions(), (QStringList{Caption5(4), "SECURITY INFO", "SECURITY TIP"}));
    QVERIFY(messages_->Shown.first().Text.startsWith(
        QStringLiteral("2 imported items had a field longer than Lockvex can store.\nCheck them in the log.\n\n")));
    const QList<QByteArray> log = LogLines(importFolder_ + "/pw Log.txt");
    QCOMPARE(log[2], Logged("Shortened to fit Lockvex", "Password, Notes"));
    QCOMPARE(log[4], Logged("Shortened to fit Lockvex", "Password"));
}

// In a UTF-8 file, a record with a line in Windows-1252 says so beside the review boxes.
void TstDataImport::aRecordNotInUtf8IsNoted()
{
    const QString file = WriteCsv("pw.csv", "Bank,p\xc3\xa9"
                                            "1\r\nZ\xfcrich,x\r\nCaf\xc3\xa9,y\r\n\xc3\x89t\xc3\xa9,z\r\n");
    auto dlg = Open();
    Start(*dlg, file, {"1", "0", "0", "0", "2"});
    QVERIFY(dlg->ShortenedLbl->text().isEmpty());
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Z\u00fcrich"));
    QCOMPARE(dlg->ShortenedLbl->text(), QStringLiteral("Not UTF-8: read as Windows-1252, check its accented letters"));
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("Caf\u00e9"));
    QVERIFY(dlg->ShortenedLbl->text().isEmpty());
}

// A field with characters an entry cannot keep arrives with "?" in their place, is named under
// the review boxes, and is stored so only as the user accepts it; the log names it, and "Import
// all items" counts such items in a message of their own.
void TstDataImport::unkeptCharactersAreShownLoggedAndCounted()
{
    const QString file = WriteCsv("pw.csv", QStringLiteral("Name,Password,Notes\r\n"
                                                           "Łódź bank,hasło1,x\r\n"
                                                           "Plain,pw,tab\there\r\n"
                                                           "Bell,p\aw,\"two\r\nlines\"\r\n"
                                                           "Also,ΩΩ,x\x1by\r\n")
                                                .toUtf8());
    auto dlg = Open();
    Start(*dlg, file, {"1", "0", "0", "0", "2", "0", "0", "0", "0", "0", "0", "0", "0", "3"}, true);
    QCOMPARE(Fields(*dlg).ItemName->text(), QStringLiteral("?ód? bank"));
    QCOMPARE(dlg->RecordLbl->text(), QStringLiteral("Record 1 of 4")); // notes over two lines are one record
    QCOMPARE(Fields(*dlg).Password->text(), QStringLiteral("has?o1"));
    QCOMPARE(dlg->ShortenedLbl->text(),
             QStringLiteral("Characters Lockvex cannot store, shown as ?: Website name, Password"));
    Fields(*dlg).Password->setText(QStringLiteral("haslo1")); // the user puts it right
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).ItemDescr->toPlainText(), QStringLiteral("tab\there")); // the notes keep tabs
    QVERIFY(dlg->ShortenedLbl->text().isEmpty());
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Fields(*dlg).Password->text(), QStringLiteral("p?w"));
    QCOMPARE(dlg->ShortenedLbl->text(), QStringLiteral("Characters Lockvex cannot store, shown as ?: Password"));
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 30000);

    QCOMPARE(messages_->Shown.first().Caption, Caption5(4));
    QVERIFY(messages_->Shown.first().Text.startsWith(
        QStringLiteral("3 imported items had characters Lockvex cannot store; each was stored as \"?\".\nCheck them "
                       "in the log.\n\n")));
    const QMap<QString, ItemManagerParams> entries = Entries();
    QCOMPARE(entries.keys(), (QStringList{"?ód? bank", "Also", "Bell", "Plain"}));
    QCOMPARE(entries["?ód? bank"].Password, QStringLiteral("haslo1"));
    QCOMPARE(entries["Bell"].Password, QStringLiteral("p?w"));
    QCOMPARE(entries["Bell"].ItemDescr, QStringLiteral("two\r\nlines"));
    QCOMPARE(entries["Also"].Password, QStringLiteral("??"));
    QCOMPARE(entries["Also"].ItemDescr, QStringLiteral("x?y"));
    const QList<QByteArray> log = LogLines(importFolder_ + "/pw Log.txt");
    QCOMPARE(log[1], Logged("Accepted by User", QStringLiteral("?ód? bank,has?o1,x").toLatin1()));
    QCOMPARE(log[2], Logged("Characters stored as ?", "Website name, Password"));
    QCOMPARE(log[3], Logged("Accepted by User", "Plain,pw,tab\there"));
    QCOMPARE(log[5], Logged("Characters stored as ?", "Password"));
    QCOMPARE(log[7], Logged("Characters stored as ?", "Password, Notes"));
}

void TstDataImport::closingMessagesAndSettings()
{
    const QString file = WriteCsv("pw.csv", "A,1\r\n");
    {
        auto dlg = Open();
        dlg->close(); // nothing happened: no message, the settings are still saved
        QVERIFY(messages_->Shown.isEmpty());
        QCOMPARE(QSettings(run_.Folders.IniFileName, QSettings::IniFormat).value("TrelLockvex/Col14").toString(),
                 QStringLiteral("20"));
        QCOMPARE(
            QSettings(run_.Folders.IniFileName, QSettings::IniFormat).value("TrelLockvex/HeadersCheckBox").toString(),
            QStringLiteral("1"));
    }
    auto dlg = Open();
    dlg->FileNameEdit->setText(file);
    QTest::mouseClick(dlg->ViewTxtBtn, Qt::LeftButton);
    Start(*dlg, file, {"1", "abc", "-3"});
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(Captions(), (QStringList{Caption5(1), "SECURITY INFO", "SECURITY TIP"}));
    QCOMPARE(messages_->Shown[1].Text,
             QStringLiteral("Any text or log files created during import will be deleted when Lockvex closes."));
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    QCOMPARE(settings.value("TrelLockvex/FileName").toString(), file);
    QCOMPARE(settings.value("TrelLockvex/Col2").toString(), QStringLiteral("abc")); // as typed
    QCOMPARE(settings.value("TrelLockvex/HeadersCheckBox").toString(), QStringLiteral("0"));
    // Text and a negative number leave their fields empty.
    QVERIFY(Entries()["A"].URL.isEmpty());

    // The next opening brings the saved mapping back, labels included.
    auto again = Open();
    QCOMPARE(again->FileNameEdit->text(), file);
    QCOMPARE(again->Col[2]->text(), QStringLiteral("abc"));
    QCOMPARE(again->ColLbl[2]->text(), QString());
    QVERIFY(!again->HeadersCheckBox->isChecked());
}

void TstDataImport::emptyFileNameKeepsTheSavedName()
{
    {
        auto dlg = Open();
        dlg->FileNameEdit->setText(QStringLiteral("/data/pw.csv"));
        dlg->close();
    }
    auto dlg = Open();
    dlg->FileNameEdit->clear();
    dlg->Col[1]->setText(QStringLiteral("3"));
    dlg->close();
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    QCOMPARE(settings.value("TrelLockvex/FileName").toString(), QStringLiteral("/data/pw.csv"));
    QCOMPARE(settings.value("TrelLockvex/Col1").toString(), QStringLiteral("3"));
    // "Reset default values" brings back what was saved last.
    auto third = Open();
    third->Col[1]->setText(QStringLiteral("9"));
    QTest::mouseClick(third->ResetDefaultsBtn, Qt::LeftButton);
    QCOMPARE(third->Col[1]->text(), QStringLiteral("3"));
    QCOMPARE(third->ColLbl[1]->text(), QStringLiteral("C"));
    QCOMPARE(third->FileNameEdit->text(), QStringLiteral("/data/pw.csv"));
}

void TstDataImport::viewCopiesArePrivateAndNeverReplaceAUsersFile()
{
    const QString file = WriteCsv("pw.csv", "Bank,secret\r\n");
    const QString usersFile = WriteCsv("pw.txt", "the user's own notes");
    auto dlg = Open();
    dlg->FileNameEdit->setText(file);
    QTest::mouseClick(dlg->ViewCSVBtn, Qt::LeftButton);
    QTest::mouseClick(dlg->ViewTxtBtn, Qt::LeftButton);
    QCOMPARE(testPlatform_->OpenedFiles.size(), 2);
    const QString copy = testPlatform_->OpenedFiles.first();
    // In this run's own folder inside the program's folder.
    QVERIFY(QFileInfo(copy).absolutePath().startsWith(ImportViewFolder(run_.Folders.ProfileFolder) +
                                                      QStringLiteral("/view-")));
    QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("pw.txt"));
    QVERIFY(!copy.startsWith(importFolder_));
    QFile view(copy);
    QVERIFY(view.open(QIODevice::ReadOnly));
    QCOMPARE(view.readAll(), QByteArray("Bank,secret\r\n"));
    QCOMPARE(view.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFileDevice::Permissions());
    QCOMPARE(QFileInfo(ImportViewFolder(run_.Folders.ProfileFolder)).permissions() &
                 (QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther),
             QFileDevice::Permissions());
    QFile users(usersFile);
    QVERIFY(users.open(QIODevice::ReadOnly));
    QCOMPARE(users.readAll(), QByteArray("the user's own notes"));
    QCOMPARE(importFiles_->TempFiles(), QStringList{copy});

    // The log: message 10 before an import, then opened and deleted at exit; owner-only.
    QTest::mouseClick(dlg->ViewLogBtn, Qt::LeftButton);
    QCOMPARE(Captions(), QStringList{"No log file exists. Only created after download"});
    messages_->Answers = {true};
    Start(*dlg, file, {"1"});
    QTest::mouseClick(dlg->RejectBtn, Qt::LeftButton);
    QTest::mouseClick(dlg->ViewLogBtn, Qt::LeftButton);
    const QString log = importFolder_ + "/pw Log.txt";
    QCOMPARE(testPlatform_->OpenedFiles.last(), log);
    QCOMPARE(QFile(log).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
    QCOMPARE(importFiles_->TempFiles(), (QStringList{copy, log}));

    // What the run made goes at the program's end, and the folders with it.
    importFiles_->RemoveMadeImportFiles();
    QVERIFY(!QFileInfo::exists(log));
    QVERIFY(!QFileInfo::exists(ImportViewFolder(run_.Folders.ProfileFolder)));
}

// A log of the import file's name that this run did not write is the user's file: View Log does
// not show it and the end of the run does not delete it. The log written under the next free
// name is the one shown.
void TstDataImport::viewLogShowsOnlyTheLogThisRunWrote()
{
    const QString file = WriteCsv("statement.csv", "Bank,1\r\n");
    const QString usersLog = WriteCsv("statement Log.txt", "the user's statement log");
    auto dlg = Open();
    dlg->FileNameEdit->setText(file);
    QTest::mouseClick(dlg->ViewLogBtn, Qt::LeftButton);
    QCOMPARE(Captions(), QStringList{"No log file exists. Only created after download"});
    QVERIFY(testPlatform_->OpenedFiles.isEmpty());
    messages_->Answers = {true};
    Start(*dlg, file, {"1", "2"});
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTest::mouseClick(dlg->ViewLogBtn, Qt::LeftButton);
    const QString written = importFolder_ + "/statement Log (2).txt";
    QCOMPARE(testPlatform_->OpenedFiles, QStringList(2, written)); // by the summary's Yes, then the button
    QCOMPARE(LogLines(written).first(), Logged("Accepted by User", "Bank,1"));
    importFiles_->RemoveMadeImportFiles();
    QVERIFY(!QFileInfo::exists(written));
    QFile users(usersLog);
    QVERIFY(users.open(QIODevice::ReadOnly));
    QCOMPARE(users.readAll(), QByteArray("the user's statement log"));
}

// At log-out the session sends SIGTERM and nobody answers: the import window closes without
// its security messages, the import ends as a quit, and nothing is left waiting.
void TstDataImport::anEndingSignalClosesTheWindowAskingNothing()
{
    HandleEndingSignals(*qobject_cast<QApplication *>(QCoreApplication::instance()), runMessages_);
    SetCloseOnSignal([] {}); // the main window's part; here there is none
    const QString file = WriteCsv("pw.csv", "A,1\r\nB,2\r\nC,3\r\n");
    auto dlg = Open();
    dlg->FileNameEdit->setText(file);
    QTest::mouseClick(dlg->ViewTxtBtn, Qt::LeftButton);
    Start(*dlg, file, {"1", "2"});
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QCOMPARE(dlg->ItemsImported, 1);
    QVERIFY(messages_->Shown.isEmpty());
    ::raise(SIGTERM);
    QTRY_VERIFY(!dlg->isVisible());
    QVERIFY2(messages_->Shown.isEmpty(), qPrintable(Captions().join(QStringLiteral(" | "))));
    const QList<QByteArray> log = LogLines(importFolder_ + "/pw Log.txt");
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[1], Logged("Download terminated by user", "B,2"));
    QCOMPARE(EntryCount(), 1);
}

void TstDataImport::anEndingSignalDuringImportAllEndsItCleanly_data()
{
    // Where "Import all items" is when the signal comes: between two slices, with message 18
    // open (a save failed), with the completion question open at the end of the file.
    QTest::addColumn<QString>("openMessage");
    QTest::addColumn<int>("records");
    QTest::newRow("between slices") << QString() << 20000;
    QTest::newRow("save failed, message 18 open")
        << QStringLiteral("Lockvex could not write this change to your data file. It has not been saved.") << 20000;
    QTest::newRow("completion question open") << Caption5(30) << 30;
}

void TstDataImport::anEndingSignalDuringImportAllEndsItCleanly()
{
    QFETCH(QString, openMessage);
    QFETCH(int, records);
    HandleEndingSignals(*qobject_cast<QApplication *>(QCoreApplication::instance()), runMessages_);
    SetCloseOnSignal([] {});
    QByteArray text;
    for (int i = 0; i < records; ++i)
        text += "Entry " + QByteArray::number(i) + ",https://site" + QByteArray::number(i) + ".example\r\n";
    const QString file = WriteCsv("many.csv", text);
    auto dlg = Open();
    Start(*dlg, file, {"1", "2"});
    // A message answered as a modal dialog would be while it is up: the signal arrives and the
    // event loop runs before it closes.
    bool signalled = false;
    QStringList shown;
    runMessages_.SetMessageResponder([&](const TShownMessage &message) {
        const QString caption = message.Caption.isEmpty() ? message.Text : message.Caption;
        shown << caption;
        if (!signalled && caption == openMessage) {
            signalled = true;
            ::raise(SIGTERM);
            QTest::qWait(50);
        }
        return false;
    });
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    if (openMessage.startsWith(QStringLiteral("Lockvex could not write"))) {
        QTRY_VERIFY_WITH_TIMEOUT(dlg->ItemsImported > 20, 60000);
        testPlatform_->FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
            return op == testing_support::StorageOp::Write && path.endsWith(QStringLiteral(".acsdb")) ? EIO : 0;
        };
    } else if (openMessage.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(dlg->ItemsImported > 20, 60000);
        signalled = true;
        ::raise(SIGTERM);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 60000);
    QVERIFY(signalled);
    testPlatform_->FailStorage = nullptr;
    QTest::qWait(100); // no slice runs after the close
    QVERIFY(!dlg->AcceptingAll());
    const int imported = dlg->ItemsImported;
    QCOMPARE(EntryCount(), imported);
    // Nothing was asked after the signal: only the message that was open when it came.
    QCOMPARE(shown, openMessage.isEmpty() ? QStringList() : QStringList{openMessage});
    const QList<QByteArray> log = LogLines(importFolder_ + "/many Log.txt");
    if (imported == records) {
        QCOMPARE(log.size(), records + 1);
        QCOMPARE(log.last(), Logged("Download complete"));
    } else {
        QCOMPARE(log.size(), imported + 1);
        QVERIFY(log[imported].startsWith("Download terminated by user"));
    }
    runMessages_.SetMessageResponder(nullptr);
}

void TstDataImport::logThatCannotBeWrittenImportsNothing()
{
    const QString file = WriteCsv("pw.csv", "Bank,1\r\n");
    // The log cannot be made (as in a folder without write permission, which the tests' root
    // user would not feel).
    testPlatform_->FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
        return op == testing_support::StorageOp::Create && path.endsWith(QStringLiteral(" Log.txt")) ? EACCES : 0;
    };
    auto dlg = Open();
    Start(*dlg, file, {"1", "2"});
    QCOMPARE(messages_->Shown.size(), 3);
    QVERIFY(messages_->Shown[0].Text.startsWith(QStringLiteral("The import stopped")));
    QVERIFY(messages_->Shown[0].Text.contains(QStringLiteral("pw Log.txt")));
    QCOMPARE(messages_->Shown[0].DlgType, mtError);
    QCOMPARE(messages_->Shown[1].Caption, Caption5(0));
    QCOMPARE(EntryCount(), 0);
}

void TstDataImport::badFilesNeitherCrashNorImport_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("imported");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 7919) & 0xff);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += QByteArray(2000, '\0');
    QTest::newRow("binary") << binary << -1;
    QTest::newRow("image renamed .csv") << png << -1;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("header only") << QByteArray("Name,Password\r\n") << 0;
    QTest::newRow("unbalanced quotes") << QByteArray("Name,Password\r\n\"A,1\r\nB,\"2\r\nC,3\r\n") << -1;
    QTest::newRow("line of 1 MB") << (QByteArray("Name,Password\r\nBig,") + QByteArray(1 << 20, 'x') +
                                      "\r\nSmall,1\r\n")
                                  << 2;
    QByteArray many("Name,Password\r\n");
    for (int i = 0; i < 100000; ++i)
        many += ",\r\n"; // 100,000 nameless lines: passed over
    many += "Last,1\r\n";
    QTest::newRow("100,000 lines") << many << 1;
}

void TstDataImport::badFilesNeitherCrashNorImport()
{
    QFETCH(QByteArray, content);
    QFETCH(int, imported); // -1: any number, as long as the window comes through
    const QString file = WriteCsv("bad.csv", content);
    auto dlg = Open();
    Start(*dlg, file, {"1", "2", "0", "0", "2"}, true);
    if (dlg->RecordShown()) {
        dlg->AcceptAllCheckBox->setChecked(true);
        QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 60000);
    QVERIFY(Captions().first().startsWith(QStringLiteral("Import complete.")));
    if (imported >= 0)
        QCOMPARE(EntryCount(), imported);
    QCOMPARE(EntryCount(), table_->GetItemsUsed());
}

void TstDataImport::exportsOfPopularTools_data()
{
    // The columns as a user would type them for the tool's export: name, address, customer ID,
    // PIN, password and notes.
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<QStringList>>("expected"); // name, address, customer ID, PIN, password, notes
    QTest::newRow("Chrome") << "export-chrome.csv" << MappedColumns(1, 2, 3, 0, 4, 5)
                            << ExportedRecords("export-chrome.csv");
    QTest::newRow("Firefox") << "export-firefox.csv" << MappedColumns(1, 1, 2, 0, 3, 0)
                             << QList<QStringList>{
                                    {"https://forum.example", "https://forum.example", "al", "", "x;y,z", ""},
                                    {"https://wiki.example", "https://wiki.example", "alice", "", "\"quoted\"", ""}};
    QTest::newRow("Bitwarden") << "export-bitwarden.csv" << MappedColumns(4, 8, 9, 0, 10, 5)
                               << ExportedRecords("export-bitwarden.csv");
    QTest::newRow("KeePassXC") << "export-keepassxc.csv" << MappedColumns(2, 5, 3, 0, 4, 6)
                               << ExportedRecords("export-keepassxc.csv");
    QTest::newRow("LastPass") << "export-lastpass.csv" << MappedColumns(6, 1, 2, 0, 3, 5)
                              << ExportedRecords("export-lastpass.csv");
    QTest::newRow("spreadsheet, semicolons, UTF-8 mark")
        << "export-spreadsheet.csv" << MappedColumns(1, 2, 3, 5, 4, 6) << ExportedRecords("export-spreadsheet.csv");
}

void TstDataImport::exportsOfPopularTools()
{
    QFETCH(QString, fixture);
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, expected);
    QFile source(QStringLiteral(LOCKVEX_TEST_DATA "/") + fixture);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString file = WriteCsv(fixture, source.readAll());
    auto dlg = Open();
    Start(*dlg, file, columns, true);
    dlg->AcceptAllCheckBox->setChecked(true);
    QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 30000);
    QCOMPARE(Captions().first(), Caption5(expected.size()));
    const QMap<QString, ItemManagerParams> entries = Entries();
    QCOMPARE(entries.size(), expected.size());
    for (const QStringList &e : expected) {
        QVERIFY2(entries.contains(e[0]), qPrintable(e[0]));
        const ItemManagerParams &p = entries[e[0]];
        QCOMPARE((QStringList{p.ItemName, p.URL, p.CustID, p.PIN, p.Password, p.ItemDescr}), e);
    }
}

void TstDataImport::exportersMapThemselves_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("layout");    // the recognised-layout line
    QTest::addColumn<QString>("firstNote"); // under the review boxes for the first record
    auto exporter = [](const char *name) { return QStringLiteral("Recognised: %1 export.").arg(QLatin1String(name)); };
    auto left = [](const char *columns) {
        return QStringLiteral("Not imported, no place in an entry: ") + QLatin1String(columns);
    };
    QTest::newRow("Chrome") << "export-chrome.csv" << MappedColumns(1, 2, 3, 0, 4, 5)
                            << exporter("Chrome, Edge, Brave or Opera") << "";
    QTest::newRow("Firefox, named after the host")
        << "export-firefox.csv" << MappedColumns(0, 1, 2, 0, 3, 0) << exporter("Firefox")
        << left("formActionOrigin, guid, timeCreated, timeLastUsed, timePasswordChanged");
    QTest::newRow("Safari, TOTP into the notes")
        << "export-safari.csv" << MappedColumns(1, 2, 3, 0, 4, 5) << exporter("Safari or iCloud Keychain") << "";
    QTest::newRow("Bitwarden") << "export-bitwarden.csv" << MappedColumns(4, 8, 9, 0, 10, 5) << exporter("Bitwarden")
                               << left("folder, favorite, type, reprompt");
    QTest::newRow("KeePassXC") << "export-keepassxc.csv" << MappedColumns(2, 5, 3, 0, 4, 6) << exporter("KeePassXC")
                               << left("Group, Icon, Last Modified, Created");
    QTest::newRow("LastPass") << "export-lastpass.csv" << MappedColumns(6, 1, 2, 0, 3, 5) << exporter("LastPass")
                              << left("grouping, fav");
    QTest::newRow("1Password") << "export-1password.csv" << MappedColumns(1, 2, 3, 0, 4, 9) << exporter("1Password")
                               << left("Favorite, Archived, Tags");
    QTest::newRow("Dashlane") << "export-dashlane.csv" << MappedColumns(4, 7, 1, 0, 5, 6) << exporter("Dashlane")
                              << left("username2, category");
    QTest::newRow("Proton Pass") << "export-protonpass.csv" << MappedColumns(2, 3, 5, 0, 6, 7)
                                 << exporter("Proton Pass") << left("type, email, createTime, modifyTime, vault");
    QTest::newRow("NordPass, LF line ends")
        << "export-nordpass.csv" << MappedColumns(1, 2, 4, 0, 5, 6) << exporter("NordPass") << left("folder, type");
    QTest::newRow("spreadsheet in own words")
        << "export-spreadsheet.csv" << MappedColumns(1, 2, 3, 5, 4, 6) << "Recognised: your own column names." << "";
}

// A person chooses an export with Browse: the boxes fill themselves from its header line and the
// line under the header box says which export it is; Import shows each record for review, named
// after its address's host where the export has no name column, with the columns that have no
// place in an entry named; Accept saves it.
void TstDataImport::exportersMapThemselves()
{
    QFETCH(QString, fixture);
    QFETCH(QStringList, boxes);
    QFETCH(QString, layout);
    QFETCH(QString, firstNote);
    const QList<QStringList> expected = ExportedRecords(fixture);
    QVERIFY(!expected.isEmpty());
    const QString file = CopyFixture(fixture);
    dlgProcs_->WriteSettings({{"HeadersCheckBox", "0"}}); // the box ticks itself
    auto dlg = Open();
    Choose(*dlg, file);
    QCOMPARE(Boxes(*dlg), boxes);
    QCOMPARE(dlg->ColLbl[1]->text(), TLockvexDataImportDlg::CalcLabel(boxes[0]));
    QVERIFY(dlg->HeadersCheckBox->isChecked());
    QCOMPARE(dlg->LayoutLbl->text(), layout);
    QVERIFY(dlg->LayoutLbl->isVisible());

    QTest::mouseClick(dlg->ImportCSVBtn, Qt::LeftButton);
    for (int i = 0; i < expected.size(); ++i) {
        const QStringList &e = expected[i];
        QVERIFY2(dlg->RecordShown(), qPrintable(e[0]));
        const auto f = Fields(*dlg);
        QCOMPARE((QStringList{f.ItemName->text(), f.URL->text(), f.CustID->text(), f.PIN->text(),
                              f.Password->text(), f.ItemDescr->toPlainText()}),
                 (QStringList{e[0], e[1], e[2], e[3], e[4], QString(e[5]).replace("\r\n", "\n")}));
        if (i == 0)
            QCOMPARE(dlg->ShortenedLbl->text(), firstNote);
        QTest::mouseClick(dlg->AcceptBtn, Qt::LeftButton);
    }
    QCOMPARE(Captions().first(), Caption5(expected.size()));
    const QMap<QString, ItemManagerParams> entries = Entries();
    QCOMPARE(entries.size(), expected.size());
    for (const QStringList &e : expected) {
        QVERIFY2(entries.contains(e[0]), qPrintable(e[0]));
        const ItemManagerParams &p = entries[e[0]];
        QCOMPARE((QStringList{p.ItemName, p.URL, p.CustID, p.PIN, p.Password, p.ItemDescr}), e);
    }
    // The log names the columns left out once, after the header line.
    const QList<QByteArray> log = LogLines(importFolder_ + "/" + fixture.chopped(4) + " Log.txt");
    QVERIFY(log.size() > 2);
    QVERIFY(log[0].startsWith("Header line"));
    const qsizetype named = std::count_if(log.begin(), log.end(),
                                          [](const QByteArray &line) { return line.startsWith("Columns not imported"); });
    QCOMPARE(named, firstNote.isEmpty() ? 0 : 1);
    if (named)
        QVERIFY(log[1].startsWith("Columns not imported"));
}

// A first line that is no header line the import knows leaves the boxes as saved (or the
// defaults), as without a header line; numbers a recognised file put there go back to them.
// "Reset default values" and "Set zero values" work as ever.
void TstDataImport::unrecognisedFirstLinesLeaveTheMapping()
{
    const QString plain = WriteCsv("plain.csv", "Bank,https://bank.example,alice,pw\r\n");
    const QString own = WriteCsv("own.csv", "Konto;Kennung;Geheim\r\nBank;alice;pw\r\n");
    const QString chrome = CopyFixture("export-chrome.csv");
    auto dlg = Open();
    dlg->HeadersCheckBox->setChecked(false);
    const QString notRecognised = "First line not recognised: the saved or default numbers stand.";
    Choose(*dlg, importFolder_); // no file to read: nothing changes, nothing is said
    QVERIFY(!dlg->LayoutLbl->isVisible());
    Choose(*dlg, plain);
    QCOMPARE(Boxes(*dlg), DefaultColumns);
    QVERIFY(!dlg->HeadersCheckBox->isChecked());
    QCOMPARE(dlg->LayoutLbl->text(), notRecognised);

    Choose(*dlg, chrome);
    QCOMPARE(Boxes(*dlg)[4], QStringLiteral("4"));
    Choose(*dlg, own);
    QCOMPARE(Boxes(*dlg), DefaultColumns);
    QCOMPARE(dlg->LayoutLbl->text(), notRecognised);

    // Numbers the user typed stay when the file chosen next is not recognised.
    Choose(*dlg, chrome);
    dlg->Col[3]->clear();
    QTest::keyClicks(dlg->Col[3], "7");
    Choose(*dlg, own);
    QCOMPARE(Boxes(*dlg).mid(0, 5), (QStringList{"1", "2", "7", "0", "4"}));

    Choose(*dlg, chrome);
    QTest::mouseClick(dlg->ResetDefaultsBtn, Qt::LeftButton);
    QCOMPARE(Boxes(*dlg), DefaultColumns);
    QTest::mouseClick(dlg->ResetZerosBtn, Qt::LeftButton);
    QCOMPARE(Boxes(*dlg), QStringList(14, QStringLiteral("0")));
    QCOMPARE(dlg->ColLbl[1]->text(), QString());
}

// The columns used at an import are used again for the next file with the same header line, an
// export's or the person's own, in this window or a later one.
void TstDataImport::mappingIsRememberedPerHeaderLine()
{
    const QString first = CopyFixture("export-bitwarden.csv", "first.csv");
    const QString second = CopyFixture("export-bitwarden.csv", "second.csv");
    const QString own = WriteCsv("own.csv", "Konto;Kennung;Geheim\r\nBank;alice;pw\r\n");
    const QString ownAgain = WriteCsv("own2.csv", "Konto;Kennung;Geheim\r\nShop;bob;pw2\r\n");
    {
        auto dlg = Open();
        Choose(*dlg, first);
        dlg->Col[14]->setText("0"); // no notes this time
        QTest::mouseClick(dlg->ImportCSVBtn, Qt::LeftButton);
        QTest::mouseClick(dlg->QuitBtn, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());

        // The person's own headings, mapped by hand.
        auto again = Open();
        Start(*again, own, {"1", "0", "2", "0", "3", "0", "0", "0", "0", "0", "0", "0", "0", "0"}, true);
        QTest::mouseClick(again->QuitBtn, Qt::LeftButton);
    }
    auto dlg = Open();
    dlg->ResetZerosBtn->click();
    Choose(*dlg, second);
    QCOMPARE(Boxes(*dlg), (QStringList{"4", "8", "9", "0", "10", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    QCOMPARE(dlg->LayoutLbl->text(), QStringLiteral("Recognised: Bitwarden export. Numbers as at its last import."));
    Choose(*dlg, ownAgain);
    QCOMPARE(Boxes(*dlg), (QStringList{"1", "0", "2", "0", "3", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    QVERIFY(dlg->HeadersCheckBox->isChecked());
    QCOMPARE(dlg->LayoutLbl->text(), QStringLiteral("Recognised: columns of an earlier import. Numbers as at its "
                                                    "last import."));
}

// The window in review with a record shown, everything fitting. With LOCKVEX_SCREENSHOT_DIR set,
// it is saved as a picture there.
void TstDataImport::screenshotInReview()
{
    const QString file = CopyFixture(QStringLiteral("export-bitwarden.csv"), QStringLiteral("bitwarden_export.csv"));
    auto dlg = Open();
    Choose(*dlg, file); // the mapping fills itself from the header line
    QTest::mouseClick(dlg->ImportCSVBtn, Qt::LeftButton);
    QVERIFY(dlg->LayoutLbl->isVisible());
    QCOMPARE(dlg->ColLbl[5]->text(), QStringLiteral("J"));
    QCOMPARE(dlg->ColLbl[4]->text(), QString());
    QVERIFY(dlg->RecordShown());
    dlg->resize(dlg->sizeHint());
    // Nothing is squeezed below what it needs to be read.
    for (QWidget *w : dlg->findChildren<QWidget *>()) {
        if (w != dlg->CancelBtn && w->isVisible() && (qobject_cast<QPushButton *>(w) || qobject_cast<QLabel *>(w)))
            QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(w->objectName()));
    }
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(dlg->grab().save(folder + QStringLiteral("/import-review.png")));
}

QTEST_MAIN(TstDataImport)
#include "tst_dataimport.moc"
