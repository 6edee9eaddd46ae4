#pragma once
// Every window of the program built as the program builds it, over a window session with a few
// entries, for the checks that go over all of them (keyboard order, focus look, what assistive
// tools see). Shared by the in-process test and the AT-SPI test's program.

#include "ui/messages/MessageDialog.h"
#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"
#include "app/LockvexMsgdial.h"
#include "ui/import/DLockvexDataImport.h"
#include "support/WindowSession.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/quicklist/DLockvexList.h"
#include "ui/main/DLockvexMain.h"

#include <QWidget>

#include <memory>

namespace program_windows
{

// The windows, by the names the checks report them under.
inline const QStringList WindowNames{QStringLiteral("sign-in"), QStringLiteral("two-password sign-in"),
                                     QStringLiteral("main"),    QStringLiteral("import"),
                                     QStringLiteral("entry"),   QStringLiteral("quick list"),
                                     QStringLiteral("message"), QStringLiteral("message without caption")};

// Entries for the lists and the entry window: names under A and B, passwords of every quality.
inline void MakeEntries(LockvexSession &session)
{
    const struct {
        const char *Name, *Password, *Pin, *Answer;
    } entries[] = {{"Anvil", "Anvil#Pass1Strong", "1111", "Blue"},
                   {"Arrow", "arrow", "2222", "Red"},
                   {"Basket", "Basket22", "3333", "Green"}};
    for (const auto &e : entries) {
        ItemManagerParams item;
        item.ItemName = QString::fromLatin1(e.Name);
        item.URL = QStringLiteral("https://") + item.ItemName.toLower() + QStringLiteral(".example");
        item.CustID = item.ItemName.toLower() + QStringLiteral("-id");
        item.PIN = QString::fromLatin1(e.Pin);
        item.Password = QString::fromLatin1(e.Password);
        item.Question1 = QStringLiteral("Favourite colour?");
        item.MemData1 = QString::fromLatin1(e.Answer);
        item.ItemDescr = QStringLiteral("Notes on ") + item.ItemName;
        const int key = session.ItemManager->AddItem(item.ItemName);
        if (key >= 0)
            (void)session.ItemManager->SaveWebItem(key, item);
    }
}

// The window of that name, not yet shown. The entry window shows the first entry.
inline std::unique_ptr<QWidget> MakeWindow(const QString &name, LockvexSession &session)
{
    const TSignInNeeds signIn{[](const QString &) { return false; }, *session.ListManager, *session.LVDlgProcs,
                               session.Run};
    if (name == QLatin1String("sign-in"))
        return std::make_unique<TLockvexPasswordDlg>(signIn);
    if (name == QLatin1String("two-password sign-in"))
        return std::make_unique<TLockvexDBLPwordDlg>(signIn);
    if (name == QLatin1String("main"))
        return std::make_unique<TLockvexMainDlg>(*session.ListManager, *session.ItemManager, *session.LVDlgProcs);
    if (name == QLatin1String("import"))
        return std::make_unique<TLockvexDataImportDlg>(*session.ItemManager, *session.LVDlgProcs);
    if (name == QLatin1String("entry"))
        return std::make_unique<TLockvexItemDlg>(*session.ItemManager, *session.LVDlgProcs,
                                                 session.LockvexTbl->GetKey(QStringLiteral("Anvil")));
    if (name == QLatin1String("quick list"))
        return std::make_unique<TLockvexListDlg>(session);
    if (name == QLatin1String("message"))
        return std::unique_ptr<QWidget>(
            CreateMessageDialog(FillMessage(MsgCatalogue[MsgConfirmDelete], QString()), nullptr));
    if (name == QLatin1String("message without caption"))
        return std::unique_ptr<QWidget>(
            CreateMessageDialog(FillMessage(MsgCatalogue[MsgNotSaved], QString()), nullptr));
    return nullptr;
}

} // namespace program_windows
