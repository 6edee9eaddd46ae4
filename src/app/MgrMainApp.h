#pragma once
// The start's procedures: decide between normal and memory-stick mode, find the data file and
// sign in. The objects of the run belong to the session (app/LockvexSession.h).

#include "app/MgrSignIn.h"

#include <QString>

struct TDataLocation;
struct TRunFolders;
struct TRunState;

// Fixed names; none of them is configurable.
inline const QString LockvexFolderName = QStringLiteral("Lockvex");
inline const QString DataFileBaseName = QStringLiteral("TrelLockvex");
inline const QString DataFileExtension = QStringLiteral("acsdb");
inline const QString DataFileNameOnly = QStringLiteral("TrelLockvex.acsdb");
inline const QString NewerBackupNameOnly = QStringLiteral("TrelLockvex.BAC0");
inline const QString OlderBackupNameOnly = QStringLiteral("TrelLockvex.BAC1");
inline const QString IniFileNameOnly = QStringLiteral("Lockvex.INI");
inline const QString ProgramFileNameOnly = QStringLiteral("lockvex");
inline const QString ApplicationTitle = QStringLiteral("Lockvex");
inline const QString InUseMarkerName = QStringLiteral("Lockvex User");
inline const QString InUseMarkerExt = QStringLiteral("txt");

class LockvexSession;

class TMgrMainAppProcs {
public:
    // Takes the screen metrics and sets the folders of the session's run state (the first run
    // moves data lying directly in the Documents folder into the data folder). Works on the
    // session's run state, entry table, list manager and dialog procedures; the session owns it
    // and outlives it.
    explicit TMgrMainAppProcs(LockvexSession &session);
    TMgrMainAppProcs(const TMgrMainAppProcs &) = delete;
    TMgrMainAppProcs &operator=(const TMgrMainAppProcs &) = delete;

    bool LockvexDataExists(const QString &lockvexFolder) const;
    bool LockvexFolderExists(const QString &cloudPath, bool &cloudPathExists, QString &cloudFileLocation);
    // True: memory-stick mode (the program file lies on a removable medium); sets the paths for it.
    bool CheckRunAsApp();
    // Finds the data on the PC or in a cloud client's folder: the run's data location and data file.
    void LocateDataFile();
    // Signs the user in: through the prompt's dialog where the safe holds a password. When an
    // entry could not be read from the data file, sign-in fails without a dialog
    // (DataUnreadable), and the start ends as when the data file did not open.
    [[nodiscard]] TSignInOutcome CheckLockvexSignedIn(const TSignInPrompt &prompt);

    QString Workstr;

private:
    LockvexSession &session_;
};

// Reads or writes the in-use marker next to cloud data (sets the folders' InUseMarkerFile and
// DataUserName); true means read-only mode.
bool CheckDataInUse(TRunFolders &folders, const TDataLocation &location);
// The user of this copy as the in-use marker and the data file's lock name it: «login on host».
QString ThisUserName();
// Carries out the user's choice of data location at exit. Never wipes a folder whose data is
// not safely copied first.
void ApplyDataLocation(const TDataLocation &location, const TRunFolders &folders);

// Moves the data files lying directly in the Documents folder into the new data folder (first run).
void MigrateDocumentsData(const QString &documentsFolder, const QString &localDataFolder);
