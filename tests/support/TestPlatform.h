#pragma once
// The platform double for tests: a fixed clock, a temporary home with its Documents folder,
// a program path of the test's choosing, removable media by path, and a record of everything
// the program asked of the desktop. Files are real, inside the temporary home.

#include "platform/PosixPlatform.h"

#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace testing_support {

class TestPlatform : public platform::PosixPlatform {
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

    QStringList OpenedUrls, OpenedMailLinks, OpenedFiles;
    QString Clipboard;
    int Beeps = 0;
    platform::ScreenMetrics ScreenInfo;
    std::function<QString(const QString &caption, const QString &start)> FolderAnswer;
    QStringList FolderTitles; // the title of every folder browser opened
    std::function<QString(const QString &caption, const QString &start, const QString &filter)> FileAnswer;

    // Fault seam: when set and it answers true for an operation ("copy", "rename", "flush" of a
    // file, "flushfolder" of the folder that holds a path) and a path,
    // that operation fails as on a full or removed disk.
    std::function<bool(const QString &operation, const QString &path)> FailOperation;

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
    QTemporaryDir home_;
};

} // namespace testing_support
