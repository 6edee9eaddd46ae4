#include "app/LockvexSession.h"

#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/MgrMainApp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

LockvexSession::LockvexSession(TLockvexMessages &messages)
    : LVDlgProcs(std::make_unique<TLVDlgProcs>(Run, messages)), LockvexTbl(std::make_unique<TV9LockvexTbl>(true)),
      SharedLockvexRec(std::make_unique<TLockvexRec>()), ListManager(std::make_unique<TListManager>(LockvexTbl.get())),
      ItemManager(std::make_unique<TItemManager>(LockvexTbl.get(), SharedLockvexRec.get(), ListManager.get())),
      TempFiles(std::make_unique<TImportFiles>(Run.Folders)), WebHelp(std::make_unique<TWebHelpSystem>()), Messages(messages)
{
    LVDlgProcs->SetImportFiles(TempFiles.get());
    LVDlgProcs->SetWebHelp(WebHelp.get());
    MainAppProcs = std::make_unique<TMgrMainAppProcs>(*this);
}

LockvexSession::~LockvexSession()
{
    MainAppProcs.reset();
    LockvexTbl.reset();
    SharedLockvexRec.reset();

    // The import's files: only those this run made, while they are so.
    LVDlgProcs->SetImportFiles(nullptr);
    TempFiles.reset();

    LVDlgProcs->SetWebHelp(nullptr);
    WebHelp.reset();
    ItemManager.reset();
    ListManager.reset();
    LVDlgProcs.reset();
}
