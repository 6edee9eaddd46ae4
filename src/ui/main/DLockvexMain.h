#pragma once
// TLockvexMainDlg, the program's main window in normal mode: the entry list with its letter tabs,
// name search and password chooser on the left, the fields of the entry shown on the right, and
// the commands around them. Closing it ends the program.
//
// The class keeps every operation and handler of the window; its source is split by concern:
//   DLockvexMain.cpp          creation, layout, becoming active
//   DLockvexMainList.cpp      the entry list: refresh, showing a line, clicks, letter tabs, search
//   DLockvexMainEdit.cpp      the entry as an editor: show, read back, save, new, delete, rename
//   DLockvexMainClose.cpp     closing, save-and-close, the idle close, the minor commands
//   DLockvexMainPasswords.cpp password quality, the memory-stick command, button visibility
//   DLockvexMainChooser.cpp   the access-password box, random and restored passwords, the chooser
//   DLockvexMainClipboard.cpp the Copy buttons, auto-copy, the login button, the character grid
//   DLockvexMainCommands.cpp  the data-location panel and the CSV import
//
// The window never touches a record: it exchanges one entry at a time with the item manager as
// ItemManagerParams and shows the lists the list manager rebuilds at every refresh. What is
// saved, asked or discarded is decided by its editing rules (app/MainEditRules.h), which see the
// window through TMainEditView; the window shows the entries and lines they choose.

#include "app/MainEditRules.h"
#include "app/RunState.h"
#include "entries/EntryFields.h"
#include "entries/MgrLockvexLists.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QFileSystemWatcher;
class QTimer;
class QToolButton;
class TEntryFieldPanel;
class TEntryListModel;
class THeaderBand;
class TLetterTabs;
class TItemManager;
class TLVDlgProcs;
class TPasswordGrid;

class TLockvexMainDlg : public QWidget, private TMainEditView
{
    Q_OBJECT

public:
    // The window works on the run's entries through its list and item managers, and keeps its
    // place and opens pages through the dialog procedures (the session's, in the program).
    TLockvexMainDlg(TListManager &lists, TItemManager &items, TLVDlgProcs &dlgProcs, QWidget *parent = nullptr);
    ~TLockvexMainDlg() override;

    QTimer *ForceClose = nullptr;     // idle close, 80 s ticks
    QTimer *ClipboardTimer = nullptr; // password auto-copy

    // ---- fields --------------------------------------------------------------------------------
    bool FirstActivate = false;
    // A catalogue message was shown over this window since its last activation: the activation
    // that follows its close is not the user coming back to the window.
    bool MessageShown = false;
    TDateTime NewLoginDateTime = 0;
    ListManagerParams DisplayParams;
    QString LastLogIn;
    QString SavePassword;
    bool UseCloudBtnDown = false;
    bool GoWebBtnClicked = false;
    bool LoginButtonClicked = false;
    int CurrentIndex = 0;
    int NewIndex = 0;

    static constexpr int IdleTicks = TMainEditRules::IdleTicks; // ticks of ForceClose before the idle close
    static constexpr int IdleTickMs = 80000;                    // one tick
    int IdleCount() const { return rules_.IdleCount(); }
    // The editing rules: the entry shown as loaded, its state, whether it is a new entry.
    const TMainEditRules &Rules() const { return rules_; }

    // ---- operations: list and navigation (DLockvexMainList.cpp) --------------------------------
    void GetDisplayInfo();
    void DisplayCurrentItem();
    void ItemListClick(int row);
    void ItemListTabsMouseDown(int tab);
    void ItemListTabsMouseUp(int tab);
    void SearchArgEnter();
    void SearchArgKeyUp();
    // The lines the list shows now (the full list, a search result or a password's entries).
    const TLockvexStringList *ShownLines() const override;

    // ---- operations: editing (DLockvexMainEdit.cpp) --------------------------------------------
    void GetItemInfo(int ItemKey);
    bool RecChanged();
    // Saves the entry shown when it changed. False when a change could not be saved (the store
    // did not write it, or its name is another entry's): the fields keep it and the caller stays
    // on the entry.
    virtual bool SaveItem(bool ForceSave);
    void ItemNameEnter();
    // Checks and saves a changed name when the name field is left. False when the name was
    // checked and refused (taken, blank, or a rename the user did not confirm).
    bool ItemNameExit();
    void NewBtnClick();
    void DeleteItemBtnClick();

