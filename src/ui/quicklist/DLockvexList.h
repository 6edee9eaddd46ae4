#pragma once
// The quick list window: the program's only window in memory-stick mode. A narrow list of the
// entries with letter tabs and a name search; the entry picked opens in the read-only entry
// window while the list hides. It closes by itself when its data file is gone (the stick pulled
// out), clears the clipboard when it closes, and closing it ends the program.

#include "entries/MgrLockvexLists.h"

#include <QDialog>
#include <QPointer>

class QApplication;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;
class TEntryListModel;
class THeaderBand;
class TLetterTabs;
class TLockvexItemDlg;
class LockvexSession;

class TLockvexListDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int DataWatchIntervalMs = 15000;

    // The list reads the run's entries through the session's list manager.
    explicit TLockvexListDlg(LockvexSession &session, QWidget *parent = nullptr);
    ~TLockvexListDlg() override;

    // The controls, named as the window describes them.
    THeaderBand *HeaderBand = nullptr;
    QLabel *LockvexLabel = nullptr;
    QPushButton *LockvexHelpBtn = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *SearchArg = nullptr;
    QListView *ItemList = nullptr;
    TLetterTabs *ItemListTabs = nullptr;
    QPushButton *DoneBtn = nullptr;
    QTimer *AppEndTimer = nullptr;

    bool FirstActivate = true; // the window has not been placed yet
    bool DontGetItem = false;  // the next change of line comes from the keyboard: do not open it
    ListManagerParams DisplayParams;
    int CurrentIndex = 0;         // the selected list line
    int DisplayedItemKey = NoKey; // the entry picked last, handed to the entry window

    // Refreshes the list from the list manager: the search result while searching, otherwise
    // the full list (with a letter tab's jump).
    void GetDisplayInfo();
    // A click on a line, or a line changed from the keyboard (ignored through DontGetItem).
    void ItemListClick();
    // Opens the selected entry in the entry window, modally, while this window hides.
    void PickSelectedItem();
    void DoneBtnClick();
    // The watch: closes the window when the data file is gone.
    void AppEndTimerTimer();
    // Closes the window as DONE does; while the entry window is open, as soon as it returns.
    void RequestClose();

    void setVisible(bool visible) override;
    // Every way of closing ends here: the clipboard cleared and the position stored.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormActivate();
    void FormCloseQuery();
    void SearchArgEnter();
    void SearchArgKeyUp();
    void ItemListTabsMouseDown();
    void ItemListTabsMouseUp();
    bool ItemListKeyDown(QKeyEvent *event);

    void BuildControls();
    void ApplyLook();
    void CentreOnScreen();

    LockvexSession &session_;
    TEntryListModel *model_ = nullptr;
    double scale_ = 1.0;
    bool entryWindowOpen_ = false;
    QPointer<TLockvexItemDlg> entryWindow_; // the entry window while it is open
    bool closeRequested_ = false;
    bool finished_ = false;
};

// Runs the quick list as the program's window until it closes (memory-stick mode).
int RunQuickListWindow(QApplication &app, LockvexSession &session);
