#include "app/MgrImportFiles.h"
#include "app/RunState.h"
#include "common/TextFiles.h"
#include "import/LockvexImport.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace
{

using Mapping = std::initializer_list<std::pair<int, int>>; // entry field k, CSV column

QByteArray Logged(const char *prefix, const QByteArray &text = {})
{
    return QByteArray(prefix).leftJustified(LogPrefixWidth, ' ') + text;
}

// Open file descriptors of this process that refer to the file.
int OpenDescriptorsOf(const QString &file)
{
    QString target = QFileInfo(file).canonicalFilePath();
    int count = 0;
    const QFileInfoList fds = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &fd : fds)
        if (fd.symLinkTarget() == target)
            ++count;
    return count;
}

// Runs the engine over import files the way the window does: every record shown is accepted
// (and, as the window saves it, its name now exists) unless the test rejects it.
class ImportTest : public ::testing::Test
{
protected:
    ImportTest()
    {
        engine.SetDupeNameTest([this](const QString &name) { return entryNames.contains(name); });
    }

    // A copy of the fixture in the temporary folder, so that the log is written there.
    QString Fixture(const char *name)
    {
        QString copy = dir.filePath(QLatin1String(name));
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(QStringLiteral(LOCKVEX_TEST_DATA "/") + QLatin1String(name), copy)) << name;
        return copy;
    }

    QString Write(const QString &name, const QByteArray &bytes)
    {
        QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }

    void Use(const QString &file, Mapping mapping, const char *headerLines = "0")
    {
        engine.ImpExFormat = ImportExportFormat{};
        engine.ImpExFormat.ImpExFileName = file;
        engine.ImpExFormat.HeaderLines = headerLines;
        for (auto [field, column] : mapping)
            engine.ImpExFormat.ImportFields[field] = column;
    }

    QList<ItemManagerParams> ImportAll(const QSet<QString> &reject = {})
    {
        QList<ItemManagerParams> shown;
        ItemManagerParams params;
        bool more = engine.GetFirstImportRec(params);
        while (more) {
            shown.append(params);
            if (reject.contains(params.ItemName)) {
                engine.ImportCSVUserAction(ImportUserAction::Rejected);
            } else {
                entryNames.insert(params.ItemName);
                engine.ImportCSVUserAction(ImportUserAction::Accepted);
            }
            more = engine.GetNextImportRec(params);
        }
        EXPECT_FALSE(engine.IsOpen());
        return shown;
    }

    QStringList Names(const QList<ItemManagerParams> &records)
    {
        QStringList names;
        for (const auto &r : records)
            names.append(r.ItemName);
        return names;
    }

    QList<QByteArray> Log()
    {
        QFile f(engine.GetLogFileName());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << engine.GetLogFileName().toStdString();
        QByteArray all = f.readAll();
        EXPECT_TRUE(all.endsWith("\r\n"));
        return SplitCRLF(all.chopped(2));
    }

    static QList<QByteArray> SplitCRLF(const QByteArray &all)
    {
        QList<QByteArray> lines;
        qsizetype start = 0;
        for (qsizetype i; (i = all.indexOf("\r\n", start)) >= 0; start = i + 2)
            lines.append(all.mid(start, i - start));
        lines.append(all.mid(start));
        return lines;
    }

    QTemporaryDir dir;
    QSet<QString> entryNames;
    TRunFolders folders;                // no settings file: the logs are named nowhere
    TImportFiles importFiles{folders}; // the run's: the logs the engine makes
    TImportExport engine{importFiles};
};