    // ---- operations: closing and minor commands (DLockvexMainClose.cpp) ------------------------
    void SaveCloseBtnClick();
    void CancelBtnClick();
    void ForceCloseTimer();
    // An ending signal (SIGTERM at log-out): saves what can be saved without asking and closes.
    void CloseOnSignal();
    void LockvexHelpBtnClick();
    void SendToFriendBtnClick();
    void TellTrelBtnClick();
    void FacebookBtnClick();
    void TwitterBtnClick();
    void TrelLogoImageClick();
    void LogWriteBtnClick();

    // ---- operations: passwords and commands (DLockvexMainPasswords.cpp) ------------------------
    void SetPWQuality();
    void ShowHideButtons();
    void TfrMemStickBtnClick();
    // DLockvexMainChooser.cpp: the access-password box, random and restored password, the chooser.
    void EntryPWChckBoxClick();
    void PasswordLblMouseDown(Qt::MouseButton button);
    void PasswordComboSelect(int index);
    // DLockvexMainClipboard.cpp: the Copy buttons, the password auto-copy, the login button, the
    // character grid and the last login.
    void CopyFieldToClipboard(const QLineEdit *field);
    void CustIDCopyBtnClick();
    void ClipboardTimerTimer();
    void LoginBtnClick();
    void PasswordCopyBtnMouseLeave();
    void BuildPWordGrid(const QString &Text, int Top, int Left);
    void HidePWordGrid();
    TPasswordGrid &CharacterGrid();
    void ShowLastLogIn();
    void HideLastLogIn();
    // DLockvexMainCommands.cpp: the data-location panel and the import command.
    void UseCloudBtnClick();
    void UseCloudBtnMouseEnter();
    void RadioButtonPCClick();
    void RadioButtonDropboxClick();
    void RadioButtonGoogleDriveClick();
    void RadioButtonSkyDriveClick();
    // A cloud client's choice (an index of CloudClients): message 1 when it is not installed,
    // else the client chosen for the data at exit (message 0 while the panel is open).
    void ChooseCloud(int client);
    QRadioButton *CloudButton(int client) const;
    QLabel *CloudImage(int client) const;
    void ImportPasswordsBtnClick();

    // ---- becoming active (DLockvexMain.cpp) -----------------------------------------------------
    void FormActivate();

signals:
    // The window has closed (after its clipboard clearing): the program ends, also when the
    // window was hidden behind another of its windows at that moment.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override; // the close request and FormClose
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override; // FormResize and becoming active again
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TListManager &lists_;
    TItemManager &items_;
    TLVDlgProcs &dlgProcs_;
    TRunState &run_; // the dialog procedures' run: read-only mode, folders, data location, screen

    // The controls, named as the window describes them; tests find them by these object names.
    THeaderBand *HeaderPanel = nullptr;
    QLabel *LockvexLabel = nullptr;
    QLabel *LockvexTextLabel = nullptr;
    QPushButton *LockvexHelpBtn = nullptr;

    QLabel *Label1 = nullptr; // "Search Names"
    QLineEdit *SearchArg = nullptr;
    QListView *ItemList = nullptr;
    TLetterTabs *ItemListTabs = nullptr;
    QLabel *Label2 = nullptr; // "Select Password"
    QComboBox *PasswordCombo = nullptr;
    QPushButton *ImportPasswordsBtn = nullptr;
    QPushButton *TfrMemStickBtn = nullptr;
    QPushButton *UseCloudBtn = nullptr;
    QPushButton *DeleteItemBtn = nullptr;
    QLabel *VersionLbl = nullptr;
    QGroupBox *CloudGroupBox = nullptr;
    QRadioButton *RadioButtonPC = nullptr;
    QRadioButton *RadioButtonDropbox = nullptr;
    QRadioButton *RadioButtonGoogleDrive = nullptr;
    QRadioButton *RadioButtonSkyDrive = nullptr;
    QLabel *ImagePC = nullptr;
    QLabel *ImageDropbox = nullptr;
    QLabel *ImageGoogleDrive = nullptr;
    QLabel *ImageSkyDrive = nullptr;
    QPushButton *LogWriteBtn = nullptr;

