// The files the import makes (its log, the view copies and their folder) when the names they
// would take are already taken by something hostile or unlucky: a link to a file or a folder of
// the user's, a hard link, a pipe, a link to /dev/zero, a file or folder of another user. None of
// it is written through, emptied, deleted or waited on; the program's own files go elsewhere and
// are removed at the end, and only they.

#include "app/MgrImportFiles.h"
#include "app/RunState.h"
#include "import/LockvexImport.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

enum class Hostile { LinkToFile, LinkToFolder, HardLink, Pipe, DevZero, OtherUsers };
enum class Place { CacheFolder, Log, ViewCopy };

const char *NameOf(Hostile kind)
{
    switch (kind) {
    case Hostile::LinkToFile:
        return "symlink to a file";
    case Hostile::LinkToFolder:
        return "symlink to a folder";
    case Hostile::HardLink:
        return "hard link";
    case Hostile::Pipe:
        return "FIFO";
    case Hostile::DevZero:
        return "/dev/zero";
    case Hostile::OtherUsers:
        break;
    }
    return "another user's";
}

QByteArray Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// The kind of the name itself (lstat), as a letter: f file, d folder, l link, p pipe, - none.
char KindOf(const QString &path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return '-';
    return S_ISLNK(info.st_mode) ? 'l' : S_ISDIR(info.st_mode) ? 'd' : S_ISFIFO(info.st_mode) ? 'p' : 'f';
}

class ImportFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folders.ProfileFolder = desktop.Profile;
        folders.DocumentsFolder = desktop.Documents;
        folders.IniFileName = desktop.Documents + QStringLiteral("/Lockvex.INI");
        Imports = desktop.Home() + QStringLiteral("/imports");
        Photos = desktop.Home() + QStringLiteral("/Photos");
        Notes = desktop.Home() + QStringLiteral("/notes/important.txt");
        ASSERT_TRUE(QDir().mkpath(Imports) && QDir().mkpath(Photos + QStringLiteral("/2025")) &&
                    QDir().mkpath(QFileInfo(Notes).path()) && QDir().mkpath(desktop.Home() + "/.cache"));
        Write(Photos + QStringLiteral("/beach.jpg"), "a picture");
        Write(Photos + QStringLiteral("/2025/snow.jpg"), "another picture");
        Write(Notes, "the user's notes");
        QFile::setPermissions(Notes, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        Csv = Imports + QStringLiteral("/pw.csv");
        Write(Csv, "Bank,secret\r\nShop,hidden\r\n");
    }

    void TearDown() override
    {
        files.RemoveMadeImportFiles();
    }

    // What the user has that nothing may touch: the photos and the notes, unchanged.
    void ExpectTheUsersFilesIntact()
    {
        EXPECT_EQ(Read(Photos + QStringLiteral("/beach.jpg")), "a picture");
        EXPECT_EQ(Read(Photos + QStringLiteral("/2025/snow.jpg")), "another picture");
        EXPECT_EQ(QDir(Photos).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"2025", "beach.jpg"}));
        EXPECT_EQ(Read(Notes), "the user's notes");
        EXPECT_EQ(QFileInfo(Notes).permissions() & (QFile::ReadGroup | QFile::ReadOther),
                  QFile::ReadGroup | QFile::ReadOther);
    }

    // Puts the hostile thing at path. Another user's is a file (a folder where a folder is
    // expected) open to everyone, that the platform double reports as someone else's.
    void Make(Hostile kind, const QString &path, bool folderExpected)
    {
        const QByteArray name = QFile::encodeName(path);
        switch (kind) {
        case Hostile::LinkToFile:
            ASSERT_EQ(::symlink(QFile::encodeName(Notes).constData(), name.constData()), 0);
            break;
        case Hostile::LinkToFolder:
            ASSERT_EQ(::symlink(QFile::encodeName(Photos).constData(), name.constData()), 0);
            break;
        case Hostile::HardLink:
            ASSERT_EQ(::link(QFile::encodeName(Notes).constData(), name.constData()), 0);
            break;
        case Hostile::Pipe:
            ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
            break;
        case Hostile::DevZero:
            ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0);
            break;
        case Hostile::OtherUsers:
            if (folderExpected) {
                ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/view-abcdef")));
                Write(path + QStringLiteral("/view-abcdef/pw.txt"), "someone else's");
                Write(path + QStringLiteral("/theirs.txt"), "someone else's");
                ::chmod(name.constData(), 0777);
            } else {
                Write(path, "someone else's");
                ::chmod(name.constData(), 0666);
            }
            desktop.OtherUsersNames << path;
            break;
        }
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    TRunFolders folders; // the run's home folder and settings file
    TImportFiles files{folders}; // the run's import files
    QString Imports, Photos, Notes, Csv;
};