TEST_F(ImportTest, MapsColumnsToEntryFields)
{
    Use(Fixture("import-bank.csv"), {{1, 1}, {2, 7}, {3, 8}, {5, 10}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 1);
    const ItemManagerParams &r = records[0];
    EXPECT_EQ(r.ItemName, "Bank");
    EXPECT_EQ(r.URL, "site7");
    EXPECT_EQ(r.CustID, "id7");
    EXPECT_EQ(r.Password, "pw");
    for (const QString &empty : {r.PIN, r.Question1, r.MemData1, r.Question4, r.MemData4, r.ItemDescr})
        EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(r.RecPermission, UpdatePermission);
    EXPECT_FALSE(r.LockvexPassword);
    EXPECT_FALSE(r.AutoPWCopy);
    EXPECT_EQ(r.LoginDateTime, 0.0);
    EXPECT_FALSE(r.NewItem);

    EXPECT_EQ(engine.GetLogFileName(), dir.filePath("import-bank Log.txt"));
    EXPECT_EQ(Log(),
              (QList<QByteArray>{Logged("Header line", "Name,,,,,,Site,ID,,Password"),
                                 Logged("Accepted by User", "Bank,,,,,,site7,id7,,pw"), Logged("Download complete")}));
    // The log holds passwords: only its owner may read it.
    EXPECT_EQ(QFile(engine.GetLogFileName()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
}

TEST_F(ImportTest, FillsEveryMappedFieldAndCutsToTheFieldWidths)
{
    QByteArray line;
    for (int c = 1; c <= 14; ++c)
        line += "v" + QByteArray::number(c) + QByteArray(c == 5 ? 40 : 0, 'p') + ',';
    line += QByteArray(300, 'n'); // column 15
    Use(Write("all.csv", line + "\r\n"), {{1, 15},
                                          {2, 2},
                                          {3, 3},
                                          {4, 4},
                                          {5, 5},
                                          {6, 6},
                                          {7, 7},
                                          {8, 8},
                                          {9, 9},
                                          {10, 10},
                                          {11, 11},
                                          {12, 12},
                                          {13, 13},
                                          {14, 14}});
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 1);
    const ItemManagerParams &r = records[0];
    EXPECT_EQ(r.ItemName, QString(111, 'n'));
    EXPECT_EQ(r.URL, "v2");
    EXPECT_EQ(r.Password, "v5" + QString(29, 'p')); // 31 characters
    const QStringList rest{r.CustID,    r.PIN,      r.Question1, r.MemData1, r.Question2, r.MemData2,
                           r.Question3, r.MemData3, r.Question4, r.MemData4, r.ItemDescr};
    EXPECT_EQ(rest, (QStringList{"v3", "v4", "v6", "v7", "v8", "v9", "v10", "v11", "v12", "v13", "v14"}));
    // Nothing is cut silently: the accepted record's line is followed by one naming its cut fields.
    EXPECT_EQ(Log(), (QList<QByteArray>{Logged("Accepted by User", line),
                                        Logged("Shortened to fit Lockvex", "Website name, Password"),
                                        Logged("Download complete")}));
}

TEST_F(ImportTest, TrailingSeparatorsAndQuotedLastColumns)
{
    Use(Fixture("import-columns.csv"), {{1, 2}, {2, 3}});
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Alpha", "Beta, the second", "Gamma"}));
    for (const auto &r : records)
        EXPECT_TRUE(r.URL.isEmpty()) << r.ItemName.toStdString();
}

TEST_F(ImportTest, SemicolonFileKeepsCommasInsideValues)
{
    Use(Fixture("import-semicolon.csv"), {{1, 1}, {2, 2}, {14, 3}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(engine.GetCSVFieldSeparator(), ';');
    EXPECT_EQ(engine.GetCSVFieldCount(), 2);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].ItemName, "Smith, J");
    EXPECT_EQ(records[0].URL, "https://a.example/x,y");
    EXPECT_EQ(records[0].ItemDescr, "one, two");
}

TEST_F(ImportTest, NotesOverTwoLinesArriveAsTwoLines)
{
    Use(Fixture("import-notes.csv"), {{1, 1}, {14, 2}, {2, 3}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].ItemName, "Bank");
    EXPECT_EQ(records[0].ItemDescr, "line one\r\nline two");
    EXPECT_EQ(records[0].URL, "x");
    EXPECT_EQ(records[1].ItemName, "Shop");
    EXPECT_EQ(Log()[1], Logged("Accepted by User", "Bank,\"line one;line two\",x"));
}

TEST_F(ImportTest, UnquotingNeverChangesAValue)
{
    // An enclosed field loses exactly its one pair of quotes and its doubled quotes become
    // single; a field that is not enclosed keeps every character (spreadsheet apostrophes and
    // quotes included), so that a password arrives as it was exported.
    Use(Fixture("import-cleaning.csv"), {{1, 1}, {5, 2}});
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records[0].ItemName, "'abc'");
    EXPECT_EQ(records[0].Password, "pw'");
    EXPECT_EQ(records[1].ItemName, "Quoted \"inner\" name");
    EXPECT_EQ(records[1].Password, "spaced");
    EXPECT_EQ(records[2].Password, QString(31, 'P'));
    EXPECT_EQ(records[3].ItemName, QString(111, 'N'));
    EXPECT_EQ(records[4].ItemName, "Quotes");
    EXPECT_EQ(records[4].Password, "say \"hi\"");
}

TEST_F(ImportTest, TellsWhichFieldsOfTheRecordShownWereCut)
{
    const QByteArray long31(32, 'x'), long255(256, 'u');
    Use(Write("cut.csv", "A,ok,ok\r\nB," + long31 + ",\"" + long255 + "\"\r\nC," + QByteArray(31, 'p') + ",\"" +
                             QByteArray(255, 'u') + "\"\r\nD," + long31 + ",x\r\n"),
        {{1, 1}, {5, 2}, {2, 3}, {14, 3}});
    ItemManagerParams params;
    // Standard vectors: comparing two empty QLists passes a null pointer to memcmp inside Qt,
    // which the sanitizer build stops at.
    std::vector<std::vector<int>> cut;
    for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params)) {
        const QList<int> &shortened = engine.ShortenedFields();
        cut.emplace_back(shortened.begin(), shortened.end());
        engine.ImportCSVUserAction(cut.size() == 2 ? ImportUserAction::Rejected : ImportUserAction::Accepted);
    }
    EXPECT_EQ(cut, (std::vector<std::vector<int>>{{}, {2, 5, 14}, {}, {5}}));
    // Only an accepted record that was cut is followed by a line naming its cut fields: a
    // rejected one stores nothing.
    const QList<QByteArray> log = Log();
    ASSERT_EQ(log.size(), 6);
    EXPECT_EQ(log[3], Logged("Accepted by User", "D," + long31 + ",x"));
    EXPECT_EQ(log[4], Logged("Shortened to fit Lockvex", "Password"));
}

