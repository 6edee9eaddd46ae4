#pragma once
// The platform double for tests: a fixed clock, a temporary home with its Documents folder,
// a program path of the test's choosing, removable media by path, and a record of everything
// the program asked of the desktop. Files are real, inside the temporary home.

#include "platform/PosixPlatform.h"

#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <map>

namespace testing_support
{

// The storage operations a test can make fail. Sync is a flush of a file's content, through
// an open handle or of a whole file by its name.
enum class StorageOp { Open, Create, Read, Write, Sync, Truncate, Size, Close, Remove, Copy, Rename, FlushFolder };

// Whether a read or a write of size bytes at offset reaches the byte at position.
inline bool Covers(qint64 offset, qint64 size, qint64 position)
{
    return offset <= position && position < offset + size;
}

class TestPlatform : public platform::PosixPlatform
{
public:
    TestPlatform();

    // The temporary home; Documents lies inside it.
    QString Home() const { return home_.path(); }

    QDateTime Clock = QDateTime(QDate(2026, 3, 9), QTime(14, 5, 59));
    QString Profile;
    QString Documents;
    QString ProgramPath = QStringLiteral("/usr/local/bin/lockvex");
    QDateTime ProgramDate = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
    QString Login = QStringLiteral("alice");
    QString Host = QStringLiteral("laptop");
    QSet<QString> RemovableMountPoints; // folders that are mount points of removable media
    // Names that belong to another user, as FactsOfName tells (the tests cannot make such files
    // without the power to give files away).
    QSet<QString> OtherUsersNames;
    QString Runtime; // the runtime folder: "run" in the temporary home, made 0700

    QStringList OpenedUrls, OpenedMailLinks, OpenedFiles;
    QString Clipboard;
    int Beeps = 0;
    platform::ScreenMetrics ScreenInfo;
    std::function<QString(const QString &caption, const QString &start)> FolderAnswer;
    QStringList FolderTitles; // the title of every folder browser opened
    std::function<QString(const QString &caption, const QString &start, const QString &filter)> FileAnswer;

    // The fault seam for every storage operation: when set, it is asked before each operation on
    // a file's bytes (the platform's file operations) and each whole-file operation, with the
    // path (of a copy or a rename: the target; of a folder flush: the path whose folder it is)
    // and the byte position and size of a read or a write (else -1 and 0). A non-zero answer is
    // the error (errno value) the operation fails with, as on a full or removed disk, without
    // touching the disk; a failed close still releases its handle. A read of many records at
    // once is one read: Covers() tells whether it reaches a given position.
    std::function<int(StorageOp op, const QString &path, qint64 offset, qint64 size)> FailStorage;
    int Fault(StorageOp op, const QString &path, qint64 offset = -1, qint64 size = 0) const
    {
        return FailStorage ? FailStorage(op, path, offset, size) : 0;
    }

    QDateTime Now() const override { return Clock; }
    QString ProfileFolder() const override { return Profile; }
    QString DocumentsFolder() const override { return Documents; }
    QString ProgramFilePath() const override { return ProgramPath; }
    QDateTime ProgramFileDate() const override { return ProgramDate; }
    QString LoginName() const override { return Login; }
    QString HostName() const override { return Host; }

    bool CopyFile(const QString &source, const QString &target, bool failIfExists) override;
    bool RenameFile(const QString &from, const QString &to) override;
    bool FlushFile(const QString &path) override;
    bool FlushFolderOf(const QString &path) override;
    platform::FileIo &Files() override { return files_; }
    platform::NameFacts FactsOfName(const QString &path) const override;
    bool RemoveFileIfSame(const QString &path, uint64_t device, uint64_t inode) override;
    QString RuntimeFolder() const override { return Runtime; }

    bool IsOnRemovableMedium(const QString &path) const override;
    bool IsRemovableMountPoint(const QString &folder) const override;
    QString MountPointOf(const QString &path) const override;

    bool OpenUrl(const QString &address) override;
    bool OpenMailLink(const QString &mailto) override;
    bool OpenFile(const QString &path) override;
    void SetClipboardText(const QString &text) override { Clipboard = text; }
    QString ClipboardText() const override { return Clipboard; }
    void Beep() override { ++Beeps; }
    platform::ScreenMetrics Screen() const override { return ScreenInfo; }
    QString ChooseFolder(const QString &caption, const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &caption, const QString &startFolder, const QString &filter) override;

private:
    // The POSIX file operations, each asking the fault seam first.
    class FaultyFileIo : public platform::PosixFileIo
    {
    public:
        explicit FaultyFileIo(const TestPlatform &owner) : owner_(owner) {}
        int Open(const QString &path, platform::FileOpenMode mode, int &handle) override;
        int ReadAt(int handle, qint64 offset, void *buffer, qint64 size) override;
        int WriteAt(int handle, qint64 offset, const void *data, qint64 size) override;
        int Sync(int handle) override;
        int Truncate(int handle, qint64 size) override;
        int Facts(int handle, platform::FileFacts &facts) override;
        int Close(int handle) override;
        int Remove(const QString &path) override;

    private:
        QString PathOf(int handle) const
        {
            const auto it = paths_.find(handle);
            return it == paths_.end() ? QString() : it->second;
        }
        const TestPlatform &owner_;
        std::map<int, QString> paths_; // of the open handles
    };

    QTemporaryDir home_;
    FaultyFileIo files_{*this};
};

} // namespace testing_support
