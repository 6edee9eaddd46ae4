#pragma once
// The platform on Linux as far as QtCore and POSIX reach: clock, folders, files, removable media.
// The desktop calls (browser, clipboard, beep, screen, dialogs) do nothing here; the desktop
// platform adds them.

#include "platform/Platform.h"

namespace platform {

class PosixPlatform : public Platform {
public:
    QDateTime Now() const override;
    QString ProfileFolder() const override;
    QString DocumentsFolder() const override;
    QString ProgramFilePath() const override;
    QDateTime ProgramFileDate() const override;
    QString LoginName() const override;
    QString HostName() const override;

    bool CopyFile(const QString &source, const QString &target, bool failIfExists) override;
    bool RenameFile(const QString &from, const QString &to) override;
    std::optional<QDateTime> LastWriteTime(const QString &path) const override;
    bool SetLastWriteTime(const QString &path, const QDateTime &time) override;
    std::optional<QList<FolderEntry>> ListFolder(const QString &folder) const override;
    bool FlushFile(const QString &path) override;
    bool FlushFolderOf(const QString &path) override;
    FileIo &Files() override;
    NameFacts FactsOfName(const QString &path) const override;
    int MakePrivateFolder(const QString &path) override;
    QString MakeUniqueFolder(const QString &parent, const QString &prefix) override;
    bool RemoveEmptyFolder(const QString &path) override;
    bool RemoveFileIfSame(const QString &path, uint64_t device, uint64_t inode) override;
    int LockFolder(const QString &path) override;
    void ReleaseFolderLock(int handle) override;
    QString RuntimeFolder() const override;

    bool IsOnRemovableMedium(const QString &path) const override;
    bool IsRemovableMountPoint(const QString &folder) const override;
    QString MountPointOf(const QString &path) const override;

    bool OpenUrl(const QString &) override { return false; }
    bool OpenMailLink(const QString &) override { return false; }
    bool OpenFile(const QString &) override { return false; }
    void SetClipboardText(const QString &) override {}
    QString ClipboardText() const override { return {}; }
    void Beep() override {}
    ScreenMetrics Screen() const override { return {}; }
    QString ChooseFolder(const QString &, const QString &, const QString &) override { return {}; }
    QString ChooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
};

} // namespace platform