TEST_F(ImportTest, TheLogLiesBesideTheFileWhateverDotsItsFoldersHave)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("john.smith/.local"));
    const QString file = dir.filePath("john.smith/.local/pw.backup.csv");
    ASSERT_TRUE(QFile::copy(QStringLiteral(LOCKVEX_TEST_DATA "/import-bank.csv"), file));
    // a file of that name that this run did not write, which anyone may read
    QFile earlier(dir.filePath("john.smith/.local/pw Log.txt"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("kept");
    earlier.setPermissions(earlier.permissions() | QFile::ReadGroup | QFile::ReadOther);
    earlier.close();
    Use(file, {{1, 1}}, "1");
    EXPECT_EQ(ImportAll().size(), 1);
    // Written new under the next free name, readable by its owner only; the other file is kept.
    EXPECT_EQ(engine.GetLogFileName(), dir.filePath("john.smith/.local/pw Log (2).txt"));
    EXPECT_TRUE(QFile::exists(engine.GetLogFileName()));
    EXPECT_EQ(QFile(engine.GetLogFileName()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "kept");
    // Not viewed, the log is still deleted when the program ends.
    EXPECT_EQ(importFiles.TempFiles(), QStringList{engine.GetLogFileName()});
}

TEST_F(ImportTest, ProgressRunsFromTheStartToTheFileSize)
{
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += "Name" + QByteArray::number(i) + ",password" + QByteArray::number(i) + "\r\n";
    Use(Write("big.csv", text), {{1, 1}, {5, 2}});
    ItemManagerParams params;
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    EXPECT_EQ(engine.FileSize(), text.size());
    qint64 last = engine.BytesRead();
    EXPECT_LT(last, text.size() / 2);
    int records = 1;
    for (engine.ImportCSVUserAction(ImportUserAction::Rejected); engine.GetNextImportRec(params); ++records) {
        EXPECT_GE(engine.BytesRead(), last);
        last = engine.BytesRead();
        engine.ImportCSVUserAction(ImportUserAction::Rejected);
    }
    EXPECT_EQ(records, 20000);
    EXPECT_GT(last, text.size() - 64 * 1024);
}

TEST_F(ImportTest, PassesOverBlankNamesAndDuplicatesButNotOtherLetterCase)
{
    entryNames.insert("Bank");
    Use(Fixture("import-names.csv"), {{1, 1}, {2, 2}});
    QList<ItemManagerParams> records = ImportAll({"BANK"});
    // "Shop" a second time is a duplicate of the one just accepted; the rejected "BANK" leaves
    // nothing behind
    EXPECT_EQ(Names(records), (QStringList{"bank", "Shop", "BANK"}));
    EXPECT_EQ(Log(),
              (QList<QByteArray>{Logged("Duplicate record", "Bank,1"), Logged("Invalid record: Name missing", ",2"),
                                 Logged("Invalid record: Name missing", "   ,3"), Logged("Accepted by User", "bank,4"),
                                 Logged("Accepted by User", "Shop,5"), Logged("Duplicate record", "Shop,6"),
                                 Logged("Rejected by User", "BANK,7"), Logged("Download complete")}));
}

TEST_F(ImportTest, QuitIsLoggedOnceAndEndsTheImport)
{
    Use(Fixture("import-names.csv"), {{1, 1}});
    ItemManagerParams params;
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    engine.ImportCSVUserAction(ImportUserAction::Accepted);
    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_EQ(params.ItemName, "bank");
    engine.ImportCSVUserAction(ImportUserAction::Quit);
    EXPECT_FALSE(engine.IsOpen());
    QList<QByteArray> log = Log();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.mid(log.size() - 2), (QList<QByteArray>{Logged("Invalid record: Name missing", "   ,3"),
                                                          Logged("Download terminated by user", "bank,4")}));
    // A closed engine answers no more records and writes nothing.
    EXPECT_FALSE(engine.GetNextImportRec(params));
    engine.ImportCSVUserAction(ImportUserAction::Accepted);
    EXPECT_EQ(Log(), log);

    // The next import on the same engine ends with "Download complete", not with the old quit.
    Use(Fixture("import-empty.csv"), {{1, 1}});
    EXPECT_FALSE(engine.GetFirstImportRec(params));
    EXPECT_EQ(Log(), QList<QByteArray>{Logged("Download complete")});
}

TEST_F(ImportTest, StartingAgainWhileOpenEndsTheEarlierImportAsAQuit)
{
    QString first = Fixture("import-names.csv");
    Use(first, {{1, 1}});
    ItemManagerParams params;
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    QString firstLog = engine.GetLogFileName();
    Use(Fixture("import-columns.csv"), {{1, 2}});
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    EXPECT_EQ(params.ItemName, "Alpha");
    EXPECT_EQ(OpenDescriptorsOf(first), 0);
    QFile log(firstLog);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith(Logged("Download terminated by user", "Bank,1") + "\r\n"));
}

