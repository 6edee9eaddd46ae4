#include "ui/signin/SignInDialogs.h"

#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"

namespace
{

template <typename Dialog> bool RunModal(const TRunState &run)
{
    Dialog dialog(EntryTableCheckPassword, run);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool RunSignInDialog(SignInDialog kind, const TRunState &run)
{
    switch (kind) {
    case SignInDialog::None:
        return true;
    case SignInDialog::OnePassword:
        return RunModal<TLockvexPasswordDlg>(run);
    case SignInDialog::TwoPasswords:
        return RunModal<TLockvexDBLPwordDlg>(run);
    }
    return false;
}
