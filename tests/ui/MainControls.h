#pragma once
// The main window's controls, found by their object names as a test drives them.

#include "support/EntryControls.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LetterTabs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace testing_support
{

class TMainControls : private TControlFinder
{
public:
    explicit TMainControls(const QWidget &window) : TControlFinder(window) {}

    THeaderBand *const HeaderPanel = Find<THeaderBand>("HeaderPanel");
    QLabel *const LockvexLabel = Find<QLabel>("LockvexLabel");
    QLabel *const LockvexTextLabel = Find<QLabel>("LockvexTextLabel");
    QPushButton *const LockvexHelpBtn = Find<QPushButton>("LockvexHelpBtn");
    QLabel *const Label1 = Find<QLabel>("Label1");
    QLineEdit *const SearchArg = Find<QLineEdit>("SearchArg");
    QListView *const ItemList = Find<QListView>("ItemList");
    TLetterTabs *const ItemListTabs = Find<TLetterTabs>("ItemListTabs");
    QLabel *const Label2 = Find<QLabel>("Label2");
    QComboBox *const PasswordCombo = Find<QComboBox>("PasswordCombo");
    QPushButton *const ImportPasswordsBtn = Find<QPushButton>("ImportPasswordsBtn");
    QPushButton *const TfrMemStickBtn = Find<QPushButton>("TfrMemStickBtn");
    QPushButton *const UseCloudBtn = Find<QPushButton>("UseCloudBtn");
    QPushButton *const DeleteItemBtn = Find<QPushButton>("DeleteItemBtn");
    QLabel *const VersionLbl = Find<QLabel>("VersionLbl");
    QGroupBox *const CloudGroupBox = Find<QGroupBox>("CloudGroupBox");
    QRadioButton *const RadioButtonPC = Find<QRadioButton>("RadioButtonPC");
    QRadioButton *const RadioButtonDropbox = Find<QRadioButton>("RadioButtonDropbox");
    QRadioButton *const RadioButtonGoogleDrive = Find<QRadioButton>("RadioButtonGoogleDrive");
    QRadioButton *const RadioButtonSkyDrive = Find<QRadioButton>("RadioButtonSkyDrive");
    QLabel *const ImagePC = Find<QLabel>("ImagePC");
    QLabel *const ImageDropbox = Find<QLabel>("ImageDropbox");
    QLabel *const ImageGoogleDrive = Find<QLabel>("ImageGoogleDrive");
    QLabel *const ImageSkyDrive = Find<QLabel>("ImageSkyDrive");
    QPushButton *const LogWriteBtn = Find<QPushButton>("LogWriteBtn");
    TEntryFieldPanel *const EntryPanel = Find<TEntryFieldPanel>("EntryFieldPanel");
    QPushButton *const NewBtn = Find<QPushButton>("NewBtn");
    QPushButton *const LoginBtn = Find<QPushButton>("LoginBtn");
    QCheckBox *const SuppressPWCheckBox = Find<QCheckBox>("SuppressPWCheckBox");
    QLabel *const ReadOnlyLbl = Find<QLabel>("ReadOnlyLbl");
    QPushButton *const SaveCloseBtn = Find<QPushButton>("SaveCloseBtn");
    QPushButton *const CancelBtn = Find<QPushButton>("CancelBtn");
    QLabel *const PWCheckedImage = Find<QLabel>("PWCheckedImage");
    QLabel *const PWUncheckedImage = Find<QLabel>("PWUncheckedImage");
    QPushButton *const SendToFriendBtn = Find<QPushButton>("SendToFriendBtn");
    QPushButton *const TellTrelBtn = Find<QPushButton>("TellTrelBtn");
    QLabel *const FacebookBtn = Find<QLabel>("FacebookBtn");
    QLabel *const TwitterBtn = Find<QLabel>("TwitterBtn");
    QLabel *const TrelLogoImage = Find<QLabel>("TrelLogoImage");
};

inline TMainControls Controls(const QWidget &window)
{
    return TMainControls(window);
}

} // namespace testing_support
