#pragma once
// The two-password sign-in dialog, shown in memory-stick mode: the user types two different
// passwords of the safe.

#include "ui/signin/DLockvexPassword.h"

class TLockvexDBLPwordDlg : public TLockvexSignInDlg
{
    Q_OBJECT

public:
    explicit TLockvexDBLPwordDlg(const TSignInNeeds &needs, QWidget *parent = nullptr);
    ~TLockvexDBLPwordDlg() override;

    bool SecondPWordOK = true; // the second password is valid and differs from the first
    QString SecondPassword;    // trimmed text of Edit2 while it is checked; wiped afterwards

protected:
    void FormActivate() override;
    void OKBtnClick() override;
};
