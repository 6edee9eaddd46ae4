#pragma once
// The sign-in dialogs as the sign-in flow asks for them (app/MgrSignIn.h).

#include "app/MgrSignIn.h"

// Shows the one- or two-password dialog, modally, with what it reads of the run (the entry table's
// password check among it); true when it closed with ENTER accepted. SignInDialog::None shows
// nothing and answers true.
bool RunSignInDialog(SignInDialog kind, const TSignInNeeds &needs);