TEST_F(ImportTest, HeaderOnlyAndEmptyFilesHaveNoRecord)
{
    Use(Fixture("import-header-only.csv"), {{1, 1}}, "1");
    ItemManagerParams params;
    EXPECT_FALSE(engine.GetFirstImportRec(params));
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_EQ(Log(),
              (QList<QByteArray>{Logged("Header line", "Name,Site,ID"), Logged("Download complete", "Name,Site,ID")}));

    Use(Fixture("import-empty.csv"), {{1, 1}}, "1");
    EXPECT_FALSE(engine.GetFirstImportRec(params));
    EXPECT_EQ(Log(), QList<QByteArray>{Logged("Download complete")});

    // No file name: nothing is opened, no log is written.
    Use(QString(), {{1, 1}});
    EXPECT_FALSE(engine.GetFirstImportRec(params));
    EXPECT_FALSE(engine.IsOpen());
}

TEST_F(ImportTest, HeaderLineCountIsReadAsAWholeNumber)
{
    struct Case {
        const char *headerLines;
        QStringList names;
    };
    const Case cases[] = {
        {"0", {"Name", "Bank"}}, {"1", {"Bank"}},          {"x", {"Name", "Bank"}},
        {"", {"Name", "Bank"}},  {"-1", {"Name", "Bank"}}, {"2", {}},
    };
    for (const Case &c : cases) {
        entryNames.clear();
        Use(Fixture("import-bank.csv"), {{1, 1}}, c.headerLines);
        EXPECT_EQ(Names(ImportAll()), c.names) << "HeaderLines " << c.headerLines;
    }
}

