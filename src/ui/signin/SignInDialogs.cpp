#include "ui/signin/SignInDialogs.h"

#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"

namespace
{

template <typename Dialog> bool RunModal()
{
    Dialog dialog(EntryTableCheckPassword);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool RunSignInDialog(SignInDialog kind)
{
    switch (kind) {
    case SignInDialog::None:
        return true;
    case SignInDialog::OnePassword:
        return RunModal<TLockvexPasswordDlg>();
    case SignInDialog::TwoPasswords:
        return RunModal<TLockvexDBLPwordDlg>();
    }
    return false;
}
