// TLockvexMainDlg: the password's quality indicators, the memory-stick command, and which command
// buttons show. The wiring of the password features (DLockvexMainChooser.cpp,
// DLockvexMainClipboard.cpp, DLockvexMainCommands.cpp) starts here.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/DataLocation.h"

#include "app/MgrTfrToMemStick.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"
#include "ui/shared/EntryFieldPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void TLockvexMainDlg::ConnectPasswordHandlers()
{
    connect(EntryPanel->Password(), &QLineEdit::textChanged, this, [this] { SetPWQuality(); });
    connect(EntryPanel->ItemName(), &QLineEdit::textEdited, this, [this] { rules_.NameTyped(); });
    connect(TfrMemStickBtn, &QPushButton::clicked, this, [this] { TfrMemStickBtnClick(); });
    ConnectChooserHandlers();
    ConnectClipboardHandlers();
    ConnectCommandHandlers();
}

// The window side of the transfer: the command asks for the stick and copies.
void TLockvexMainDlg::TfrMemStickBtnClick()
{
    TfrMemStickCommand(dlgProcs_.Messages(), lists_, run_.Folders);
}

void TLockvexMainDlg::SetPWQuality()
{
    EntryPanel->ShowQuality(-1);
    EntryPanel->EntryPWChckBox()->hide();
    SuppressPWCheckBox->hide();
    const QString password = TrimBlankChars(EntryPanel->Password()->text());
    if (password.isEmpty())
        return;
    SuppressPWCheckBox->show();
    EntryPanel->EntryPWChckBox()->setChecked(rules_.AsLoaded().LockvexPassword);
    EntryPanel->EntryPWChckBox()->show();
    EntryPanel->ShowQuality(items_.PWQuality(password));
}

void TLockvexMainDlg::ShowHideButtons()
{
    UseCloudBtn->setVisible(run_.Location.AnyClientExists());
    RadioButtonPC->setChecked(run_.Location.DataClient() == CloudClientCount);
    for (int client = 0; client < CloudClientCount; ++client) {
        QRadioButton *button = CloudButton(client);
        button->setEnabled(run_.Location.Clients[size_t(client)].Exists);
        if (run_.Location.Clients[size_t(client)].DataIn)
            button->setChecked(true);
    }
    TfrMemStickBtn->show();
    LoginBtn->show();
    for (const TEntryFieldPanel::TCopyButton &copy : EntryPanel->CopyButtons())
        copy.Button->show();
    ImportPasswordsBtn->setVisible(!run_.Mode.ReadOnlyMode());
    NewBtn->setVisible(!run_.Mode.ReadOnlyMode());
    DeleteItemBtn->setVisible(!run_.Mode.ReadOnlyMode());
    ReadOnlyLbl->setVisible(run_.Mode.ReadOnlyMode());
}
