// The main window: the data file changed by another program while the window is open.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/OtherWriterNotice.h"
#include "app/RunState.h"
#include "entries/MgrLockvexItems.h"
#include "store/TBDALockvexData.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

void TLockvexMainDlg::WatchDataFile()
{
    dataWatch_ = new QFileSystemWatcher(this);
    dataWatch_->setObjectName(QStringLiteral("DataWatch"));
    dataWatchDelay_ = new QTimer(this);
    dataWatchDelay_->setObjectName(QStringLiteral("DataWatchDelay"));
    dataWatchDelay_->setSingleShot(true);
    dataWatchDelay_->setInterval(300);
    connect(dataWatchDelay_, &QTimer::timeout, this, [this] { DataFileEvent(); });
    connect(dataWatch_, &QFileSystemWatcher::fileChanged, dataWatchDelay_, qOverload<>(&QTimer::start));
    connect(dataWatch_, &QFileSystemWatcher::directoryChanged, dataWatchDelay_, qOverload<>(&QTimer::start));
    const QString file = items_.LockvexTbl ? items_.LockvexTbl->GetPoolFileName() : QString();
    if (!file.isEmpty())
        dataWatch_->addPaths({file, QFileInfo(file).absolutePath()});
}

void TLockvexMainDlg::DataFileEvent()
{
    TV9LockvexTbl *table = items_.LockvexTbl;
    if (!table || rules_.IsClosing())
        return;
    // A file renamed over the data file is a new file: the watch follows the name.
    const QString file = table->GetPoolFileName();
    if (QFileInfo::exists(file) && !dataWatch_->files().contains(file))
        dataWatch_->addPath(file);
    // A change typed and not saved yet settles with its save, which checks the file first.
    if (RecChanged())
        return;
    table->SettleOtherWriters();
    TellOtherWriters();
}

void TLockvexMainDlg::OtherWriterSettled()
{
    if (items_.LockvexTbl && items_.LockvexTbl->OtherWriterReportPending())
        QTimer::singleShot(0, this, [this] { TellOtherWriters(); });
}

void TLockvexMainDlg::TellOtherWriters()
{
    TV9LockvexTbl *table = items_.LockvexTbl;
    if (!table || !::TellOtherWriters(dlgProcs_.Messages(), *table, dlgProcs_))
        return;
    if (rules_.IsClosing())
        return;
    // The entries are the settled file's now: the lists, and the entry shown under its key (this
    // run's entries keep their keys; one changed on both sides may have a new name).
    const int key = rules_.DisplayedItemKey();
    GetDisplayInfo();
    if (key >= 0 && table->FindIndexItem(key)) {
        GetItemInfo(key);
        KeepCurrentLine();
    } else {
        DisplayCurrentItem();
    }
}
