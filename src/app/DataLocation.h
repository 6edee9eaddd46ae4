#pragma once
// The cloud clients whose synchronised folder can hold the data, as one table, and what this run
// found of them and chose among them. Every operation over the clients (looking for their
// folders, telling where the data is, moving it there at exit) is written once over the table.

#include <QString>

#include <array>

// Where the data can be; also the picture shown beside each choice.
enum class TDataPlace { PC, Dropbox, GoogleDrive, OneDrive };

// The clients, in the order they are looked at: the first one that holds data holds the run's.
enum TCloudClient : int { CloudDropbox, CloudGoogleDrive, CloudOneDrive, CloudClientCount };

// What the program knows of a client for good.
struct TCloudClientRow {
    QString Folder;      // the client's folder in the home folder
    QString OlderFolder; // the folder an older version of the client used; empty when none
    QString ChoiceName;  // the name message 1 gives when the client is not installed
    TDataPlace Picture;
    QString HeaderText;  // how the main window's header names the place of the data
    QString SignInText;  // how the sign-in dialogs name it
};
extern const std::array<TCloudClientRow, CloudClientCount> CloudClients;

// What this run found of one client, and whether the user chose it for the data at exit. The
// description's names map onto it: DropboxPath is Clients[CloudDropbox].Path, DropboxExists
// .Exists, DataInDropbox .DataIn, DropboxDataFile .DataFile, UseDropbox .Use; likewise for
// GoogleDrive and OneDrive.
struct TCloudClientState {
    QString Path;     // the client's folder (for OneDrive the older "SkyDrive" when only it is there)
    QString DataFile; // the data file in the client's Lockvex folder
    bool Exists = false;
    bool DataIn = false;
    bool Use = false;
};

// The run's data location (the session's Run.Location, once RunLocation): the clients' state, the
// user's choice for the next start, and the cloud folder the data came from. Start-up fills it
// and the exit applies it.
struct TDataLocation {
    std::array<TCloudClientState, CloudClientCount> Clients;
    bool UsePC = false;
    QString CloudDataFolder; // the Lockvex folder of the client that holds the data; empty: the PC

    // The client that holds the data, CloudClientCount when none does (the data is on the PC).
    int DataClient() const;
    bool AnyClientExists() const;
    // One place chosen: its flag on, every other off. CloudClientCount chooses the PC.
    void UseOnly(int client);
    // Forgets what was found and chosen.
    void Clear() { *this = TDataLocation(); }
};
