#include "app/MgrSignIn.h"

#include "app/LockvexSession.h"
#include "app/MgrMainApp.h"
#include "app/RunState.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexLists.h"
#include "store/TBDALockvexData.h"

namespace
{

// While the password list counts access passwords, only theirs open the safe.
bool AccessPasswordsOnly(const TListManager &lists)
{
    return lists.LoginPWs > 0;
}

} // namespace

bool EntryTableCheckPassword(TV9LockvexTbl &table, const TListManager &lists, const QString &password)
{
    return table.CheckPassword(password, AccessPasswordsOnly(lists));
}

int DifferentSignInPasswords(TV9LockvexTbl &table, const TListManager &lists)
{
    // Not from the password list: it names each password once, after the first entry (in name
    // order) that uses it, so a password shared by an access entry and an earlier plain one
    // would not be counted as an access password although it opens the safe.
    return table.CountSignInPasswords(AccessPasswordsOnly(lists));
}

SignInDialog ChooseSignInDialog(int totalPWs, int differentSignInPWs, bool memStickMode)
{
    if (totalPWs <= 0)
        return SignInDialog::None;
    if (memStickMode && totalPWs > 1 && differentSignInPWs >= 2)
        return SignInDialog::TwoPasswords;
    return SignInDialog::OnePassword;
}

TSignInOutcome TMgrMainAppProcs::CheckLockvexSignedIn(const TSignInPrompt &prompt)
{
    TV9LockvexTbl &table = *session_.LockvexTbl;
    TListManager &lists = *session_.ListManager;
    // The lists and counts stay filled for the main window.
    lists.BuildAllLists();
    // The count of different sign-in passwords chooses only the memory stick's dialog; its scan
    // of the whole file also tells whether every record reads. The list manager's scan, when it
    // read the passwords that way, has told that already, and the count is not needed elsewhere.
    int differentPWs = 0;
    if (session_.Run.Mode.MemStickMode() || lists.LastFileScan() == TListManager::NoFileScan)
        differentPWs = DifferentSignInPasswords(table, lists);
    else if (lists.LastFileScan() == TListManager::FileScanFailed)
        differentPWs = -1;
    // An entry that could not be read may hold a password: the safe is neither opened without
    // one nor shown with entries missing.
    if (lists.PasswordReadFailed() || differentPWs < 0) {
        return TSignInOutcome::DataUnreadable;
    }
    const SignInDialog kind = ChooseSignInDialog(lists.TotalPWs, differentPWs, session_.Run.Mode.MemStickMode());
    switch (kind) {
    case SignInDialog::None:
        return TSignInOutcome::SignedIn;
    case SignInDialog::OnePassword:
    case SignInDialog::TwoPasswords: {
        const auto check = [&table, &lists](const QString &password) {
            return EntryTableCheckPassword(table, lists, password);
        };
        // Without a dialog nobody can prove knowledge of the safe: not signed in.
        const bool signedIn = prompt && prompt(kind, TSignInNeeds{check, lists, *session_.LVDlgProcs, session_.Run});
        return signedIn ? TSignInOutcome::SignedIn : TSignInOutcome::NotSignedIn;
    }
    }
    return TSignInOutcome::NotSignedIn;
}
