#include "app/MgrImportFiles.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "app/SettingsFile.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSettings>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace
{

using platform::NameFacts;

const QString RunFolderPrefix = QStringLiteral("view-");
const QString FallbackFolderPrefix = QStringLiteral("lockvex-view-");
const QString LogsKey = QStringLiteral("ImportLogs"); // "device inode path" of each log made
constexpr int MostFreeNames = 99;

using MadeFile = TMadeImportFile;

platform::Platform &Desktop()
{
    return platform::Current();
}

// A folder of the user's that only they may use, not a link.
bool IsPrivateFolder(const QString &path)
{
    const NameFacts facts = Desktop().FactsOfName(path);
    return facts.What == NameFacts::Kind::Folder && facts.OwnedByUser && (facts.Permissions & 077) == 0;
}

QString Entry(const MadeFile &file)
{
    return QStringLiteral("%1 %2 %3").arg(file.Device).arg(file.Inode).arg(file.Path);
}

bool ParseEntry(const QString &text, MadeFile &file)
{
    const qsizetype first = text.indexOf(QLatin1Char(' '));
    const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char(' '), first + 1);
    if (second < 0)
        return false;
    bool deviceOk = false, inodeOk = false;
    file.Device = text.left(first).toULongLong(&deviceOk);
    file.Inode = text.mid(first + 1, second - first - 1).toULongLong(&inodeOk);
    file.Path = text.mid(second + 1);
    return deviceOk && inodeOk && !file.Path.isEmpty();
}

// The logs named in the settings file. Without a settings file name nothing is kept.
QStringList RecordedLogs(const QString &settingsFile)
{
    if (!SettingsFileUsable(settingsFile))
        return {};
    QSettings settings(settingsFile, QSettings::IniFormat);
    return settings.value(SettingsSection + QLatin1Char('/') + LogsKey).toStringList();
}

void RecordLogs(const QString &settingsFile, const QStringList &logs)
{
    if (!SettingsFileUsable(settingsFile))
        return;
    QSettings settings(settingsFile, QSettings::IniFormat);
    const QString key = SettingsSection + QLatin1Char('/') + LogsKey;
    if (logs.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, logs);
    settings.sync();
}

// Makes stem + ext new, or stem + " (2)" + ext, ... when a name is taken by anything.
int CreateUnderFreeName(const QString &stem, const QString &ext, QString &path, int &handle)
{
    handle = -1;
    int err = EEXIST;
    for (int n = 1; n <= MostFreeNames && err == EEXIST; ++n) {
        path = n == 1 ? stem + ext : QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(ext);
        err = Desktop().Files().Open(path, platform::FileOpenMode::CreateNew, handle);
    }
    return err;
}

void RemoveMadeFile(const MadeFile &file)
{
    Desktop().RemoveFileIfSame(file.Path, file.Device, file.Inode);
}

QString Reason(int err, const QString &path)
{
    const QString why = err == platform::NotRegularError ? QStringLiteral("It is not a plain file")
                                                         : QString::fromLocal8Bit(std::strerror(err));
    return why + QStringLiteral(": ") + QDir::toNativeSeparators(path);
}

// Removes the regular files of the user's directly in a private folder whose names end in
// suffix (empty: any), never going into a folder or through a link.
void RemoveFilesIn(const QString &folder, const QString &suffix)
{
    const auto entries = Desktop().ListFolder(folder);
    if (!entries)
        return;
    for (const platform::FolderEntry &entry : *entries) {
        if (!entry.Name.endsWith(suffix))
            continue;
        const QString path = folder + QLatin1Char('/') + entry.Name;
        const NameFacts facts = Desktop().FactsOfName(path);
        if (facts.What == NameFacts::Kind::Regular && facts.OwnedByUser)
            Desktop().RemoveFileIfSame(path, facts.Device, facts.Inode);
    }
}

} // namespace

QString ImportViewFolder(const QString &profileFolder)
{
    if (profileFolder.isEmpty())
        return QString();
    return QDir(profileFolder).filePath(QStringLiteral(".cache/lockvex-import"));
}