TEST_F(ImportTest, BlankLinesArePassedOver)
{
    Use(Fixture("import-blank-lines.csv"), {{1, 1}, {2, 2}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(Log(), (QList<QByteArray>{Logged("Header line", "Name,Site"), Logged("Accepted by User", "Alpha,a"),
                                        Logged("Accepted by User", "Beta,b"), Logged("Accepted by User", "Gamma,c"),
                                        Logged("Download complete")}));
}

TEST_F(ImportTest, DroppedTextOfAnUnclosedQuoteIsLogged)
{
    Use(Fixture("import-bad-quotes.csv"), {{1, 1}, {2, 2}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Shop", "Tail"}));
    EXPECT_EQ(Log(), (QList<QByteArray>{Logged("Header line", "Name,Site,ID"),
                                        // each line that opens a quote it never closes is dropped alone
                                        Logged("Invalid record: bad quotes", "Bank,\"site,id"),
                                        Logged("Invalid record: bad quotes", "x\" ,y,\"z"),
                                        Logged("Accepted by User", "Shop,s,i"), Logged("Accepted by User", "Tail,t,u"),
                                        Logged("Download complete")}));
}

TEST_F(ImportTest, NotesOverSeveralLinesInTheLastColumnStayOneRecord)
{
    // The record has all its separators while its last column is still open.
    Use(Fixture("import-notes-last.csv"), {{1, 1}, {2, 2}, {3, 3}, {5, 4}, {14, 5}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Mail", "Shop"}));
    // a doubled quote at the very end of an enclosed value is a quote of the value
    EXPECT_EQ(records[0].ItemDescr, "first\r\nsecond\r\n\r\nthird, with \"quotes\"");
    EXPECT_EQ(records[0].Password, "pw1");
    EXPECT_EQ(records[1].ItemDescr, "one line");
}

TEST_F(ImportTest, AQuoteLeftOpenToTheEndGathersTheLinesThatAreNoRecords)
{
    // Each line after the open quote has fewer separators than a record, so it may be notes.
    Use(Write("open.csv", "Name,Notes,Extra\r\nBank,\"notes\r\nShop,x\r\nTail,y\r\n"), {{1, 1}, {14, 2}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].ItemDescr, "\"notes\r\nShop,x\r\nTail,y"); // never closed: not an enclosing pair
}

// A quote that is not at the start of a value is a plain character, as CSV writers mean it:
// the record keeps it and no line after it is swallowed.
TEST_F(ImportTest, AQuoteInsideAValueIsAPlainCharacterAndLosesNoRecord)
{
    Use(Fixture("import-stray-quote.csv"), {{1, 1}, {2, 2}, {3, 3}, {5, 4}, {14, 5}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Keyboard", "Monitor", "Mouse", "Desk", "Chair"}));
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records[1].ItemDescr, "12\" monitor");
    EXPECT_EQ(records[1].Password, "pw2");
    EXPECT_EQ(records[4].ItemDescr, "tall, black");
    EXPECT_EQ(Log()[2], Logged("Accepted by User", "Monitor,https://screens.example,max,pw2,12\" monitor"));
}

// A quote that opens a value and is never closed: a following line that is a whole record of its
// own ends the gathering. Only the record with the open quote is lost, and it is logged.
TEST_F(ImportTest, AnUnclosedQuoteLosesOnlyItsOwnRecord)
{
    const QByteArray monitor = "Monitor,https://screens.example,max,pw2,\"12 monitor";
    const QByteArray others[] = {"Keyboard,https://keys.example,kim,pw1,wireless",
                                 "Mouse,https://mice.example,moe,pw3,", "Desk,https://desks.example,dee,pw4,oak"};
    struct Case {
        const char *name;
        QByteArray text;
        const char *headerLines;
        QStringList names;
    } cases[] = {
        {"second record",
         "name,url,user,password,notes\r\n" + others[0] + "\r\n" + monitor + "\r\n" + others[1] + "\r\n" + others[2] +
             "\r\n",
         "1",
         {"Keyboard", "Mouse", "Desk"}},
        {"first record, no header",
         monitor + "\r\n" + others[0] + "\r\n" + others[1] + "\r\n",
         "0",
         {"Keyboard", "Mouse"}},
        {"last record", others[0] + "\r\n" + monitor + "\r\n", "0", {"Keyboard", "Monitor"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        entryNames.clear();
        Use(Write("open.csv", c.text), {{1, 1}, {5, 4}, {14, 5}}, c.headerLines);
        QList<ItemManagerParams> records = ImportAll();
        EXPECT_EQ(Names(records), c.names);
        const bool dropped = !c.names.contains("Monitor");
        EXPECT_EQ(Log().contains(Logged("Invalid record: bad quotes", monitor)), dropped);
    }
}

// Without a header line, a first record whose notes run over three lines sets the separator and
// the separator count, however many lines it spans.
TEST_F(ImportTest, AFirstRecordOverThreeLinesSetsTheSeparatorAndTheCount)
{
    Use(Fixture("import-notes-first-semicolon.csv"), {{1, 1}, {2, 2}, {3, 3}, {5, 4}, {14, 5}});
    ItemManagerParams first;
    ASSERT_TRUE(engine.GetFirstImportRec(first));
    EXPECT_EQ(engine.GetCSVFieldSeparator(), ';');
    EXPECT_EQ(engine.GetCSVFieldCount(), 4);
    engine.ImportCSVUserAction(ImportUserAction::Quit);

    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Bank", "Shop", "Mail"}));
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].ItemDescr, "first line\r\nsecond line, with a comma\r\nthird line");
    EXPECT_EQ(records[0].URL, "https://bank.example");
    EXPECT_EQ(records[0].Password, "pw1");
    EXPECT_EQ(records[1].Password, "pw2");
    EXPECT_EQ(records[2].ItemDescr, "x, y");
}

// Quoted values over several lines in the shapes CSV writers produce, each between whole records,
// with LF and with CR LF line ends. A line break inside a value arrives as ";" (in the notes, as
// a line break), also where the value's last line holds the record's separators.
TEST_F(ImportTest, QuotedValuesOverSeveralLinesInEveryColumn)
{
    struct Record {
        QString name, url, notes;
    };
    struct Case {
        const char *shape;
        QByteArray records; // with "\n" for each line end
        QList<Record> expected;
    };
    const Case cases[] = {
        {"first column, its last line with the separators",
         "1,2,3\n\"Once upon\na time\",5,6\n",
         {{"1", "2", "3"}, {"Once upon;a time", "5", "6"}}},
        {"first column of the first record", "\"Once upon\na time\",5,6\n", {{"Once upon;a time", "5", "6"}}},
        {"middle column", "x,\"two\nlines\",3\n", {{"x", "two;lines", "3"}}},
        {"middle column, separators in each line", "x,\"a,b\nc,d\",3\n", {{"x", "a,b;c,d", "3"}}},
        {"last column", "x,2,\"three\nlines\"\n", {{"x", "2", "three\r\nlines"}}},
        {"last column, separators in its last line",
         "x,2,\"one\ntwo, three, four\"\n",
         {{"x", "2", "one\r\ntwo, three, four"}}},
        {"three lines with an empty one", "\"a\n\nb\",2,3\n", {{"a;;b", "2", "3"}}},
        {"doubled quotes inside", "\"say \"\"hi\"\"\nnow\",2,\"\"\"x\"\"\"\n", {{"say \"hi\";now", "2", "\"x\""}}},
        {"doubled quotes opening and closing a line", "x,\"a\n\"\"b\"\"\",3\n", {{"x", "a;\"b\"", "3"}}},
        {"empty quoted values", "x,\"\",\"\"\n", {{"x", "", ""}}},
        {"only a line break, middle", "x,\"\n\",3\n", {{"x", ";", "3"}}},
        {"only a line break, last", "x,2,\"\n\"\n", {{"x", "2", "\r\n"}}},
        {"two values over lines in one record", "\"n\n1\",\"u\n2\",\"t\n3\"\n", {{"n;1", "u;2", "t\r\n3"}}},
    };
    for (const char *lineEnd : {"\n", "\r\n"}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.shape) + (lineEnd[1] ? " (CR LF)" : " (LF)"));
            entryNames.clear();
            QByteArray text = "a,b,c\n" + c.records + "7,8,9\n";
            text.replace("\n", lineEnd);
            Use(Write("shapes.csv", text), {{1, 1}, {2, 2}, {14, 3}}, "1");
            const QList<ItemManagerParams> records = ImportAll();
            ASSERT_EQ(records.size(), c.expected.size() + 1) << Names(records).join('|').toStdString();
            for (qsizetype i = 0; i < c.expected.size(); ++i) {
                EXPECT_EQ(records[i].ItemName, c.expected[i].name);
                EXPECT_EQ(records[i].URL, c.expected[i].url);
                EXPECT_EQ(records[i].ItemDescr, c.expected[i].notes);
            }
            EXPECT_EQ(records.back().ItemName, "7");
            EXPECT_EQ(records.back().ItemDescr, "9");
            for (const QByteArray &line : Log())
                EXPECT_FALSE(line.startsWith("Invalid record")) << line.toStdString();
        }
    }
}

TEST_F(ImportTest, EveryKindOfLineEndEndsARecord)
{
    Use(Fixture("import-line-ends.csv"), {{1, 1}, {14, 2}});
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"One", "Two", "Three", "Four", "Five"}));
    EXPECT_EQ(records[3].ItemDescr, "four\r\na");
}

TEST_F(ImportTest, UnicodeFilesImportAsWindows1252)
{
    for (const char *fixture : {"import-utf8-bom.csv", "import-utf8.csv", "import-utf16le.csv", "import-utf16be.csv",
                                "import-cp1252.csv", "utf16le-without-mark", "utf16be-without-mark"}) {
        entryNames.clear();
        if (QByteArray(fixture).endsWith("-without-mark")) {
            QFile withMark(Fixture(QByteArray("import-" + QByteArray(fixture).first(7) + ".csv").constData()));
            ASSERT_TRUE(withMark.open(QIODevice::ReadOnly));
            Use(Write(fixture, withMark.readAll().mid(2)), {{1, 1}, {14, 2}});
        } else {
            Use(Fixture(fixture), {{1, 1}, {14, 2}});
        }
        QList<ItemManagerParams> records = ImportAll();
        ASSERT_GE(records.size(), 2) << fixture;
        // no byte-order mark in the first field
        EXPECT_EQ(records[0].ItemName, "Name") << fixture;
        EXPECT_EQ(records[1].ItemName, QStringLiteral("Caf\u00e9 \u20ac")) << fixture;
        EXPECT_EQ(records[1].ItemDescr, QStringLiteral("na\u00efve")) << fixture;
        if (records.size() > 2) {
            EXPECT_EQ(records[2].ItemName, "??") << fixture;
            EXPECT_EQ(records[2].ItemDescr, "? key") << fixture;
            // the characters the code page cannot hold are told apart from a "?" and named
            EXPECT_TRUE(Log().contains(Logged("Characters stored as ?", "Website name, Notes"))) << fixture;
            EXPECT_TRUE(Log().contains(Logged("Accepted by User", "??,? key"))) << fixture;
        }
        // the log is Windows-1252 too
        EXPECT_EQ(Log().first(), Logged("Accepted by User", "Name,Notes")) << fixture;
    }
}

// The notes store each line break as ";": a ";" of the file's own is replaced and logged like
// the characters the code page cannot hold, instead of coming back as a line break.
TEST_F(ImportTest, ASemicolonInTheNotesIsReplacedAndLogged)
{
    Use(Write("semicolon.csv", "Name,Notes\r\nISA,\"renew each April; rate 4.1%\"\r\nBank,a;b\r\n"), {{1, 1}, {14, 2}},
        "1");
    QList<ItemManagerParams> records = ImportAll();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].ItemDescr, "renew each April? rate 4.1%");
    EXPECT_EQ(records[0].ItemName, "ISA");
    EXPECT_TRUE(Log().contains(Logged("Characters stored as ?", "Notes")));
}

