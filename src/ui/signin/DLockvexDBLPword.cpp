#include "ui/signin/DLockvexDBLPword.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TLockvexDBLPwordDlg::TLockvexDBLPwordDlg(const TSignInNeeds &needs, QWidget *parent)
    : TLockvexSignInDlg(parent, needs, true)
{
    setObjectName(QStringLiteral("LockvexDBLPwordDlg"));
    setWindowTitle(QStringLiteral("Lockvex access passwords"));
    // The title is the window's name in the program; assistive tools read what it asks for.
    WindowFrame::SetUp(*this, dlgProcs_.WebHelp(), HelpContexts::SignIn,
                       QStringLiteral("Lockvex access passwords"));
    Label2->setText(QStringLiteral("Please enter TWO of the passwords in the safe:"));
    DropboxLbl->setText(QStringLiteral("Data on MemStick"));
    // Tab order: Override, Cancel, then the group (Edit1, ENTER, Edit2).
    setTabOrder(OverrideBtn, CancelBtn);
    setTabOrder(CancelBtn, Edit1);
    setTabOrder(Edit1, OKBtn);
    setTabOrder(OKBtn, Edit2);
}

TLockvexDBLPwordDlg::~TLockvexDBLPwordDlg()
{
    WipeText(SecondPassword);
}

void TLockvexDBLPwordDlg::FormActivate()
{
    TLockvexSignInDlg::FormActivate();
    SecondPWordOK = true;
    SecondPassword = QStringLiteral("No second password");
}

// The support override does not apply from a memory stick: Override only records the press.
void TLockvexDBLPwordDlg::OKBtnClick()
{
    UserInput = TakeTypedPassword(Edit1);
    SecondPassword = TakeTypedPassword(Edit2);
    SecondPWordOK = CheckPassword(SecondPassword) && UserInput != SecondPassword;
    const bool accepted = CheckPassword(UserInput) && SecondPWordOK;
    WipeText(UserInput);
    WipeText(SecondPassword);
    if (accepted)
        accept();
    else
        RefuseAttempt();
}
