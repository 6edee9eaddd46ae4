#include "app/LockvexSession.h"

#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/MgrMainApp.h"
#include "common/Globals.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

LockvexSession::LockvexSession()
    : LVDlgProcs(std::make_unique<TLVDlgProcs>(Run)), LockvexTbl(std::make_unique<TV9LockvexTbl>(true)),
      SharedLockvexRec(std::make_unique<TLockvexRec>()), ListManager(std::make_unique<TListManager>(LockvexTbl.get())),
      ItemManager(std::make_unique<TItemManager>(LockvexTbl.get(), SharedLockvexRec.get(), ListManager.get())),
      TempFiles(std::make_unique<QStringList>()), WebHelp(std::make_unique<TWebHelpSystem>())
{
    ::TempFiles = TempFiles.get();
    MainAppProcs = std::make_unique<TMgrMainAppProcs>(*this);
}

LockvexSession::~LockvexSession()
{
    MainAppProcs.reset();
    LockvexTbl.reset();
    SharedLockvexRec.reset();

    // The import's files (TempFiles names them): only those this run made, while they are so.
    RemoveMadeImportFiles(Run.Folders.IniFileName);
    ::TempFiles = nullptr;
    TempFiles.reset();

    WebHelp.reset();
    ItemManager.reset();
    ListManager.reset();
    LVDlgProcs.reset();
}
