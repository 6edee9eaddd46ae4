#pragma once
// Dialog support that the windows share: window positions and the import's settings in the
// settings file, the main window's caption, header and version texts, web pages and mail links
// through the desktop, the clipboard, the support marker file, and the memory-stick transfer.
//
// The settings file is the INI file named by the run's folders (TRunFolders::IniFileName), all keys
// in the section "TrelLockvex".
// It is opened for each access and never kept open; every write is flushed at once.

#include <QList>
#include <QSize>
#include <QString>

#include <utility>

class TImportFiles;
class TLockvexMessages;
class TWebHelpSystem;
struct TRunState;

// The program's version as it shows it: "9.00".
QString LockvexVersionNumber();

// The settings section that holds every key.
inline const QString SettingsSection = QStringLiteral("TrelLockvex");

class TLVDlgProcs
{
public:
    // run: the run's state: the settings file and the data file come from its folders, the header
    // and the caption from its data location. Only a reference is kept, so the state may be made
    // after the procedures, as long as it outlives them.
    // messages: the run's messages, which the windows and procedures that have these procedures
    // tell the user through.
    TLVDlgProcs(TRunState &run, TLockvexMessages &messages) : run_(run), messages_(messages) {}
    ~TLVDlgProcs() = default;
    TLVDlgProcs(const TLVDlgProcs &) = delete;
    TLVDlgProcs &operator=(const TLVDlgProcs &) = delete;

    // "Tandrell safe web address storage:    " and the data file in use.
    QString GetCaption() const;
    // The main window's header line, by where the data lives.
    QString GetLockvexTextLabel() const;
    // "Version 9.00" and the program file's date in the locale's short form, the year in four digits.
    QString LockvexVersion() const;

    // Opens a web address (http or https, or without a scheme) or a mailto: link with the desktop's
    // default program. Anything else (a local file, another scheme) is not opened. Nothing is
    // reported when nothing opens it.
    void LVBrowseWebPage(const QString &TargetURL);
    // Opens a prepared mail that recommends the program to a friend.
    void SendToFriend();
    // Opens a prepared feedback mail to the maker.
    void TellTrel();

    // True when the support marker file "KQ.Txt" lies in the user's Documents folder.
    bool CustomerSupportOverride() const;

    // Replaces the clipboard by the text, marked so that clipboard managers keep no history.
    void TextToClipboard(const QString &OutputText);

    // A window's position: right edge of the screen and vertically centred unless the settings
    // hold whole numbers under the keys; each coordinate falls back on its own.
    void GetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgWidth, int DlgHeight, int &DlgTop,
                        int &DlgLeft) const;
    // Stores a window's position. A settings file that cannot be written is reported to the user
    // ("Unable to write to" and the file) and the caller goes on; the result tells whether it was
    // written.
    bool SetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgTop, int DlgLeft);
    // A resizable window's size as stored under the keys; invalid unless both are whole positive
    // numbers.
    QSize GetDlgSizeInfo(const QString &WidthKey, const QString &HeightKey) const;
    // Stores a resizable window's position and size with one write.
    bool SetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgTop, int DlgLeft, const QString &WidthKey,
                        const QString &HeightKey, const QSize &DlgSize);

    // Plain access to the settings, for the import window's keys. A missing key gives Default.
    QString ReadSetting(const QString &Key, const QString &Default = QString()) const;
    // Writes the pairs and flushes the file once; a failure is reported as SetDlgPosnInfo does.
    bool WriteSettings(const QList<std::pair<QString, QString>> &Values);
    // Removes the key, when it is there; a failure is not reported.
    void RemoveSetting(const QString &Key);

    // Copies the program and the data file to the folder (a memory stick) and tells the user.
    void TfrToMemStick(const QString &SelectedDirectory);

    // The run's state, which the windows read through the procedures they are handed: its mode,
    // folders, data location and screen metrics.
    TRunState &Run() const { return run_; }

    // The run's messages (the message box, the quiet close, the window that owns the messages).
    TLockvexMessages &Messages() const { return messages_; }

    // The files the run's imports make (the session's TempFiles), for the import window: set by
    // whoever owns them before an import window is made, and cleared when they go.
    void SetImportFiles(TImportFiles *importFiles) { importFiles_ = importFiles; }
    TImportFiles &ImportFiles() const { return *importFiles_; }

    // The run's web help (the session's WebHelp), for the windows' HELP and F1; none without a
    // session: help then asks nothing.
    void SetWebHelp(TWebHelpSystem *webHelp) { webHelp_ = webHelp; }
    TWebHelpSystem *WebHelp() const { return webHelp_; }

private:
    TRunState &run_;
    TLockvexMessages &messages_;
    TImportFiles *importFiles_ = nullptr;
    TWebHelpSystem *webHelp_ = nullptr;
};

// Texts of the prepared mails, built whole: nothing is cut to a buffer's size.
QString SendToFriendLink();
QString TellTrelLink();
