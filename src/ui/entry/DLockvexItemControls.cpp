// The entry window's controls and look: the header band, the shared panel of entry fields in
// its read-only form with its Copy buttons, "BACK", and the character grid that floats over the
// window.

#include "ui/entry/DLockvexItem.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/PasswordGrid.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowPlacement.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace LockvexStyle;

void TLockvexItemDlg::BuildHeader()
{
    const WindowFrame::THeader header = WindowFrame::MakeHeader(*this, QStringLiteral("On your memory stick"), scale_);
    HeaderBand = header.Band;
    LockvexLabel = header.Title;
    LockvexTextLabel = header.Text;
    LockvexHelpBtn = header.HelpBtn;
}

void TLockvexItemDlg::BuildFields()
{
    Fields = new TEntryFieldPanel(this, scale_);
    Fields->SetReadOnly(true); // shown, never edited: texts can be selected, Copy buttons work
    ItemName = Fields->ItemName;
    URL = Fields->URL;
    CustID = Fields->CustID;
    CustIDCopyBtn = Fields->CustIDCopyBtn;
    PIN = Fields->PIN;
    PINCopyBtn = Fields->PINCopyBtn;
    Password = Fields->Password;
    PasswordCopyBtn = Fields->PasswordCopyBtn;
    PWBadBtn = Fields->PWBadBtn;
    PWSoSoBtn = Fields->PWSoSoBtn;
    PWOKBtn = Fields->PWOKBtn;
    EntryPWChckBox = Fields->EntryPWChckBox;
    EntryPWChckBox->hide();
    Question1 = Fields->Question1;
    Question2 = Fields->Question2;
    Question3 = Fields->Question3;
    Question4 = Fields->Question4;
    MemData1 = Fields->MemData1;
    MemData2 = Fields->MemData2;
    MemData3 = Fields->MemData3;
    MemData4 = Fields->MemData4;
    Ans1CopyBtn = Fields->Ans1CopyBtn;
    Ans2CopyBtn = Fields->Ans2CopyBtn;
    Ans3CopyBtn = Fields->Ans3CopyBtn;
    Ans4CopyBtn = Fields->Ans4CopyBtn;
    ItemDescr = Fields->ItemDescr;
    // The boxes only show, but they are tab stops like the Copy buttons after them, so that their
    // texts can be selected and copied by keyboard too.
    ItemDescr->setFixedHeight(Px(96, scale_)); // the notes only show here: a few lines, then a scroll bar

    const std::pair<QPushButton *, QLineEdit *> copies[] = {
        {CustIDCopyBtn, CustID}, {PINCopyBtn, PIN},       {PasswordCopyBtn, Password}, {Ans1CopyBtn, MemData1},
        {Ans2CopyBtn, MemData2}, {Ans3CopyBtn, MemData3}, {Ans4CopyBtn, MemData4}};
    for (const auto &[button, field] : copies) {
        QLineEdit *copied = field;
        connect(button, &QPushButton::clicked, this, [this, copied] { CopyToClipboard(copied); });
    }
}

void TLockvexItemDlg::BuildControls()
{
    BuildHeader();
    BuildFields();

    SaveCloseBtn = new QPushButton(QStringLiteral("BACK"), this);
    SaveCloseBtn->setObjectName(QStringLiteral("SaveCloseBtn"));
    SetRole(SaveCloseBtn, "primary");
    SaveCloseBtn->setAutoDefault(false);
    SaveCloseBtn->setMinimumWidth(Px(120, scale_));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SaveCloseBtn);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(Px(Margin, scale_), Px(Margin - 2, scale_), Px(Margin, scale_), Px(Margin - 4, scale_));
    body->setSpacing(Px(Gap, scale_));
    body->addWidget(Fields, 1);
    body->addLayout(buttons);

    QVBoxLayout *root = WindowFrame::MakeRoot(*this);
    root->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    root->addWidget(HeaderBand);
    root->addLayout(body, 1);
    Fields->setMinimumWidth(Px(560, scale_));

    // Floats over the fields, outside the layout.
    PasswordGrid = new TPasswordGrid(this);
    PINCopyBtn->installEventFilter(this);
    PasswordCopyBtn->installEventFilter(this);
    Accessibility::PressFocusedButtonOnEnter(this);
}

void TLockvexItemDlg::ApplyLook()
{
    WindowFrame::ApplyLook(*this, scale_);
}

void TLockvexItemDlg::CentreOnScreen()
{
    WindowPlacement::CentreOnScreen(*this);
}
