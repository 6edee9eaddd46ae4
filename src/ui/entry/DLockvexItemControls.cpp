// The entry window's controls and look: the header band, the shared panel of entry fields in
// its read-only form with its Copy buttons, "BACK", and the character grid that floats over the
// window.

#include "ui/entry/DLockvexItem.h"

#include "app/MgrLockvexDlgProcs.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/PasswordGrid.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
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
    const WindowFrame::THeader header = WindowFrame::MakeHeader(*this, QStringLiteral("On your memory stick"), scale_,
                                                                [this] { ShowWindowHelp(this, dlgProcs_.WebHelp()); });
    HeaderBand = header.Band;
    LockvexLabel = header.Title;
    LockvexTextLabel = header.Text;
    LockvexHelpBtn = header.HelpBtn;
}

void TLockvexItemDlg::BuildFields()
{
    Fields = new TEntryFieldPanel(this, scale_);
    Fields->SetReadOnly(true); // shown, never edited: texts can be selected, Copy buttons work
    Fields->EntryPWChckBox()->hide();
    // The boxes only show, but they are tab stops like the Copy buttons after them, so that their
    // texts can be selected and copied by keyboard too.
    Fields->ItemDescr()->setFixedHeight(Px(96, scale_)); // the notes only show here: a few lines, then a scroll bar

    for (const auto &[button, box] : Fields->CopyButtons()) {
        QLineEdit *copied = box;
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
    QHBoxLayout *buttons = WindowFrame::ButtonRow(SaveCloseBtn);

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
    Fields->PINCopyBtn()->installEventFilter(this);
    Fields->PasswordCopyBtn()->installEventFilter(this);
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
