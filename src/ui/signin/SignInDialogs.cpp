#include "ui/signin/SignInDialogs.h"

#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"

namespace
{

template <typename Dialog> bool RunModal(const TSignInNeeds &needs)
{
    Dialog dialog(needs);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool RunSignInDialog(SignInDialog kind, const TSignInNeeds &needs)
{
    switch (kind) {
    case SignInDialog::None:
        return true;
    case SignInDialog::OnePassword:
        return RunModal<TLockvexPasswordDlg>(needs);
    case SignInDialog::TwoPasswords:
        return RunModal<TLockvexDBLPwordDlg>(needs);
    }
    return false;
}
