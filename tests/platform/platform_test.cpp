#include "platform/PosixPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(PosixPlatform, CopyKeepsLastWriteTimeAndModeAndHonoursNoOverwrite)
{
    QTemporaryDir dir;
    platform::PosixPlatform posix;
    QString source = dir.filePath("a.bin"), target = dir.filePath("b.bin");
    WriteFile(source, "secret bytes");
    ::chmod(QFile::encodeName(source).constData(), 0600);
    QDateTime then(QDate(2020, 5, 17), QTime(10, 11, 12));
    ASSERT_TRUE(posix.SetLastWriteTime(source, then));

    ASSERT_TRUE(posix.CopyFile(source, target, true));
    EXPECT_EQ(ReadAll(target), "secret bytes");
    EXPECT_EQ(posix.LastWriteTime(target).value(), then);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    WriteFile(source, "changed");
    EXPECT_FALSE(posix.CopyFile(source, target, true));
    EXPECT_EQ(ReadAll(target), "secret bytes");
    EXPECT_TRUE(posix.CopyFile(source, target, false));
    EXPECT_EQ(ReadAll(target), "changed");
    // No temporary file is left behind in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(PosixPlatform, CopyOfAMissingSourceFailsAndListingAMissingFolderIsNothing)
{
    QTemporaryDir dir;
    platform::PosixPlatform posix;
    EXPECT_FALSE(posix.CopyFile(dir.filePath("none"), dir.filePath("b"), false));
    EXPECT_FALSE(posix.ListFolder(dir.filePath("none")).has_value());
    EXPECT_FALSE(posix.LastWriteTime(dir.filePath("none")).has_value());
    EXPECT_FALSE(posix.IsRemovableMountPoint(dir.path()));
}

} // namespace
