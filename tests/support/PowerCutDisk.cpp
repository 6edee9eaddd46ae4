#include "support/PowerCutDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace testing_support
{

namespace
{

constexpr qint64 SectorSize = 512;

uint64_t InodeOf(const QString &path)
{
    struct stat info {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? uint64_t(info.st_ino) : 0;
}

} // namespace

void PowerCutDisk::Follow(const QString &folder)
{
    folder_ = QFileInfo(folder).absoluteFilePath();
    Notice();
    flushedNames_ = names_;
    folderPending_.clear();
}

bool PowerCutDisk::InFolder(const QString &path) const
{
    return !folder_.isEmpty() && QFileInfo(path).absolutePath() == folder_;
}

QString PowerCutDisk::NameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QByteArray PowerCutDisk::RealContent(const QString &name) const
{
    QFile file(folder_ + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int PowerCutDisk::NewNode(const QByteArray &pendingContent)
{
    Node node;
    if (!pendingContent.isEmpty())
        node.Pending.push_back(Change{false, 0, 0, pendingContent});
    nodes_.push_back(node);
    return int(nodes_.size()) - 1;
}

void PowerCutDisk::Notice()
{
    if (folder_.isEmpty())
        return;
    std::map<QString, std::pair<uint64_t, QDateTime>> real;
    const QFileInfoList infos = QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : infos)
        real[info.fileName()] = {InodeOf(info.absoluteFilePath()), info.lastModified()};
    for (auto it = names_.begin(); it != names_.end();) {
        const auto found = real.find(it->first);
        if (found == real.end() || found->second.first != nodes_[size_t(it->second)].Inode) {
            folderPending_.push_back(FolderChange{it->first, QString(), it->second});
            it = names_.erase(it);
        } else {
            nodes_[size_t(it->second)].LastWrite = found->second.second;
            ++it;
        }
    }
    for (const auto &[name, facts] : real) {
        if (names_.count(name))
            continue;
        // Written behind the disk's back: nothing of it is taken as flushed.
        const int node = NewNode(RealContent(name));
        nodes_[size_t(node)].Inode = facts.first;
        nodes_[size_t(node)].LastWrite = facts.second;
        names_[name] = node;
        folderPending_.push_back(FolderChange{QString(), name, node});
    }
}

void PowerCutDisk::Event(const QString &what)
{
    Notice();
    const auto [first, last] = planned_.equal_range(events_);
    for (auto it = first; it != last; ++it) {
        Picture picture;
        picture.Event = events_;
        picture.Seed = it->second;
        picture.What = what;
        std::mt19937 random(it->second);
        // The folder: its changes since the last flush reach the disk in order, up to a point.
        std::map<QString, int> names = flushedNames_;
        const size_t kept = std::uniform_int_distribution<size_t>(0, folderPending_.size())(random);
        for (size_t i = 0; i < kept; ++i)
            Apply(names, folderPending_[i]);
        for (const auto &[name, node] : names)
            picture.Files.push_back(SurvivingFile{name, SurvivingContent(nodes_[size_t(node)], random()),
                                                  nodes_[size_t(node)].LastWrite, node});
        pictures_.push_back(std::move(picture));
    }
    ++events_;
}

void PowerCutDisk::Apply(std::map<QString, int> &names, const FolderChange &change) const
{
    if (!change.From.isEmpty()) {
        const auto it = names.find(change.From);
        if (it == names.end() || it->second != change.Node)
            return; // its creation did not reach the disk either
        names.erase(it);
    }
    if (!change.To.isEmpty())
        names[change.To] = change.Node;
}

QByteArray PowerCutDisk::SurvivingContent(const Node &node, unsigned seed) const
{
    std::mt19937 random(seed);
    // The sizes the file had after each change: the disk may hold any of them.
    std::vector<qint64> sizes{node.Flushed.size()};
    for (const Change &change : node.Pending)
        sizes.push_back(change.Cut ? change.Size : std::max(sizes.back(), change.Offset + change.Bytes.size()));
    const int how = std::uniform_int_distribution<int>(0, 7)(random);
    if (how == 0 || node.Pending.empty())
        return node.Flushed; // nothing since the last flush reached the disk
    if (how == 1) {
        // Everything did.
        QByteArray all = node.Flushed;
        for (const Change &change : node.Pending) {
            if (change.Cut) {
                all.resize(qsizetype(change.Size), '\0');
            } else {
                if (all.size() < change.Offset + change.Bytes.size())
                    all.resize(qsizetype(change.Offset + change.Bytes.size()), '\0');
                std::copy(change.Bytes.begin(), change.Bytes.end(), all.begin() + change.Offset);
            }
        }
        return all;
    }
    // Any sectors of the writes, in any order, in a file of any of its sizes: one it had after a
    // change, or one that a write-back stopped at a sector in between.
    qint64 size = sizes[std::uniform_int_distribution<size_t>(0, sizes.size() - 1)(random)];
    const auto [smallest, largest] = std::minmax_element(sizes.begin(), sizes.end());
    if (random() % 2 && *largest / SectorSize > *smallest / SectorSize)
        size = std::min(*largest, SectorSize * std::uniform_int_distribution<qint64>(*smallest / SectorSize + 1,
                                                                                     *largest / SectorSize)(random));
    QByteArray bytes = node.Flushed;
    bytes.resize(qsizetype(size), '\0');
    struct Piece {
        qint64 Offset;
        QByteArray Bytes;
    };
    std::vector<Piece> pieces;
    std::bernoulli_distribution reached(0.5);
    for (const Change &change : node.Pending) {
        if (change.Cut)
            continue;
        qint64 at = change.Offset;
        const qint64 end = change.Offset + change.Bytes.size();
        while (at < end) {
            const qint64 next = std::min(end, (at / SectorSize + 1) * SectorSize);
            if (reached(random))
                pieces.push_back(Piece{at, change.Bytes.mid(qsizetype(at - change.Offset), qsizetype(next - at))});
            at = next;
        }
    }
    std::shuffle(pieces.begin(), pieces.end(), random);
    for (const Piece &piece : pieces)
        for (qint64 i = 0; i < piece.Bytes.size() && piece.Offset + i < size; ++i)
            bytes[qsizetype(piece.Offset + i)] = piece.Bytes[qsizetype(i)];
    return bytes;
}

void PowerCutDisk::Restore(const Picture &picture)
{
    for (const QFileInfo &info : QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(info.absoluteFilePath());
    handles_.clear();
    names_.clear();
    folderPending_.clear();
    for (const SurvivingFile &file : picture.Files) {
        const QString path = folder_ + QLatin1Char('/') + file.Name;
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.Bytes) != file.Bytes.size())
            std::fprintf(stderr, "PowerCutDisk: cannot write %s\n", qPrintable(path));
        out.setFileTime(file.LastWrite, QFileDevice::FileModificationTime);
        out.close();
        Node &node = nodes_[size_t(file.Node)];
        node.Flushed = file.Bytes;
        node.Pending.clear();
        node.LastWrite = file.LastWrite;
        node.Inode = InodeOf(path);
        names_[file.Name] = file.Node;
    }
    flushedNames_ = names_;
}

void PowerCutDisk::FlushNode(int node, const QString &name)
{
    nodes_[size_t(node)].Flushed = RealContent(name);
    nodes_[size_t(node)].Pending.clear();
}

// ---------------------------------------------------------------------------------------------
// File operations

int PowerCutDisk::Open(const QString &path, platform::FileOpenMode mode, int &handle)
{
    if (!InFolder(path))
        return PosixFileIo::Open(path, mode, handle);
    const QString name = NameOf(path);
    const bool creates = mode == platform::FileOpenMode::CreateEmpty || mode == platform::FileOpenMode::OpenOrCreate ||
                         mode == platform::FileOpenMode::CreateNew;
    if (creates)
        Event(QStringLiteral("create ") + name);
    else
        Notice();
    const bool existed = names_.count(name) > 0;
    if (int err = PosixFileIo::Open(path, mode, handle))
        return err;
    int node = -1;
    if (existed) {
        node = names_[name];
        if (mode == platform::FileOpenMode::CreateEmpty)
            nodes_[size_t(node)].Pending.push_back(Change{true, 0, 0, {}});
    } else {
        node = NewNode(QByteArray());
        nodes_[size_t(node)].Inode = InodeOf(path);
        names_[name] = node;
        folderPending_.push_back(FolderChange{QString(), name, node});
    }
    handles_[handle] = {node, name};
    return 0;
}

int PowerCutDisk::WriteAt(int handle, qint64 offset, const void *data, qint64 size)
{
    const auto it = handles_.find(handle);
    if (it == handles_.end())
        return PosixFileIo::WriteAt(handle, offset, data, size);
    Event(QStringLiteral("write ") + it->second.second);
    const int err = PosixFileIo::WriteAt(handle, offset, data, size);
    if (err == 0)
        nodes_[size_t(it->second.first)].Pending.push_back(
            Change{false, offset, 0, QByteArray(static_cast<const char *>(data), qsizetype(size))});
    return err;
}

int PowerCutDisk::Sync(int handle)
{
    const auto it = handles_.find(handle);
    if (it == handles_.end())
        return PosixFileIo::Sync(handle);
    Event(QStringLiteral("flush ") + it->second.second);
    // The disk is a picture: the real file needs no flush.
    platform::FileFacts facts;
    if (int err = PosixFileIo::Facts(handle, facts))
        return err;
    QByteArray content(qsizetype(facts.Size), '\0');
    if (int err = PosixFileIo::ReadAt(handle, 0, content.data(), facts.Size))
        return err;
    nodes_[size_t(it->second.first)].Flushed = content;
    nodes_[size_t(it->second.first)].Pending.clear();
    return 0;
}

int PowerCutDisk::Truncate(int handle, qint64 size)
{
    const auto it = handles_.find(handle);
    if (it == handles_.end())
        return PosixFileIo::Truncate(handle, size);
    Event(QStringLiteral("cut ") + it->second.second);
    const int err = PosixFileIo::Truncate(handle, size);
    if (err == 0)
        nodes_[size_t(it->second.first)].Pending.push_back(Change{true, 0, size, {}});
    return err;
}

int PowerCutDisk::Facts(int handle, platform::FileFacts &facts)
{
    const int err = PosixFileIo::Facts(handle, facts);
    const auto it = handles_.find(handle);
    if (err == 0 && it != handles_.end()) {
        // The file's identity is the disk's, so that it stays the same through a restore.
        facts.Device = 0x5eed;
        facts.Inode = uint64_t(it->second.first) + 1;
    }
    return err;
}

int PowerCutDisk::Close(int handle)
{
    handles_.erase(handle);
    return PosixFileIo::Close(handle);
}

int PowerCutDisk::Remove(const QString &path)
{
    if (!InFolder(path))
        return PosixFileIo::Remove(path);
    Notice();
    const QString name = NameOf(path);
    if (!names_.count(name))
        return ENOENT;
    Event(QStringLiteral("remove ") + name);
    if (int err = PosixFileIo::Remove(path))
        return err;
    folderPending_.push_back(FolderChange{name, QString(), names_[name]});
    names_.erase(name);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Whole files

bool PowerCutDisk::CopyFile(const QString &source, const QString &target, bool failIfExists)
{
    if (!InFolder(target))
        return TestPlatform::CopyFile(source, target, failIfExists);
    if (Fault(StorageOp::Copy, target))
        return false;
    Notice();
    const QString name = NameOf(target);
    if (failIfExists && names_.count(name))
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    const QDateTime lastWrite = QFileInfo(source).lastModified();
    in.close();
    // As the platform copies: into a temporary beside the target, flushed, renamed into place,
    // the folder flushed.
    const QString temporaryName = QStringLiteral(".") + name + QStringLiteral(".lvtmp-copy");
    const QString temporary = folder_ + QLatin1Char('/') + temporaryName;
    Event(QStringLiteral("copy to ") + temporaryName);
    {
        QFile out(temporary);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            return false;
        out.setFileTime(lastWrite, QFileDevice::FileModificationTime);
    }
    const int node = NewNode(QByteArray());
    nodes_[size_t(node)].Flushed = bytes;
    nodes_[size_t(node)].Inode = InodeOf(temporary);
    nodes_[size_t(node)].LastWrite = lastWrite;
    names_[temporaryName] = node;
    folderPending_.push_back(FolderChange{QString(), temporaryName, node});
    Event(QStringLiteral("rename ") + temporaryName + QStringLiteral(" to ") + name);
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    names_.erase(temporaryName);
    names_[name] = node;
    folderPending_.push_back(FolderChange{temporaryName, name, node});
    FlushFolderOf(target);
    return true;
}

bool PowerCutDisk::RenameFile(const QString &from, const QString &to)
{
    if (!InFolder(from) || !InFolder(to))
        return TestPlatform::RenameFile(from, to);
    if (Fault(StorageOp::Rename, to))
        return false;
    Notice();
    const QString fromName = NameOf(from), toName = NameOf(to);
    if (!names_.count(fromName))
        return false;
    Event(QStringLiteral("rename ") + fromName + QStringLiteral(" to ") + toName);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    const int node = names_[fromName];
    names_.erase(fromName);
    names_[toName] = node;
    folderPending_.push_back(FolderChange{fromName, toName, node});
    FlushFolderOf(to);
    return true;
}

bool PowerCutDisk::FlushFile(const QString &path)
{
    if (!InFolder(path))
        return TestPlatform::FlushFile(path);
    if (Fault(StorageOp::Sync, path))
        return false;
    Notice();
    const QString name = NameOf(path);
    if (!names_.count(name))
        return false;
    Event(QStringLiteral("flush ") + name);
    FlushNode(names_[name], name);
    return true;
}

bool PowerCutDisk::FlushFolderOf(const QString &path)
{
    if (!InFolder(path))
        return TestPlatform::FlushFolderOf(path);
    if (Fault(StorageOp::FlushFolder, path))
        return false;
    Event(QStringLiteral("flush folder"));
    for (const FolderChange &change : folderPending_)
        Apply(flushedNames_, change);
    folderPending_.clear();
    return true;
}

} // namespace testing_support