    TEntryFieldPanel *EntryPanel = nullptr; // the entry's fields
    // The window's own controls in the entry panel.
    QPushButton *NewBtn = nullptr;
    QPushButton *LoginBtn = nullptr;
    QCheckBox *SuppressPWCheckBox = nullptr;
    QLabel *ReadOnlyLbl = nullptr;
    QPushButton *SaveCloseBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    TPasswordGrid *PasswordGrid = nullptr; // made when first shown (CharacterGrid)
    QLabel *PWCheckedImage = nullptr;
    QLabel *PWUncheckedImage = nullptr;

    QPushButton *SendToFriendBtn = nullptr;
    QPushButton *TellTrelBtn = nullptr;
    QLabel *FacebookBtn = nullptr;
    QLabel *TwitterBtn = nullptr;
    QLabel *TrelLogoImage = nullptr;

    // Event filters that call back into this window.
    class TPasswordLabelPress;
    class TCopyButtonHover;
    class TCloudButtonHover;

    // Creation, in DLockvexMain.cpp.
    void FormCreate();
    QWidget *BuildLeftPanel();
    QWidget *BuildEntryPanel();
    QWidget *BuildFooter();
    void BuildCloudGroupBox();
    void ConnectHandlers();
    void SetKeyboardOrder();
    bool PressPicture(QObject *watched);
    void ApplyLook();
    void PlaceOnScreen();
    void PlaceCloudGroupBox();
    // Passwords and commands, in DLockvexMainPasswords.cpp.
    void ConnectPasswordHandlers();
    void ConnectChooserHandlers();
    void ConnectClipboardHandlers();
    void ConnectCommandHandlers();
    void CloseCloudPanel();

    void FormClose();
    // The window as its editing rules see it.
    TItemManager *Items() const override;
    TListManager *Lists() const override;
    void ReadFields(ItemManagerParams &entry) const override;
    bool Ask(TEditMessage message, const QString &about) override;
    // A control whose way out of the entry checks a name typed itself: leaving the name field
    // for it leaves the check to it, so that one way out tells the user once.
    bool ChecksNameOnLeaving(const QWidget *control) const;
    void ListsChanged() override
    {
        GetDisplayInfo();
        OtherWriterSettled();
    }
    // The data file as another program may change it (DLockvexMainOtherWriters.cpp): a watch on
    // the file and its folder, for notice while the user only reads; what the entry table did is
    // told, and the lists and the entry shown are read again.
    void WatchDataFile();
    void DataFileEvent();
    // After a save or a deletion: when the table had to settle with another writer on the way,
    // the user is told once the save is done.
    void OtherWriterSettled();
    void TellOtherWriters();
    bool FieldsReadOnly() const override { return fieldsReadOnly_; }
    // Stays on the entry shown: the list selects its line again.
    void KeepCurrentLine();
    // The key of a line of the list shown, and the line that shows a key (or -1).
    int KeyOfLine(int row) const;
    int LineOfKey(int key) const;
    void SetFieldsReadOnly(bool readOnly);
    void ResetIdleCount() { rules_.Activity(); }
    void SetFocusWhenActive(QWidget *control);
    // A way out was refused: the focus goes back to the name field.
    void BackToTheName();

    TEntryListModel *listModel_ = nullptr;
    TEntryListModel *passwordModel_ = nullptr;
    double scale_ = 1.0;
    // Event filters that call back into this window; the destructor deletes them first.
    QList<QObject *> callbackFilters_;
    TMainEditRules rules_{*this, run_.Mode};
    bool selecting_ = false;         // the program is selecting a line: no click handling
    bool otherWindowActive_ = false; // focus went to another window of the program
    bool fieldsReadOnly_ = false;
    bool tabPressRefused_ = false;
    bool clickPending_ = false;         // a picked line waits for its handler
    QPointer<QWidget> focusOnActivate_; // the tab press could not save the entry shown
    int autoCopyKey_ = -1;              // the entry whose password the auto-copy is for
    QFileSystemWatcher *dataWatch_ = nullptr;
    QTimer *dataWatchDelay_ = nullptr; // events come in bursts: the check runs once they end
};
