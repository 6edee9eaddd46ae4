#pragma once
// Sign-in: the user proves knowledge of the safe by typing one of the passwords stored in its
// entries (two different ones from a memory stick) before any window with entries is shown.

#include <QString>

#include <functional>

class TListManager;
class TLVDlgProcs;
class TV9LockvexTbl;
struct TRunState;

enum class SignInDialog { None, OnePassword, TwoPasswords };

// What a sign-in dialog reads of the run: the password check, the list manager (the caveat shows
// while its LoginPWs counts access passwords) and the dialog procedures (the maker's site, the
// support override); the run (its mode, data location and screen).
struct TSignInNeeds {
    std::function<bool(const QString &password)> CheckPassword; // none: no password is accepted
    const TListManager &ListManager;
    TLVDlgProcs &LVDlgProcs;
    const TRunState &Run; // its mode, data location and screen
};

// Shows the sign-in dialog of the kind, modally, with what it reads, and answers whether the user
// got in. The window layer gives it (ui/signin/SignInDialogs.h); the decisions around it stay here.
using TSignInPrompt = std::function<bool(SignInDialog, const TSignInNeeds &)>;

// How the sign-in ended: the user is in, is not (the dialog cancelled, or no dialog to ask
// through), or an entry could not be read, so that nobody may sign in.
enum class TSignInOutcome { SignedIn, NotSignedIn, DataUnreadable };

// The dialog that sign-in shows. No entry with a password: none, the user is in at once. From a
// memory stick, with more than one entry holding a password, the two-password dialog, as long as
// the safe holds two different passwords that open it: a safe whose entries all share one
// password gets the one-password dialog instead of a dialog that nobody could ever pass. On the
// PC the one-password dialog.
SignInDialog ChooseSignInDialog(int totalPWs, int differentSignInPWs, bool memStickMode);

// How many different passwords open the safe, counted from the entries as the entry table's
// password check takes them: the access passwords' when the password list counts any, otherwise
// every entry's. -1 when the data file could not be read.
int DifferentSignInPasswords();

// The entry table's password check, as the sign-in dialogs use it.
bool EntryTableCheckPassword(const QString &password);
