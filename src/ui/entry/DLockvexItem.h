#pragma once
// The entry window of memory-stick mode: one web entry shown read-only, to help the user sign in
// with it. The quick list opens it modally for the entry picked. Once shown it opens the entry's
// address in the browser and puts the customer ID on the clipboard; the Copy buttons copy the
// other fields; when it closes it leaves the password on the clipboard, ready to be pasted into
// the site's sign-in page. Nothing in it changes the entry.

#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TEntryFieldPanel;
class THeaderBand;
class TPasswordGrid;

class TLVDlgProcs;

class TLockvexItemDlg : public QDialog
{
    Q_OBJECT

public:
    // The window shows the entry with key displayedItemKey through the run's item manager, and
    // places itself, opens addresses and copies through its dialog procedures.
    TLockvexItemDlg(TItemManager &items, TLVDlgProcs &dlgProcs, int displayedItemKey, QWidget *parent = nullptr);
    ~TLockvexItemDlg() override;

    // The controls, named as the window describes them. The entry's fields are the shared
    // panel's, in its read-only form.
    THeaderBand *HeaderBand = nullptr;
    TEntryFieldPanel *Fields = nullptr;
    QLabel *LockvexLabel = nullptr;
    QLabel *LockvexTextLabel = nullptr;
    QPushButton *LockvexHelpBtn = nullptr;
    QPushButton *SaveCloseBtn = nullptr;
    TPasswordGrid *PasswordGrid = nullptr;

    const int DisplayedItemKey;     // the key of the entry the window shows
    ItemManagerParams InputParams;  // the entry shown
    TDateTime NewLoginDateTime = 0; // copied from the entry; this window stamps no login

    // Loads the entry with this key and shows it in the fields.
    void GetItemInfo(int ItemKey);
    // Shows the indicator for the password's rating (none for an empty password) and, outside
    // memory-stick mode, the entry's "Lockvex login" flag.
    void SetPWQuality();
    // Shows the character grid for the text with its top left corner at (Left, Top).
    void BuildPWordGrid(const QString &Text, int Top, int Left);

    void setVisible(bool visible) override;
    // Every way of closing ends here: "BACK" (accepted), Esc and the close box (rejected).
    void done(int result) override;
    // The program is ending (the data file is gone, or it was asked to end): the window closes
    // at once and leaves no password on the clipboard.
    void CloseForProgramEnd();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Each showing: placed where the quick list stands, the entry loaded, its address opened
    // and its customer ID copied.
    void FormActivate();
    // On close: the position stored and the password left on the clipboard.
    void FormClose();
    void CopyToClipboard(const QLineEdit *field);
    void ShowGridUnder(const QLineEdit *field);

    void BuildControls();
    void BuildHeader();
    void BuildFields();
    void ApplyLook();
    void CentreOnScreen();

    TItemManager &items_;
    TLVDlgProcs &dlgProcs_;
    double scale_ = 1.0;
    bool closing_ = false;
    bool programEnding_ = false;
};