// Notes a file just made through its handle, so that the end of the run removes exactly it.
bool TImportFiles::NoteMadeFile(const QString &path, int handle, bool inSettings)
{
    platform::FileFacts facts;
    if (Desktop().Files().Facts(handle, facts) != 0)
        return false;
    const MadeFile made{path, facts.Device, facts.Inode, inSettings};
    madeFiles_.append(made);
    if (inSettings)
        RecordLogs(folders_.IniFileName, RecordedLogs(folders_.IniFileName) << Entry(made));
    return true;
}

// Removes the files this run made as stem + ext or under a free name made from them.
void TImportFiles::ForgetMadeFiles(const QString &stem, const QString &ext)
{
    QStringList logs = RecordedLogs(folders_.IniFileName);
    const qsizetype recorded = logs.size();
    for (qsizetype i = madeFiles_.size() - 1; i >= 0; --i) {
        const QString &path = madeFiles_[i].Path;
        if (path != stem + ext &&
            !(path.startsWith(stem + QStringLiteral(" (")) && path.endsWith(QStringLiteral(")") + ext)))
            continue;
        RemoveMadeFile(madeFiles_[i]);
        logs.removeAll(Entry(madeFiles_[i]));
        madeFiles_.removeAt(i);
    }
    if (logs.size() != recorded)
        RecordLogs(folders_.IniFileName, logs);
}

TImportFiles::~TImportFiles()
{
    RemoveMadeImportFiles();
}

QString TImportFiles::CreateImportViewFolder()
{
    if (!runFolder_.isEmpty())
        return runFolder_;
    const QString base = ImportViewFolder(folders_.ProfileFolder);
    if (!base.isEmpty()) {
        // The cache folder itself may be missing on a new account (made as its standard says,
        // owner only); where it is, and whether through a link, is the user's choice.
        Desktop().MakePrivateFolder(QFileInfo(base).absolutePath());
        Desktop().MakePrivateFolder(base);
        if (IsPrivateFolder(base))
            runFolder_ = Desktop().MakeUniqueFolder(base, RunFolderPrefix);
        runFolderInBase_ = !runFolder_.isEmpty();
    }
    // Anything else at that name (a link, a file, a pipe, another user's folder) is left alone.
    for (const QString &elsewhere : {Desktop().RuntimeFolder(), QDir::tempPath()}) {
        if (!runFolder_.isEmpty())
            break;
        if (!elsewhere.isEmpty())
            runFolder_ = Desktop().MakeUniqueFolder(elsewhere, FallbackFolderPrefix);
    }
    if (!runFolder_.isEmpty() && !IsPrivateFolder(runFolder_))
        runFolder_.clear();
    if (!runFolder_.isEmpty())
        runFolderLock_ = Desktop().LockFolder(runFolder_); // so that a start meanwhile leaves it be
    return runFolder_;
}

QString TImportFiles::WriteImportViewCopy(const QString &importFile, const QString &folder, QString &copy)
{
    platform::FileIo &files = Desktop().Files();
    int source = -1;
    if (const int err = files.Open(importFile, platform::FileOpenMode::ReadRegular, source))
        return Reason(err, importFile);
    platform::FileFacts sourceFacts;
    files.Facts(source, sourceFacts);

    QString name = QFileInfo(importFile).fileName();
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0)
        name.truncate(dot);
    const QString stem = folder + QLatin1Char('/') + name;
    // A copy of the same name made earlier in this run gives way to the new one.
    ForgetMadeFiles(stem, QStringLiteral(".txt"));
    int target = -1;
    if (const int err = CreateUnderFreeName(stem, QStringLiteral(".txt"), copy, target)) {
        files.Close(source);
        return Reason(err, copy);
    }
    if (!NoteMadeFile(copy, target, false)) {
        files.Close(source);
        files.Close(target);
        files.Remove(copy);
        return Reason(EIO, copy);
    }

    int err = 0;
    qint64 written = 0;
    if (sourceFacts.Size > ViewCopyLimit) {
        const QByteArray note = QStringLiteral("[Lockvex shows only the first %1 MB of this file: the view is "
                                               "shortened. The import reads the whole file.]\r\n")
                                    .arg(ViewCopyLimit / (1024 * 1024))
                                    .toLatin1();
        err = files.WriteAt(target, 0, note.constData(), note.size());
        written = note.size();
    }
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (qint64 read = 0; err == 0 && read < ViewCopyLimit;) {
        const qint64 size = qMin<qint64>(buffer.size(), ViewCopyLimit - read);
        const qint64 left = sourceFacts.Size - read;
        if (left <= 0)
            break;
        const qint64 chunk = qMin(size, left);
        err = files.ReadAt(source, read, buffer.data(), chunk);
        if (err == platform::ShortReadError)
            err = 0; // the file shrank meanwhile: the view is what there was
        if (err == 0)
            err = files.WriteAt(target, written, buffer.constData(), chunk);
        read += chunk;
        written += chunk;
    }
    files.Close(source);
    const int closeErr = files.Close(target);
    if (err == 0)
        err = closeErr;
    if (err != 0) {
        RemoveMadeFile(madeFiles_.takeLast());
        return Reason(err, err == closeErr ? copy : importFile);
    }
    return QString();
}

