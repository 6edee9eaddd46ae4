#pragma once
// The sign-in dialogs as the sign-in flow asks for them (app/MgrSignIn.h).

#include "app/MgrSignIn.h"

// Shows the one- or two-password dialog, modally, checking passwords with the entry table; true
// when it closed with ENTER accepted. SignInDialog::None shows nothing and answers true. The
// dialog shows where the run's data lives and is drawn for its screen.
bool RunSignInDialog(SignInDialog kind, const TRunState &run);
