#include "common/PathRoutines.h"

#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace
{

TEST(PathRoutines, SplitFileName)
{
    struct Case {
        const char *full, *dir, *name, *ext;
    } cases[] = {
        {"/data/pw.backup.csv", "/data/", "pw", ".csv"},
        {"/home/first.last/Lockvex/TrelLockvex.acsdb", "/home/first.last/Lockvex/", "TrelLockvex", ".acsdb"},
        {"/pw.csv", "//", "pw", ".csv"},
        {"pw.csv", "", "pw", ".csv"},
        {"/data/README", "/data/", "README", ""},
        {"/data/", "/data/", "", ""},
        {"/data/.profile", "/data/", "", ".profile"},
        {"", "", "", ""},
    };
    for (const Case &c : cases) {
        QString dir = "x", name = "x", ext = "x";
        SplitFileName(c.full, dir, name, ext);
        EXPECT_EQ(dir, c.dir) << c.full;
        EXPECT_EQ(name, c.name) << c.full;
        EXPECT_EQ(ext, c.ext) << c.full;
    }
}

TEST(PathRoutines, SplitAtFirstDot)
{
    struct Case {
        const char *s, *ext, *base;
    } cases[] = {
        {"/data/pw.csv", "csv", "/data/pw"},
        {"/my.data/pw.csv", "data/pw.csv", "/my"},
        {"README", "", "README"},
        {"TrelLockvex.acsdb", "acsdb", "TrelLockvex"},
        {".", "", ""},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        QString ext = "x", base = "x";
        SplitAtFirstDot(c.s, ext, base);
        EXPECT_EQ(ext, c.ext) << c.s;
        EXPECT_EQ(base, c.base) << c.s;
    }
    QString same = "name.ext", ext;
    SplitAtFirstDot(same, ext, same);
    EXPECT_EQ(same, "name");
    EXPECT_EQ(ext, "ext");
}

TEST(PathRoutines, SplitFileAtFirstDotLeavesFoldersWhole)
{
    struct Case {
        const char *path, *ext, *base;
    } cases[] = {
        {"/home/john.smith/pw.csv", "csv", "/home/john.smith/pw"},
        {"/home/a/.local/share/pw.backup.CSV", "backup.CSV", "/home/a/.local/share/pw"},
        {"/my.data/README", "", "/my.data/README"},
        {"pw.exl", "exl", "pw"},
        {"/data/.csv", "csv", "/data/"},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        QString ext = "x", base = "x";
        SplitFileAtFirstDot(c.path, ext, base);
        EXPECT_EQ(ext, c.ext) << c.path;
        EXPECT_EQ(base, c.base) << c.path;
    }
}

TEST(PathRoutines, SplitLastFolder)
{
    struct Case {
        const char *path, *last, *parent;
    } cases[] = {
        {"/media/stick/Tools/Lockvex", "LOCKVEX", "/media/stick/Tools"},
        {"/media/stick/Tools/Lockvex/", "LOCKVEX", "/media/stick/Tools"},
        {"/Tools", "TOOLS", ""},
        {"/", "", ""},
        {"", "", ""},
        {"Lockvex", "LOCKVEX", ""},
        {"/home/first.last/data-é", "DATA-é", "/home/first.last"},
    };
    for (const Case &c : cases) {
        QString last = "x", parent = "x";
        SplitLastFolder(QString::fromUtf8(c.path), last, parent);
        EXPECT_EQ(last, QString::fromUtf8(c.last)) << c.path;
        EXPECT_EQ(parent, QString::fromUtf8(c.parent)) << c.path;
    }
}

TEST(PathRoutines, BuildFileName)
{
    struct Case {
        const char *name, *folder, *sub, *ext, *result;
    } cases[] = {
        {"*", " /data/ ", "", "*", "/data/*.*"},
        {"", "/data", "", "txt", "/data"},
        {"Lockvex User", "/home/a/Dropbox/Lockvex", "", "txt", "/home/a/Dropbox/Lockvex/Lockvex User.txt"},
        {"x", "/data", " Sub ", "csv", "/data/Sub/x.csv"},
        {"x", "/", "", "csv", "/x.csv"},
        {"", "", "", "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BuildFileName(c.name, c.folder, c.sub, c.ext), c.result) << c.name << " in " << c.folder;
}

class FolderCopyTest : public ::testing::Test
{
protected:
    testing_support::TestPlatform testPlatform;
    platform::ScopedInstall guard{testPlatform};
    QString src = testPlatform.Home() + "/src";
    QString dst = testPlatform.Home() + "/dst";
    QDateTime older = QDateTime(QDate(2020, 5, 1), QTime(10, 0, 0));
    QDateTime newer = QDateTime(QDate(2021, 5, 1), QTime(10, 0, 0));

    void SetUp() override { QDir().mkpath(src); }

    void Write(const QString &path, const QByteArray &bytes, const QDateTime &time)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ASSERT_TRUE(testPlatform.SetLastWriteTime(path, time));
    }
    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

TEST_F(FolderCopyTest, CopyNewerFileCopiesOnlyWhenTheSourceIsLater)
{
    Write(src + "/a", "new", newer.addSecs(1));
    QDir().mkpath(dst);
    EXPECT_TRUE(CopyNewerFile(src + "/missing", dst + "/missing"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/missing"));

    Write(dst + "/a", "same time", newer); // a memory stick keeps only even seconds
    EXPECT_TRUE(CopyNewerFile(src + "/a", dst + "/a"));
    EXPECT_EQ(Read(dst + "/a"), "same time");

    Write(dst + "/a", "newer copy", newer.addDays(1));
    EXPECT_TRUE(CopyNewerFile(src + "/a", dst + "/a"));
    EXPECT_EQ(Read(dst + "/a"), "newer copy");

    Write(dst + "/a", "old", older);
    EXPECT_TRUE(CopyNewerFile(src + "/a", dst + "/a"));
    EXPECT_EQ(Read(dst + "/a"), "new");
    EXPECT_EQ(*testPlatform.LastWriteTime(dst + "/a"), newer.addSecs(1));
}

TEST_F(FolderCopyTest, CopyFolderFilesCopiesPlainFilesKeepingTheirTimes)
{
    Write(src + "/TrelLockvex.acsdb", "data", newer);
    Write(src + "/TrelLockvex.BAC0", "backup", older);
    QDir().mkpath(src + "/sub");
    Write(src + "/sub/inner", "not copied", older);
    QFile::link(src + "/TrelLockvex.acsdb", src + "/link");

    EXPECT_TRUE(CopyFolderFiles(src, dst));
    EXPECT_EQ(Read(dst + "/TrelLockvex.acsdb"), "data");
    EXPECT_EQ(Read(dst + "/TrelLockvex.BAC0"), "backup");
    EXPECT_EQ(*testPlatform.LastWriteTime(dst + "/TrelLockvex.acsdb"), newer);
    EXPECT_EQ(*testPlatform.LastWriteTime(dst + "/TrelLockvex.BAC0"), older);
    EXPECT_FALSE(QFileInfo::exists(dst + "/sub"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/link"));

    EXPECT_FALSE(CopyFolderFiles(testPlatform.Home() + "/nowhere", dst));
}

TEST_F(FolderCopyTest, AnyFailedCopyIsReportedNotOnlyTheLast)
{
    Write(src + "/a.acsdb", "data", newer); // listed first, by name
    Write(src + "/b.txt", "notes", newer);
    testPlatform.FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
        return op == testing_support::StorageOp::Copy && path.endsWith("a.acsdb") ? EIO : 0;
    };
    EXPECT_FALSE(CopyFolderFiles(src, dst));
    EXPECT_EQ(Read(dst + "/b.txt"), "notes");
}

TEST_F(FolderCopyTest, DeleteFolderWipesPlainFilesThenTheFolder)
{
    Write(src + "/a", "x", older);
    Write(src + "/b", "y", older);
    DeleteFolder(src);
    EXPECT_FALSE(QFileInfo::exists(src));

    QDir().mkpath(dst + "/sub");
    Write(dst + "/c", "z", older);
    DeleteFolder(dst); // the subfolder stays, and so does the folder
    EXPECT_FALSE(QFileInfo::exists(dst + "/c"));
    EXPECT_TRUE(QFileInfo(dst + "/sub").isDir());

    DeleteFolder(testPlatform.Home() + "/nowhere");
    DeleteFolder("");
}

} // namespace
