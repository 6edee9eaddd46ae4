#pragma once
// The files the import makes: the import log beside the import file and the view copies of
// import files. Each is made new under a name nothing bears yet, readable by its owner only, and
// is known by its device and inode from then on: at the end of the run exactly these files are
// removed, and a name that meanwhile names another file, a link or a folder is left alone.
//
// The view copies go to a folder of this run's own, made fresh inside «<home>/.cache/
// lockvex-import» when that is a real folder of the user's that only they may use (not through
// a link), else in the session's runtime folder or the system's temporary folder. Not in the data
// folder, which a cloud client may synchronise, and never beside the import file, where
// «name.txt» could be a file of the user's.
//
// A run that does not end normally (killed, crashed, its display gone) leaves its files behind:
// the logs are named in the settings file when they are made, the view copies lie in their run's
// folder, and the next start removes them, each after checking again that it is the file made.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

struct TRunFolders;

// A view copy stops after this many bytes of the import file, with a note that it is shortened:
// no import file of sign-ons comes near it, and a file that never ends cannot fill the disk.
inline constexpr qint64 ViewCopyLimit = 8 * 1024 * 1024;

// «<home>/.cache/lockvex-import» of the home folder given; empty while the home folder is unknown.
QString ImportViewFolder(const QString &profileFolder);

// A file the import made, as it was made: the end of the run removes it only while it is so.
struct TMadeImportFile {
    QString Path;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool InSettings = false; // a log, named in the settings file
};

// The files one run of the program made for its imports. The session owns one (TempFiles) and
// the dialog procedures hand it to the import window; freeing it removes what it made.
class TImportFiles
{
public:
    // folders: the run's folders (the home folder for the view copies, the settings file that
    // names the logs), read when used; they outlive the files.
    explicit TImportFiles(const TRunFolders &folders) : folders_(folders) {}
    // Removes the files made, as RemoveMadeImportFiles does.
    ~TImportFiles();
    TImportFiles(const TImportFiles &) = delete;
    TImportFiles &operator=(const TImportFiles &) = delete;

    // This run's folder for view copies, made on first use (owner only); empty when none could
    // be made.
    QString CreateImportViewFolder();

    // Copies the import file into the folder as «name.txt» (the import file's name without its
    // extension), or the next free name «name (2).txt», ...; an earlier copy of the same name
    // made by this run is replaced. Only a regular file is read, and nothing waits on a pipe or a
    // device. Answers an empty text, or the reason for the user when it failed; nothing of a
    // failed copy is left. copy: the name written.
    QString WriteImportViewCopy(const QString &importFile, const QString &folder, QString &copy);

    // Makes the import log «<base> Log.txt» new, or «<base> Log (2).txt», ... when the name is
    // taken by anything, owner only, and notes it for removal (also in the settings file, for a
    // run that does not end normally). 0 and the open handle and name, or the error (errno) and
    // the name it met the error on.
    int CreateImportLog(const QString &base, QString &logName, int &handle);

    // Whether the path names a file this run made that is still there as it was made.
    bool IsMadeImportFile(const QString &path) const;

    // The files made and not removed yet, in the order they were made: what the end of the run
    // removes.
    QStringList TempFiles() const;

    // At the end of a run: removes the files this run made, while they are the files made, then
    // its view folder when empty. updateSettings false: the settings file keeps naming the logs
    // (an exit() from within a library, when Qt's settings may be gone already); the next start
    // finds them removed and forgets them.
    void RemoveMadeImportFiles(bool updateSettings = true);
    // At start, when no other copy of the program runs on the data: removes the logs and view
    // copies that runs which did not end normally left behind (never this run's own folder).
    void RemoveLeftImportFiles();

private:
    bool NoteMadeFile(const QString &path, int handle, bool inSettings);
    void ForgetMadeFiles(const QString &stem, const QString &ext);

    const TRunFolders &folders_;
    QList<TMadeImportFile> madeFiles_; // by this run, in order
    QString runFolder_;                // this run's view folder, once made
    bool runFolderInBase_ = false;     // made in the home folder's view folder, not elsewhere
    int runFolderLock_ = -1;
};
