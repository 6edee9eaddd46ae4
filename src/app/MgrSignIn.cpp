#include "app/MgrSignIn.h"

#include "app/DLockvexDBLPword.h"
#include "app/DLockvexPassword.h"
#include "app/MgrMainApp.h"
#include "common/Globals.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexLists.h"
#include "store/TBDALockvexData.h"

bool EntryTableCheckPassword(const QString &password)
{
    return LockvexTbl != nullptr && LockvexTbl->CheckPassword(password);
}

int DifferentSignInPasswords()
{
    if (LoginPWs > 0)
        return LoginPWs;
    // Line 0 of the password list is " All Passwords".
    return PasswordStrings != nullptr ? qMax(0, PasswordStrings->Count() - 1) : 0;
}

SignInDialog ChooseSignInDialog(int totalPWs, int differentSignInPWs, bool memStickMode)
{
    if (totalPWs <= 0)
        return SignInDialog::None;
    if (memStickMode && totalPWs > 1 && differentSignInPWs >= 2)
        return SignInDialog::TwoPasswords;
    return SignInDialog::OnePassword;
}

namespace
{

// Shows the dialog modally, owned by the application; true when it closed with ENTER accepted.
template <typename Dialog> bool RunSignInDialog()
{
    Dialog dialog(EntryTableCheckPassword);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool TMgrMainAppProcs::CheckLockvexSignedIn()
{
    // The lists and counts stay filled for the main window.
    ListManager->BuildLockvexStrings();
    ListManager->BuildPasswordStrings(QString(), TotalPWs, LoginPWs);
    switch (ChooseSignInDialog(TotalPWs, DifferentSignInPasswords(), MemStickMode)) {
    case SignInDialog::None:
        return true;
    case SignInDialog::OnePassword:
        return RunSignInDialog<TLockvexPasswordDlg>();
    case SignInDialog::TwoPasswords:
        return RunSignInDialog<TLockvexDBLPwordDlg>();
    }
    return false;
}