// A UTF-8 file with a line in Windows-1252: every other line keeps its accented letters, that
// line is read as Windows-1252, and the log says so after the record's line.
TEST_F(ImportTest, ALineThatIsNotUtf8IsReadAsWindows1252AndLogged)
{
    Use(Write("mixed.csv", "Name,Password\r\nBank,p\xc3\xa9"
                           "1\r\nZ\xfcrich,na\xefve\r\nCaf\xc3\xa9,x\r\n\xc3\x89t\xc3\xa9,y\r\n"),
        {{1, 1}, {5, 2}}, "1");
    QList<ItemManagerParams> records = ImportAll();
    EXPECT_EQ(Names(records), (QStringList{"Bank", QStringLiteral("Z\u00fcrich"), QStringLiteral("Caf\u00e9"),
                                           QStringLiteral("\u00c9t\u00e9")}));
    ASSERT_EQ(records.size(), 4);
    EXPECT_EQ(records[0].Password, QStringLiteral("p\u00e91"));
    EXPECT_EQ(records[1].Password, QStringLiteral("na\u00efve"));
    const QList<QByteArray> log = Log();
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log[1], Logged("Accepted by User", "Bank,p\xe9"
                                                 "1"));
    EXPECT_EQ(log[2], Logged("Accepted by User", "Z\xfcrich,na\xefve"));
    EXPECT_EQ(log[3], Logged("Not UTF-8", "read as Windows-1252: check its accented letters"));
    EXPECT_EQ(log[4], Logged("Accepted by User", "Caf\xe9,x"));
    EXPECT_EQ(log.count(Logged("Not UTF-8", "read as Windows-1252: check its accented letters")), 1);

    // the window can tell the record shown
    entryNames.clear();
    ItemManagerParams params;
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    EXPECT_EQ(engine.GetImportFileEncoding(), ImportFileEncoding::Utf8);
    EXPECT_FALSE(engine.RecordNotUtf8());
    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_TRUE(engine.RecordNotUtf8());
    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_FALSE(engine.RecordNotUtf8());
    engine.ImportCSVUserAction(ImportUserAction::Quit);
}

