#pragma once
// The one-password sign-in dialog, and the window frame that the two-password dialog shares with
// it: a header band, a group with the password box(es), where the data lives, the maker's logo
// and the ENTER, Override and Cancel buttons.

#include "app/MgrSignIn.h"

#include <QDialog>
#include <QString>

#include <functional>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct TDataLocation;
struct TRunState;

// Answers whether a typed (already trimmed) password opens the safe: at sign-in the entry
// table's password check (TSignInNeeds::CheckPassword). A dialog without one accepts no password.
using TPasswordChecker = std::function<bool(const QString &password)>;

// Removes blanks and control characters (every code up to 32) at both ends of a typed password.
QString TrimTypedPassword(const QString &typed);

class TLockvexSignInDlg : public QDialog
{
    Q_OBJECT

public:
    ~TLockvexSignInDlg() override;

    // The controls, named as the window describes them.
    QFrame *AdvPanel1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr; // the two-password dialog only
    QLabel *Label1 = nullptr;
    QLabel *CaveatLbl = nullptr;
    QLabel *DropboxLbl = nullptr;
    QLabel *TrelLogoImage = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *OverrideBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    bool PWOverride = false; // Override was pressed since the dialog became active
    QString UserInput;       // trimmed text of Edit1 while it is checked; wiped afterwards

    void setVisible(bool visible) override;

protected:
    // The dialog keeps the password check and reads the list manager, the dialog procedures and
    // the run's state (its mode, data location and screen) of needs, which outlive it.
    TLockvexSignInDlg(QWidget *parent, const TSignInNeeds &needs, bool twoPasswords);

    // Runs each time the dialog is shown: resets the override and the boxes, focuses Edit1.
    virtual void FormActivate();
    virtual void OKBtnClick() = 0;
    void OverrideBtnClick();
    void TrelLogoImageClick();

    bool CheckPassword(const QString &password) const;
    // Takes the typed text out of a box, trimmed, and leaves the box empty.
    QString TakeTypedPassword(QLineEdit *edit);
    // A refused attempt: message 17, the boxes emptied, Edit1 focused, the dialog stays open.
    void RefuseAttempt();
    static void WipeText(QString &text);

    const TRunState &run_;

    bool eventFilter(QObject *watched, QEvent *event) override;

    TLVDlgProcs &dlgProcs_; // the maker's site, the support override

private:
    void BuildControls(bool twoPasswords);
    void BuildHeader();
    QGroupBox *BuildGroup(bool twoPasswords);
    QLineEdit *BuildPasswordEdit(const char *name);
    void ApplyLook();
    void CentreOnScreen();
    int Px(int pixels) const;

    TPasswordChecker checker_;
    const TListManager &lists_; // its LoginPWs shows the caveat
    double scale_ = 1.0;
};

class TLockvexPasswordDlg : public TLockvexSignInDlg
{
    Q_OBJECT

public:
    explicit TLockvexPasswordDlg(const TSignInNeeds &needs, QWidget *parent = nullptr);

protected:
    void OKBtnClick() override;
};

// The data location shown in the one-password dialog, by the first cloud folder that holds the data.
QString DataLocationText(const TDataLocation &location);
