// TLockvexMainDlg: the commands of the left panel that leave the list: the data-location panel
// under "SAVE IN CLOUD" and the CSV import. (The memory-stick command is in
// DLockvexMainPasswords.cpp.)

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/LockvexMsgdial.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "ui/import/DLockvexDataImport.h"
#include "ui/main/LocationPictures.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LockvexStyle.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

using LockvexStyle::Gap;
using LockvexStyle::Px;

// The pointer entering "SAVE IN CLOUD" closes an open panel.
class TLockvexMainDlg::TCloudButtonHover : public QObject
{
public:
    explicit TCloudButtonHover(TLockvexMainDlg *window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_->UseCloudBtn && event->type() == QEvent::Enter)
            window_->UseCloudBtnMouseEnter();
        return false;
    }

private:
    TLockvexMainDlg *window_;
};

void TLockvexMainDlg::ConnectCommandHandlers()
{
    connect(UseCloudBtn, &QPushButton::clicked, this, [this] { UseCloudBtnClick(); });
    auto *cloudHover = new TCloudButtonHover(this);
    callbackFilters_ << cloudHover;
    UseCloudBtn->installEventFilter(cloudHover);
    // A location button's handler runs whenever it becomes selected, by the user or by the
    // program (ShowHideButtons selects the location found at start); the choice at exit rests on it.
    const std::pair<QRadioButton *, void (TLockvexMainDlg::*)()> places[] = {
        {RadioButtonPC, &TLockvexMainDlg::RadioButtonPCClick},
        {RadioButtonDropbox, &TLockvexMainDlg::RadioButtonDropboxClick},
        {RadioButtonGoogleDrive, &TLockvexMainDlg::RadioButtonGoogleDriveClick},
        {RadioButtonSkyDrive, &TLockvexMainDlg::RadioButtonSkyDriveClick},
    };
    for (const auto &[button, handler] : places)
        connect(button, &QRadioButton::toggled, this, [this, handler = handler](bool selected) {
            if (selected)
                (this->*handler)();
        });
    connect(ImportPasswordsBtn, &QPushButton::clicked, this, [this] { ImportPasswordsBtnClick(); });
}

// ---- data location -----------------------------------------------------------------------------

// Directly below the button, left edges aligned; again whenever the window changes size.
void TLockvexMainDlg::PlaceCloudGroupBox()
{
    QPoint at = UseCloudBtn->mapTo(this, QPoint(0, UseCloudBtn->height()));
    // Near the window's bottom edge the panel opens above the button instead of being cut off.
    if (at.y() + CloudGroupBox->height() > height())
        at.setY(qMax(0, UseCloudBtn->mapTo(this, QPoint(0, 0)).y() - CloudGroupBox->height()));
    at.setX(qMax(0, qMin(at.x(), width() - CloudGroupBox->width())));
    CloudGroupBox->move(at);
}

void TLockvexMainDlg::UseCloudBtnClick()
{
    if (UseCloudBtnDown)
        return;
    if (ImagePC->pixmap().isNull()) {
        const int picture = Px(22, scale_);
        ImagePC->setPixmap(DataPlacePicture(TDataPlace::PC, picture));
        for (int client = 0; client < CloudClientCount; ++client)
            CloudImage(client)->setPixmap(DataPlacePicture(CloudClients[size_t(client)].Picture, picture));
    }
    // Wide enough for its title, which the group box does not measure itself.
    QFont titleFont = CloudGroupBox->font();
    titleFont.setWeight(QFont::DemiBold);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(CloudGroupBox->title()) + 2 * Px(Gap + 4, scale_);
    CloudGroupBox->setMinimumWidth(qMax(titleWidth, UseCloudBtn->width()));
    CloudGroupBox->adjustSize();
    PlaceCloudGroupBox();
    CloudGroupBox->raise();
    CloudGroupBox->show();
    UseCloudBtnDown = true;
}

void TLockvexMainDlg::UseCloudBtnMouseEnter()
{
    CloseCloudPanel();
}

void TLockvexMainDlg::CloseCloudPanel()
{
    if (!UseCloudBtnDown)
        return;
    CloudGroupBox->hide();
    UseCloudBtnDown = false;
}

void TLockvexMainDlg::RadioButtonPCClick()
{
    run_.Location.UseOnly(CloudClientCount);
    if (UseCloudBtnDown)
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgLocationChanged]);
}

QRadioButton *TLockvexMainDlg::CloudButton(int client) const
{
    const std::array<QRadioButton *, CloudClientCount> buttons = {RadioButtonDropbox, RadioButtonGoogleDrive,
                                                                  RadioButtonSkyDrive};
    return buttons[size_t(client)];
}

QLabel *TLockvexMainDlg::CloudImage(int client) const
{
    const std::array<QLabel *, CloudClientCount> images = {ImageDropbox, ImageGoogleDrive, ImageSkyDrive};
    return images[size_t(client)];
}

void TLockvexMainDlg::ChooseCloud(int client)
{
    if (!run_.Location.Clients[size_t(client)].Exists) {
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgNotInstalled], CloudClients[size_t(client)].ChoiceName);
        return;
    }
    run_.Location.UseOnly(client);
    if (UseCloudBtnDown)
        dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgLocationChanged]);
}

void TLockvexMainDlg::RadioButtonDropboxClick()
{
    ChooseCloud(CloudDropbox);
}

void TLockvexMainDlg::RadioButtonGoogleDriveClick()
{
    ChooseCloud(CloudGoogleDrive);
}

void TLockvexMainDlg::RadioButtonSkyDriveClick()
{
    ChooseCloud(CloudOneDrive);
}

// ---- import ------------------------------------------------------------------------------------

void TLockvexMainDlg::ImportPasswordsBtnClick()
{
    if (run_.Mode.ReadOnlyMode())
        return;
    // What was typed into the entry shown is kept before the data file is opened anew.
    if (!SaveItem(false))
        return;
    const int shownKey = rules_.DisplayedItemKey();
    const QPoint topLeft = pos();
    hide();
    TLockvexDataImportDlg::RunModal(items_, dlgProcs_, nullptr, topLeft);
    if (rules_.IsClosing())
        return; // the program closed meanwhile (the idle close, log-out): it stays closed

    // The in-memory index is read anew, so that it holds the imported entries.
    lists_.ClosePool(DoNotWriteLog);
    lists_.OpenPool(run_.Folders.DataFileName);

    SearchArg->clear();
    lists_.SetSearchActive(false);
    GetDisplayInfo();
    // The entry shown stays shown, wherever the imported names have moved its line.
    const int row = LineOfKey(shownKey);
    if (row >= 0) {
        selecting_ = true;
        SelectRow(ItemList, row);
        selecting_ = false;
        CurrentIndex = row;
    }
    DisplayCurrentItem();
    show();
    SearchArg->setFocus(Qt::OtherFocusReason);
}