const Hostile AllKinds[] = {Hostile::LinkToFile, Hostile::LinkToFolder, Hostile::HardLink,
                            Hostile::Pipe,       Hostile::DevZero,      Hostile::OtherUsers};

// One table: each place the import writes or reads, each hostile thing put there.
TEST_F(ImportFiles, NothingAtTheImportsNamesIsFollowedWrittenEmptiedOrWaitedOn)
{
    for (Place place : {Place::CacheFolder, Place::Log, Place::ViewCopy}) {
        for (Hostile kind : AllKinds) {
            SCOPED_TRACE(std::string(place == Place::CacheFolder ? "cache folder"
                                     : place == Place::Log       ? "log"
                                                                 : "view copy") +
                         " / " + NameOf(kind));
            QTemporaryDir scratch(desktop.Home() + QStringLiteral("/case-XXXXXX"));
            const QString cache = ImportViewFolder(folders.ProfileFolder);
            QElapsedTimer clock;
            clock.start();
            if (place == Place::CacheFolder) {
                Make(kind, cache, true);
                const char before = KindOf(cache);
                // A start, a view copy, the end of the run.
                files.RemoveLeftImportFiles();
                const QString folder = files.CreateImportViewFolder();
                ASSERT_FALSE(folder.isEmpty());
                EXPECT_FALSE(folder.startsWith(cache + QLatin1Char('/'))) << folder.toStdString();
                EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0); // group and others: nothing
                QString copy;
                EXPECT_EQ(files.WriteImportViewCopy(Csv, folder, copy), QString());
                EXPECT_EQ(Read(copy), "Bank,secret\r\nShop,hidden\r\n");
                files.RemoveMadeImportFiles();
                EXPECT_EQ(KindOf(copy), '-');
                EXPECT_EQ(KindOf(folder), '-');
                EXPECT_EQ(KindOf(cache), before);
                if (kind == Hostile::OtherUsers) {
                    EXPECT_EQ(Read(cache + QStringLiteral("/view-abcdef/pw.txt")), "someone else's");
                    EXPECT_EQ(Read(cache + QStringLiteral("/theirs.txt")), "someone else's");
                }
            } else if (place == Place::Log) {
                const QString taken = Imports + QStringLiteral("/pw Log.txt");
                Make(kind, taken, false);
                const char before = KindOf(taken);
                TImportExport engine(files);
                engine.SetDupeNameTest([](const QString &) { return false; });
                engine.ImpExFormat.ImportFields[1] = 1;
                engine.ImpExFormat.ImpExFileName = Csv;
                ItemManagerParams record;
                for (bool more = engine.GetFirstImportRec(record); more; more = engine.GetNextImportRec(record))
                    engine.ImportCSVUserAction(ImportUserAction::Accepted);
                const QString log = Imports + QStringLiteral("/pw Log (2).txt");
                EXPECT_EQ(engine.GetLogFileName(), log);
                EXPECT_TRUE(Read(log).startsWith("Accepted by User"));
                EXPECT_EQ(QFileInfo(log).permissions() & 0x0077, 0);
                EXPECT_EQ(files.TempFiles(), QStringList{log});
                files.RemoveMadeImportFiles();
                EXPECT_EQ(KindOf(log), '-');
                EXPECT_EQ(KindOf(taken), before);
                if (kind == Hostile::OtherUsers) {
                    EXPECT_EQ(Read(taken), "someone else's");
                    EXPECT_EQ(QFileInfo(taken).permissions() & QFile::ReadOther, QFile::ReadOther);
                }
                QFile::remove(taken);
            } else {
                const QString named = Imports + QStringLiteral("/x.csv");
                Make(kind, named, false);
                const QString folder = files.CreateImportViewFolder();
                QString copy;
                const QString problem = files.WriteImportViewCopy(named, folder, copy);
                const bool plainFile =
                    kind == Hostile::LinkToFile || kind == Hostile::HardLink || kind == Hostile::OtherUsers;
                if (plainFile) {
                    // What the import would read: the file the user named, read, never written.
                    EXPECT_EQ(problem, QString());
                    EXPECT_EQ(copy, folder + QStringLiteral("/x.txt"));
                    EXPECT_EQ(Read(copy), kind == Hostile::OtherUsers ? "someone else's" : "the user's notes");
                } else {
                    EXPECT_TRUE(problem.startsWith(QStringLiteral("It is not a plain file"))) << problem.toStdString();
                    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
                }
                files.RemoveMadeImportFiles();
                EXPECT_NE(KindOf(named), '-');
                QFile::remove(named);
            }
            EXPECT_LT(clock.elapsed(), 5000); // nothing waited on a pipe or read a device without end
            ExpectTheUsersFilesIntact();
            desktop.OtherUsersNames.clear();
            QFile::remove(cache);
            QDir(cache).removeRecursively();
        }
    }
}