TEST_F(ImportTest, ShowLogOpensTheLogAndMarksItForDeletion)
{
    testing_support::TestPlatform testPlatform;
    platform::ScopedInstall guard(testPlatform);

    Use(Fixture("import-bank.csv"), {{1, 1}}, "1");
    engine.ImpExFormat.ShowLog = true;
    ImportAll();
    EXPECT_EQ(testPlatform.OpenedFiles, QStringList{engine.GetLogFileName()});
    EXPECT_EQ(importFiles.TempFiles(), QStringList{engine.GetLogFileName()});
}

TEST_F(ImportTest, BadInputNeverStopsTheImport)
{
    std::mt19937 random(20260309);
    QByteArray noise(300000, Qt::Uninitialized);
    for (char &c : noise)
        c = static_cast<char>(random() & 0xFF);
    QByteArray manyFields;
    for (int i = 0; i < 20000; ++i)
        manyFields += "f" + QByteArray::number(i) + (i % 7 ? "," : ";");
    const std::pair<const char *, QByteArray> inputs[] = {
        {"noise.csv", noise},
        {"enormous.csv", "Big," + QByteArray(8 * 1024 * 1024, 'x') + "\r\nSmall,y\r\n"},
        {"fields.csv", manyFields + "\r\n" + manyFields},
        {"binary.csv", QByteArray("\0\0\0\x01\x02\"\0,\0;\xff\xfe\r\0\n", 16)},
        {"quote.csv", "\""},
        {"quotes.csv", QByteArray(5000, '"') + "\n" + QByteArray(5001, '"') + "\n,,,\"\n"},
    };
    for (const auto &[name, bytes] : inputs) {
        Use(Write(name, bytes), {{1, 1},
                                 {2, 2},
                                 {3, 3},
                                 {4, 4},
                                 {5, 5},
                                 {6, 6},
                                 {7, 7},
                                 {8, 99},
                                 {9, 5000},
                                 {10, 10},
                                 {11, 11},
                                 {12, 12},
                                 {13, 13},
                                 {14, 14}});
        ImportAll();
        EXPECT_TRUE(Log().last().startsWith(Logged("Download complete"))) << name;
    }
}

TEST_F(ImportTest, DestroyingAnEngineInTheMiddleClosesBothFiles)
{
    QString file = Fixture("import-names.csv");
    QString logName;
    {
        TImportExport open{importFiles};
        open.ImpExFormat.ImpExFileName = file;
        open.ImpExFormat.ImportFields[1] = 1;
        ItemManagerParams params;
        ASSERT_TRUE(open.GetFirstImportRec(params));
        open.ImportCSVUserAction(ImportUserAction::Accepted);
        ASSERT_TRUE(open.GetNextImportRec(params));
        logName = open.GetLogFileName();
        EXPECT_EQ(OpenDescriptorsOf(file), 1);
        EXPECT_EQ(OpenDescriptorsOf(logName), 1);
    }
    EXPECT_EQ(OpenDescriptorsOf(file), 0);
    EXPECT_EQ(OpenDescriptorsOf(logName), 0);
    QFile log(logName);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = SplitCRLF(log.readAll().chopped(2));
    // closing in the middle ends the import as a quit does
    EXPECT_EQ(lines,
              (QList<QByteArray>{Logged("Accepted by User", "Bank,1"), Logged("Invalid record: Name missing", ",2"),
                                 Logged("Invalid record: Name missing", "   ,3"),
                                 Logged("Download terminated by user", "bank,4")}));
}

TEST_F(ImportTest, AFileThatCannotBeOpenedIsReportedWithTheReason)
{
    ItemManagerParams params;
    Use(dir.filePath("missing.csv"), {{1, 1}});
    try {
        engine.GetFirstImportRec(params);
        FAIL() << "no error for a missing file";
    } catch (const TextFileError &e) {
        EXPECT_EQ(e.Code(), ENOENT);
        EXPECT_TRUE(e.Message().contains("missing.csv"));
    }
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_FALSE(QFile::exists(dir.filePath("missing Log.txt")));

    // a log that cannot be created (a folder without write permission): the import file is
    // released again
    testing_support::TestPlatform testPlatform;
    platform::ScopedInstall guard(testPlatform);
    testPlatform.FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
        return op == testing_support::StorageOp::Create && path.endsWith(" Log.txt") ? EACCES : 0;
    };
    QString file = Fixture("import-bank.csv");
    Use(file, {{1, 1}});
    EXPECT_THROW(engine.GetFirstImportRec(params), TextFileError);
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_EQ(OpenDescriptorsOf(file), 0);
}

