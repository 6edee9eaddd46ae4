#include "common/PathRoutines.h"

#include "common/TextRoutines.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

constexpr QChar Sep = QLatin1Char('/');
constexpr QChar Dot = QLatin1Char('.');

QString TrimmedBlanks(const QString &s)
{
    qsizetype end = s.size();
    while (end > 0 && s[end - 1].unicode() <= 32)
        --end;
    qsizetype start = 0;
    while (start < end && s[start].unicode() <= 32)
        ++start;
    return s.mid(start, end - start);
}

// Last-write time in two-second steps, as the file systems of memory sticks keep it.
std::optional<qint64> TwoSecondTicks(const QString &path)
{
    std::optional<QDateTime> time = platform::Current().LastWriteTime(path);
    if (!time || !time->isValid())
        return std::nullopt;
    qint64 secs = time->toSecsSinceEpoch();
    return secs >= 0 ? secs / 2 : (secs - 1) / 2;
}

} // namespace

void SplitFileName(const QString &fullName, QString &dir, QString &name, QString &ext)
{
    const qsizetype lastSep = fullName.lastIndexOf(Sep);
    const QString fileName = fullName.mid(lastSep + 1);
    if (lastSep < 0) {
        // A bare file name has no folder part: Dir stays empty, so that Dir + a name stays in
        // the current folder instead of the root.
        dir.clear();
    } else {
        // The root keeps its own separator, so «/pw.csv» gives «//» (harmless: «//x» is «/x»).
        QString folder = fullName.left(lastSep);
        if (folder.isEmpty())
            folder = Sep;
        dir = folder + Sep;
    }
    const qsizetype firstDot = fileName.indexOf(Dot);
    name = firstDot < 0 ? fileName : fileName.left(firstDot);
    const qsizetype lastDot = fileName.lastIndexOf(Dot);
    ext = lastDot < 0 ? QString() : fileName.mid(lastDot);
}

void SplitAtFirstDot(const QString &s, QString &ext, QString &base)
{
    const qsizetype dot = s.indexOf(Dot);
    if (dot < 0) {
        ext.clear();
        base = s;
        return;
    }
    // Read s before writing: a caller may pass the same string as s and base.
    QString before = s.left(dot), after = s.mid(dot + 1);
    ext = after;
    base = before;
}

void SplitFileAtFirstDot(const QString &path, QString &ext, QString &base)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.indexOf(Dot, nameStart);
    if (dot < 0) {
        ext.clear();
        base = path;
        return;
    }
    QString before = path.left(dot), after = path.mid(dot + 1);
    ext = after;
    base = before;
}

void SplitLastFolder(const QString &path, QString &lastName, QString &parent)
{
    QString rest = path;
    if (rest.endsWith(Sep))
        rest.chop(1);
    const qsizetype lastSep = rest.lastIndexOf(Sep);
    // Parent never keeps its trailing separator, so a folder just below the root («/Tools») has
    // the empty Parent, as «E:» stands for the root of a drive: Parent + "/" + a name is then
    // a name in the root. The root «/» itself gives an empty LastName and an empty Parent.
    lastName = AsciiUpper(rest.mid(lastSep + 1));
    parent = lastSep < 0 ? QString() : rest.left(lastSep);
}

QString BuildFileName(const QString &name, const QString &folder, const QString &subFolder, const QString &ext)
{
    QString result = TrimmedBlanks(folder);
    if (result.endsWith(Sep))
        result.chop(1);
    result = TrimmedBlanks(result);
    const QString sub = TrimmedBlanks(subFolder);
    if (!sub.isEmpty())
        result += Sep + sub;
    if (!name.isEmpty())
        result += Sep + name + Dot + ext;
    return result;
}

bool CopyNewerFile(const QString &src, const QString &dst)
{
    if (!QFileInfo(src).isFile())
        return true; // nothing to copy
    if (QFileInfo::exists(dst)) {
        std::optional<qint64> srcTime = TwoSecondTicks(src), dstTime = TwoSecondTicks(dst);
        if (srcTime && dstTime && *srcTime <= *dstTime)
            return true; // the copy is as new as the source
    }
    return platform::Current().CopyFile(src, dst, false);
}

bool CopyFolderFiles(const QString &srcFolder, const QString &dstFolder)
{
    if (!QFileInfo(dstFolder).isDir())
        QDir().mkdir(dstFolder);
    std::optional<QList<platform::FolderEntry>> entries = platform::Current().ListFolder(srcFolder);
    if (!entries)
        return false;
    // Every failed copy counts, not only the last: a caller that wipes the source after a
    // reported success must not lose a file whose copy failed earlier in the listing.
    bool allCopied = true;
    for (const platform::FolderEntry &entry : *entries) {
        if (!entry.IsRegularFile)
            continue;
        if (!CopyNewerFile(srcFolder + Sep + entry.Name, dstFolder + Sep + entry.Name))
            allCopied = false;
    }
    return allCopied;
}

void DeleteFolder(const QString &folder)
{
    if (folder.isEmpty())
        return; // never the current folder by accident
    if (std::optional<QList<platform::FolderEntry>> entries = platform::Current().ListFolder(folder)) {
        for (const platform::FolderEntry &entry : *entries)
            if (entry.IsRegularFile)
                QFile::remove(folder + Sep + entry.Name);
    }
    QDir().rmdir(folder);
}
