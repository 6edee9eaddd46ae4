// The quick list window's controls and look: the header band with HELP, the search box, the list
// with its column of letter tabs, DONE, and the timer that watches the data file.

#include "ui/quicklist/DLockvexList.h"

#include "app/LockvexSession.h"
#include "app/MgrLockvexDlgProcs.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace LockvexStyle;

void TLockvexListDlg::BuildControls()
{
    // This window's band has the product name only.
    const WindowFrame::THeader header = WindowFrame::MakeHeader(
        *this, QString(), scale_, [this] { ShowWindowHelp(this, session_.LVDlgProcs->WebHelp()); });
    HeaderBand = header.Band;
    LockvexLabel = header.Title;
    LockvexHelpBtn = header.HelpBtn;

    Label1 = new QLabel(QStringLiteral("SEARCH Names"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    SetRole(Label1, "caption");
    SearchArg = new QLineEdit(this);
    SearchArg->setObjectName(QStringLiteral("SearchArg"));
    Label1->setBuddy(SearchArg);
    SearchArg->setAccessibleName(QStringLiteral("Search Names"));

    ItemList = new QListView(this);
    ItemList->setObjectName(QStringLiteral("ItemList"));
    model_ = new TEntryListModel(this);
    ItemList->setModel(model_);
    ItemList->setAccessibleName(QStringLiteral("Website names"));
    PrepareEntryListView(ItemList);
    // A narrow window: the list keeps its width on every screen, scaled with the window.
    ItemList->setFixedWidth(Px(256, scale_));
    ItemList->setMinimumHeight(Px(27 * 17, scale_));

    ItemListTabs = new TLetterTabs(this, scale_);
    ItemListTabs->setObjectName(QStringLiteral("ItemListTabs"));

    DoneBtn = new QPushButton(QStringLiteral("DONE"), this);
    DoneBtn->setObjectName(QStringLiteral("DoneBtn"));
    DoneBtn->setAutoDefault(false);
    SetRole(DoneBtn, "primary");
    DoneBtn->setMinimumWidth(Px(110, scale_));

    AppEndTimer = new QTimer(this);
    AppEndTimer->setObjectName(QStringLiteral("AppEndTimer"));

    // The tabs stand against the list's right edge, as tall as the list.
    auto *list = new QHBoxLayout;
    list->setSpacing(0);
    list->addWidget(ItemList);
    list->addWidget(ItemListTabs);
    list->addStretch(1);

    QHBoxLayout *buttons = WindowFrame::ButtonRow(DoneBtn);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(Px(Margin, scale_), Px(Margin - 4, scale_), Px(Margin, scale_), Px(Margin - 4, scale_));
    body->setSpacing(Px(SmallGap, scale_));
    body->addWidget(Label1);
    body->addWidget(SearchArg);
    body->addSpacing(Px(SmallGap, scale_));
    body->addLayout(list, 1);
    body->addSpacing(Px(SmallGap, scale_));
    body->addLayout(buttons);

    QVBoxLayout *root = WindowFrame::MakeRoot(*this);
    root->setSizeConstraint(QLayout::SetFixedSize);
    root->addWidget(HeaderBand);
    root->addLayout(body, 1);

    ItemList->installEventFilter(this);
    SearchArg->installEventFilter(this);
    setTabOrder(SearchArg, ItemList);
    setTabOrder(ItemList, ItemListTabs);
    setTabOrder(ItemListTabs, DoneBtn);
    setTabOrder(DoneBtn, LockvexHelpBtn);
    Accessibility::PressFocusedButtonOnEnter(this);
}

void TLockvexListDlg::ApplyLook()
{
    WindowFrame::ApplyLook(*this, scale_);
}

void TLockvexListDlg::CentreOnScreen()
{
    WindowPlacement::CentreOnScreen(*this);
}
