#pragma once
// Everything the program needs from the desktop and the operating system, behind one interface,
// so that tests can stand in for the clock, the folders, removable media, the clipboard and the
// browser. The store and the entry logic see QtCore types only.

#include "platform/FileIo.h"

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

struct FolderEntry {
    QString Name;        // file or folder name, no path
    bool IsFolder = false;
    bool IsRegularFile = false; // a plain file: no link, device, socket or pipe
    qint64 Size = 0;
    QDateTime LastWrite; // local time
};

// What a name in a folder is: the name itself, never what a link there points to.
struct NameFacts {
    enum class Kind { Missing, Regular, Folder, Link, Other }; // Other: a pipe, a device, a socket
    Kind What = Kind::Missing;
    bool OwnedByUser = false; // by the user the program runs as
    uint64_t Device = 0;      // with Inode: which file this is
    uint64_t Inode = 0;
    int Permissions = 0; // the mode's permission bits, as 0700
};

// The screens as windows see them. Width and Height are the primary screen's whole size.
struct ScreenMetrics {
    int Width = 1920;
    int Height = 1200;
    int PixelsPerInch = 96;
    // Where windows may stand: the part of each screen that panels and docks leave free, in
    // desktop coordinates, the primary screen first. Empty: the primary screen whole, at (0, 0).
    QList<QRect> Areas;

    // The free part of the primary screen.
    QRect PrimaryArea() const;
    // The free parts of every screen, the primary screen first; never empty.
    QList<QRect> AllAreas() const;
    // The free part of the screen that holds the point; the primary screen's when none does.
    QRect AreaAt(const QPoint &point) const;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Clock: the current local date and time.
    virtual QDateTime Now() const = 0;

    // Special folders and the running program.
    virtual QString ProfileFolder() const = 0;   // the home folder
    virtual QString DocumentsFolder() const = 0; // the user's Documents folder
    virtual QString ProgramFilePath() const = 0; // full path of the running program file
    virtual QDateTime ProgramFileDate() const = 0;
    virtual QString LoginName() const = 0;       // for the in-use marker: login name
    virtual QString HostName() const = 0;        // and host name

    // Files. A copy keeps the source's last-write time; it is written under a temporary name in
    // the target folder and renamed into place. With failIfExists an existing target is kept and
    // the copy fails.
    virtual bool CopyFile(const QString &source, const QString &target, bool failIfExists) = 0;
    virtual bool RenameFile(const QString &from, const QString &to) = 0;
    virtual std::optional<QDateTime> LastWriteTime(const QString &path) const = 0;
    virtual bool SetLastWriteTime(const QString &path, const QDateTime &time) = 0;
    // Lists a folder (without "." and ".."); nullopt when the folder cannot be listed.
    virtual std::optional<QList<FolderEntry>> ListFolder(const QString &folder) const = 0;
    // Makes what was written to a file reach the disk; makes a new name or a rename in the folder
    // that holds path reach the disk. False when the system could not.
    virtual bool FlushFile(const QString &path) = 0;
    virtual bool FlushFolderOf(const QString &path) = 0;
    // The raw operations on files read and written at byte positions (the store's record files
    // and their journals).
    virtual FileIo &Files() = 0;

    // Names, files and folders that the program makes for itself and removes again; none of
    // these follows a link or goes into a folder it was not given.
    virtual NameFacts FactsOfName(const QString &path) const = 0;
    // Makes a folder that only its owner may use (0700). 0, or the error (EEXIST: the name is
    // taken, by whatever).
    virtual int MakePrivateFolder(const QString &path) = 0;
    // Makes a new folder, only its owner may use it, named prefix and six characters chosen to
    // be unique, in parent. Its path, or empty when none could be made.
    virtual QString MakeUniqueFolder(const QString &parent, const QString &prefix) = 0;
    // Removes a folder when it is empty; a link of that name is left alone.
    virtual bool RemoveEmptyFolder(const QString &path) = 0;
    // Removes the name only while it is still the regular file of that device and inode.
    virtual bool RemoveFileIfSame(const QString &path, uint64_t device, uint64_t inode) = 0;
    // Takes an exclusive lock on a folder (not through a link) for as long as the answer, a
    // handle, is not released; -1 when another holds it or it cannot be locked.
    virtual int LockFolder(const QString &path) = 0;
    virtual void ReleaseFolderLock(int handle) = 0;
    // The user's private folder for the files of running programs ($XDG_RUNTIME_DIR); empty
    // when the session has none.
    virtual QString RuntimeFolder() const = 0;

    // Removable media: is the path on a removable medium, and is the folder the mount point of one.
    virtual bool IsOnRemovableMedium(const QString &path) const = 0;
    virtual bool IsRemovableMountPoint(const QString &folder) const = 0;
    // The mount point of the file system that holds the path.
    virtual QString MountPointOf(const QString &path) const = 0;

    // Desktop: open a web address, a mail link or a file with the default program.
    virtual bool OpenUrl(const QString &address) = 0;
    virtual bool OpenMailLink(const QString &mailto) = 0;
    virtual bool OpenFile(const QString &path) = 0;

    // Clipboard: replace its content by plain text, marked so that clipboard managers keep no history.
    virtual void SetClipboardText(const QString &text) = 0;
    virtual QString ClipboardText() const = 0;

    virtual void Beep() = 0;
    virtual ScreenMetrics Screen() const = 0;

    // Session: onLock runs once when the desktop session locks or the computer is about to
    // sleep. A platform that cannot tell never runs it.
    virtual void WatchSessionLock(std::function<void()> onLock) { (void)onLock; }

    // File and folder dialogs over the active window. An empty result means the user cancelled.
    // The folder browser shows its title (what the folder is for) above the folders and offers
    // no button to make a new folder.
    virtual QString ChooseFolder(const QString &caption, const QString &title, const QString &startFolder) = 0;
    virtual QString ChooseOpenFile(const QString &caption, const QString &startFolder, const QString &filter) = 0;
};

// The platform in use. The program installs the desktop one at start; a test installs its double.
Platform &Current();
void Install(Platform *platform); // nullptr restores the one installed before by the program

// Installs a platform for the life of the object, then restores the previous one.
class ScopedInstall {
public:
    explicit ScopedInstall(Platform &platform);
    ~ScopedInstall();
    ScopedInstall(const ScopedInstall &) = delete;
    ScopedInstall &operator=(const ScopedInstall &) = delete;

private:
    Platform *previous_;
};

} // namespace platform
