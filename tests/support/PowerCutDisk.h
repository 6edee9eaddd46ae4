#pragma once
// A disk that can lose its power. The files of one folder are real (they are what the running
// program sees, as the page cache is), and beside them the disk keeps what would survive a power
// cut: for every file the content it had at its last flush and the writes since, and for the
// folder the names it had at its last flush and the creations, renames and removals since.
//
// Before an operation that changes what the disk holds (an event: a write, a flush, a cut, a
// creation, a removal, a copy step, a rename), a planned cut draws a picture of what the power
// cut would leave at that moment:
// - of the folder changes since its last flush, the first few in order (none, some, or all),
//   as a journaling file system commits them;
// - of each file's writes since its last flush, any subset of their 512-byte sectors, reaching
//   the disk in any order, and a size anywhere between the flushed one and the one after the
//   last change; what no surviving sector covers is the old content, or zeros beyond it.
// Restore() puts such a picture in place of the folder, so that a fresh start can be tried on it.
//
// The record files reach the disk through the platform's file operations (Files(): the disk
// itself), whole files through the platform (copy, rename, flush). Anything else that changes
// the folder (a temporary removed with QFile) is noticed at the next event, and taken as not yet
// flushed. The fault seam of the test platform applies to the whole-file operations only.

#include "platform/FileIo.h"
#include "support/TestPlatform.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace testing_support
{

class PowerCutDisk : public TestPlatform, public platform::PosixFileIo
{
public:
    struct SurvivingFile {
        QString Name;
        QByteArray Bytes;
        QDateTime LastWrite;
        int Node = -1; // which file it is, whatever its name
    };
    struct Picture {
        int Event = 0; // the number of events done before the cut
        unsigned Seed = 0;
        QString What; // the operation the cut came before, as "write TrelLockvex.acsdb"
        std::vector<SurvivingFile> Files;
    };

    // The folder whose files the disk follows; it exists and is empty.
    void Follow(const QString &folder);
    int Events() const { return events_; }
    // Before the event with this number, a picture drawn with this seed.
    void PlanCut(int event, unsigned seed) { planned_.emplace(event, seed); }
    // The pictures drawn so far; the cuts not reached yet are dropped.
    std::vector<Picture> TakePictures()
    {
        planned_.clear();
        return std::move(pictures_);
    }
    // Empties the folder and puts the picture's files there: from now on they are all the disk
    // holds, flushed.
    void Restore(const Picture &picture);

    // File operations
    int Open(const QString &path, platform::FileOpenMode mode, int &handle) override;
    int WriteAt(int handle, qint64 offset, const void *data, qint64 size) override;
    int Sync(int handle) override;
    int Truncate(int handle, qint64 size) override;
    int Facts(int handle, platform::FileFacts &facts) override;
    int Close(int handle) override;
    int Remove(const QString &path) override;

    platform::FileIo &Files() override { return *this; }

    // Whole files
    bool CopyFile(const QString &source, const QString &target, bool failIfExists) override;
    bool RenameFile(const QString &from, const QString &to) override;
    bool FlushFile(const QString &path) override;
    bool FlushFolderOf(const QString &path) override;

private:
    struct Change {
        bool Cut = false; // a truncation to Size, else Bytes written at Offset
        qint64 Offset = 0;
        qint64 Size = 0;
        QByteArray Bytes;
    };
    struct Node {
        QByteArray Flushed;
        std::vector<Change> Pending;
        QDateTime LastWrite;
        uint64_t Inode = 0; // the real file while it has a name
    };
    struct FolderChange {
        QString From, To; // a creation has no From, a removal no To
        int Node = -1;
    };

    bool InFolder(const QString &path) const;
    static QString NameOf(const QString &path);
    void Event(const QString &what);
    void Notice(); // the folder's changes made behind the disk's back
    int NewNode(const QByteArray &pendingContent);
    QByteArray RealContent(const QString &name) const;
    QByteArray SurvivingContent(const Node &node, unsigned seed) const;
    void Apply(std::map<QString, int> &names, const FolderChange &change) const;
    void FlushNode(int node, const QString &name);

    QString folder_;
    int events_ = 0;
    std::multimap<int, unsigned> planned_;
    std::vector<Picture> pictures_;
    std::vector<Node> nodes_;
    std::map<QString, int> names_;        // the folder as the running program sees it
    std::map<QString, int> flushedNames_; // the folder as its last flush left it on the disk
    std::vector<FolderChange> folderPending_;
    std::map<int, std::pair<int, QString>> handles_; // handle: node and name
};

} // namespace testing_support