// A file whose header line the import knows: the columns no field takes are named once in the log
// and, where a record has a value in them, for that record; a one-time-password secret goes below
// the notes where they have room for it, and is left out whole, and said so, where not; a record
// without a name takes the host of its address, or the address where it has no host.
TEST_F(ImportTest, KnownHeaderLineNamesLeftOutColumnsAndPlacesTheSecret)
{
    const QByteArray longNotes(245, 'n'); // with the secret, more than the notes hold
    const QString file = Write("known.csv", "url,login,password,notes,folder,totp\r\n"
                                            "https://www.bank.example/login,alice,pw1,\"two\r\nlines\",Money,SECRET1\r\n"
                                            "mailto:x@mail.example,bob,pw2,\"" +
                                                longNotes + "\",,SECRET2\r\n"
                                                            ",carol,pw3,,,\r\n"
                                                            "http://sn,,,,Notes,\r\n"
                                                            "https://bank.example/other,alice2,pw4,,,\r\n");
    Use(file, {{2, 1}, {3, 2}, {5, 3}, {14, 4}}, "1");
    engine.ImpExFormat.ColumnNames = {"url", "login", "password", "notes", "folder", "totp"};
    engine.ImpExFormat.TotpColumn = 6;
    engine.ImpExFormat.NameFromAddress = true;

    ItemManagerParams params;
    ASSERT_TRUE(engine.GetFirstImportRec(params));
    EXPECT_EQ(params.ItemName, "bank.example");
    EXPECT_EQ(params.ItemDescr, "two\r\nlines\r\nTOTP: SECRET1");
    EXPECT_EQ(engine.UnimportedColumns(), QStringList{"folder"});
    EXPECT_FALSE(engine.TotpNotFitting());
    engine.ImportCSVUserAction(ImportUserAction::Accepted);

    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_EQ(params.ItemName, "mailto:x@mail.example"); // no host: the address as it stands
    EXPECT_EQ(params.ItemDescr, QString::fromLatin1(longNotes));
    EXPECT_TRUE(engine.TotpNotFitting());
    EXPECT_EQ(engine.UnimportedColumns(), QStringList{"totp"});
    engine.ImportCSVUserAction(ImportUserAction::Accepted);

    // No address, no name: passed over as nameless, as any record without a name.
    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_EQ(params.ItemName, "sn");
    EXPECT_EQ(engine.UnimportedColumns(), QStringList{"folder"});
    engine.ImportCSVUserAction(ImportUserAction::Rejected);
    // A second account on a host: told from the first by its customer ID, not passed over.
    ASSERT_TRUE(engine.GetNextImportRec(params));
    EXPECT_EQ(params.ItemName, "bank.example (alice2)");
    EXPECT_TRUE(engine.UnimportedColumns().isEmpty());
    engine.ImportCSVUserAction(ImportUserAction::Accepted);
    EXPECT_FALSE(engine.GetNextImportRec(params));

    const QList<QByteArray> log = Log();
    ASSERT_EQ(log.size(), 9);
    EXPECT_EQ(log[0], Logged("Header line", "url,login,password,notes,folder,totp"));
    EXPECT_EQ(log[1], Logged("Columns not imported", "folder"));
    EXPECT_EQ(log[4], Logged("TOTP secret not imported", "no room in the notes"));
    EXPECT_EQ(log[5], Logged("Invalid record: Name missing", ",carol,pw3,,,"));
    EXPECT_EQ(log[6], Logged("Rejected by User", "http://sn,,,,Notes,"));
    EXPECT_EQ(log[8], Logged("Download complete"));
}

} // namespace

// The summary at an import's end: a line for each count that is not 0, in words that agree with
// the count.
TEST(ImportSummary, CountsInWordsThatAgree)
{
    EXPECT_EQ(ImportedCountText(1), "1 item imported.");
    EXPECT_EQ(ImportedCountText(0), "0 items imported.");
    EXPECT_EQ(ImportedCountText(12), "12 items imported.");
    EXPECT_EQ(ImportSummaryText(TImportTally{5, 0, 0, 0, 0, 0}), "");
    EXPECT_EQ(ImportSummaryText(TImportTally{3, 1, 1, 1, 1, 1}),
              "1 record rejected.\n"
              "1 record passed over: an item has its name already.\n"
              "1 record passed over: it has no name.\n"
              "1 imported item had a field longer than Lockvex can store.\n"
              "1 imported item had characters Lockvex cannot store; each was stored as \"?\".\n"
              "Check them in the log.");
    EXPECT_EQ(ImportSummaryText(TImportTally{9, 2, 3, 0, 4, 0}),
              "2 records rejected.\n"
              "3 records passed over: an item has their name already.\n"
              "4 imported items had a field longer than Lockvex can store.\n"
              "Check them in the log.");
}