int TImportFiles::CreateImportLog(const QString &base, QString &logName, int &handle)
{
    // The log of an earlier import of the same file in this run gives way to the new one.
    ForgetMadeFiles(base + QStringLiteral(" Log"), QStringLiteral(".txt"));
    const int err = CreateUnderFreeName(base + QStringLiteral(" Log"), QStringLiteral(".txt"), logName, handle);
    if (err != 0)
        return err;
    if (!NoteMadeFile(logName, handle, true)) {
        Desktop().Files().Close(handle);
        Desktop().Files().Remove(logName);
        handle = -1;
        return EIO;
    }
    return 0;
}

QStringList TImportFiles::TempFiles() const
{
    QStringList paths;
    for (const MadeFile &file : madeFiles_)
        paths << file.Path;
    return paths;
}

bool TImportFiles::IsMadeImportFile(const QString &path) const
{
    const NameFacts facts = Desktop().FactsOfName(path);
    for (const MadeFile &file : std::as_const(madeFiles_))
        if (file.Path == path)
            return facts.What == NameFacts::Kind::Regular && facts.Device == file.Device && facts.Inode == file.Inode;
    return false;
}

void TImportFiles::RemoveMadeImportFiles(bool updateSettings)
{
    QStringList logs = updateSettings ? RecordedLogs(folders_.IniFileName) : QStringList();
    const qsizetype recorded = logs.size();
    for (const MadeFile &file : std::as_const(madeFiles_)) {
        RemoveMadeFile(file);
        if (file.InSettings)
            logs.removeAll(Entry(file));
    }
    madeFiles_.clear();
    if (updateSettings && logs.size() != recorded)
        RecordLogs(folders_.IniFileName, logs);
    if (!runFolder_.isEmpty()) {
        Desktop().RemoveEmptyFolder(runFolder_);
        Desktop().ReleaseFolderLock(runFolderLock_);
        runFolderLock_ = -1;
        runFolder_.clear();
        if (runFolderInBase_)
            Desktop().RemoveEmptyFolder(ImportViewFolder(folders_.ProfileFolder));
        runFolderInBase_ = false;
    }
}

void TImportFiles::RemoveLeftImportFiles()
{
    const QStringList logs = RecordedLogs(folders_.IniFileName);
    for (const QString &entry : logs) {
        MadeFile file;
        if (ParseEntry(entry, file))
            Desktop().RemoveFileIfSame(file.Path, file.Device, file.Inode);
    }
    if (!logs.isEmpty())
        RecordLogs(folders_.IniFileName, {});

    const QString base = ImportViewFolder(folders_.ProfileFolder);
    if (base.isEmpty() || !IsPrivateFolder(base))
        return; // not the program's folder: nothing in it is touched
    const auto entries = Desktop().ListFolder(base);
    if (!entries)
        return;
    for (const platform::FolderEntry &entry : *entries) {
        const QString path = base + QLatin1Char('/') + entry.Name;
        if (!entry.Name.startsWith(RunFolderPrefix) || path == runFolder_ || !IsPrivateFolder(path))
            continue;
        const int lock = Desktop().LockFolder(path);
        if (lock < 0)
            continue; // a copy of the program that runs now uses it
        RemoveFilesIn(path, QString());
        Desktop().RemoveEmptyFolder(path);
        Desktop().ReleaseFolderLock(lock);
    }
    // Copies that earlier versions of the program wrote straight into the folder.
    RemoveFilesIn(base, QStringLiteral(".txt"));
    Desktop().RemoveEmptyFolder(base);
}