TEST_F(ImportFiles, AViewCopyStopsAtItsLimitWithANote)
{
    const QString big = Imports + QStringLiteral("/big.csv");
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("First,line\r\n");
    ASSERT_TRUE(file.resize(ViewCopyLimit + 4096)); // the rest reads as zero bytes
    file.close();
    QString copy;
    ASSERT_EQ(files.WriteImportViewCopy(big, files.CreateImportViewFolder(), copy), QString());
    const QByteArray shown = Read(copy);
    const QByteArray note = "[Lockvex shows only the first 8 MB of this file: the view is shortened. The import "
                            "reads the whole file.]\r\n";
    EXPECT_EQ(shown.size(), ViewCopyLimit + note.size());
    EXPECT_TRUE(shown.startsWith(note + "First,line\r\n"));

    // A file within the limit is copied whole, without a note.
    ASSERT_TRUE(file.resize(ViewCopyLimit));
    ASSERT_EQ(files.WriteImportViewCopy(big, files.CreateImportViewFolder(), copy), QString());
    EXPECT_EQ(QFileInfo(copy).size(), ViewCopyLimit);
    EXPECT_TRUE(Read(copy).startsWith("First,line\r\n"));
    EXPECT_EQ(files.TempFiles(), QStringList{copy}); // the first copy gave way
}

// At the end only what this run made goes, and only while it is what was made.
TEST_F(ImportFiles, TheEndRemovesOnlyTheFilesMadeAsTheyWereMade)
{
    QString kept, replaced, plain;
    int handle = -1;
    ASSERT_EQ(files.CreateImportLog(Imports + QStringLiteral("/kept"), kept, handle), 0);
    ::close(handle);
    ASSERT_EQ(files.CreateImportLog(Imports + QStringLiteral("/replaced"), replaced, handle), 0);
    ::close(handle);
    ASSERT_EQ(files.CreateImportLog(Imports + QStringLiteral("/plain"), plain, handle), 0);
    ::close(handle);
    EXPECT_TRUE(files.IsMadeImportFile(plain));
    // The user puts a file of their own under one name (a new file, renamed over it) and a link
    // under the other.
    Write(Imports + QStringLiteral("/mine"), "the user's own");
    ASSERT_EQ(::rename(QFile::encodeName(Imports + QStringLiteral("/mine")).constData(),
                       QFile::encodeName(replaced).constData()),
              0);
    QFile::remove(kept);
    ASSERT_EQ(::symlink(QFile::encodeName(Notes).constData(), QFile::encodeName(kept).constData()), 0);
    EXPECT_FALSE(files.IsMadeImportFile(replaced));
    EXPECT_FALSE(files.IsMadeImportFile(kept));
    files.RemoveMadeImportFiles();
    EXPECT_EQ(KindOf(plain), '-');
    EXPECT_EQ(Read(replaced), "the user's own");
    EXPECT_EQ(KindOf(kept), 'l');
    ExpectTheUsersFilesIntact();
}

} // namespace
