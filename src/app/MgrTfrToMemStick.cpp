#include "app/MgrTfrToMemStick.h"

#include "app/LockvexMsgdial.h"
#include "app/RunState.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"

#include <QFileInfo>

namespace
{

// The program's name on the stick, whatever the running file is called.
const QString StickProgramName = QStringLiteral("lockvex");
const QString StickDataName = QStringLiteral("TrelLockvex.acsdb");
const QString StickTitle = QStringLiteral(
    "A copy of the Lockvex program and a read only copy of your encrypted data will be written to the selected "
    "memory stick. You will need two of your passwords to access your Lockvex data");

QString InFolder(const QString &folder, const QString &name)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + name;
}

// Where the folder browser opens: the folder removable media are mounted below, when there is one.
QString MediaStartFolder()
{
    const QString login = platform::Current().LoginName();
    QStringList candidates;
    if (!login.isEmpty())
        candidates << QStringLiteral("/run/media/") + login << QStringLiteral("/media/") + login;
    candidates << QStringLiteral("/media") << QStringLiteral("/mnt");
    for (const QString &folder : candidates)
        if (QFileInfo(folder).isDir())
            return folder;
    return platform::Current().ProfileFolder();
}

} // namespace

void TfrToMemStick(TLockvexMessages &messages, const QString &SelectedDirectory, const TRunFolders &folders)
{
    platform::Platform &desktop = platform::Current();
    const bool programCopied =
        desktop.CopyFile(desktop.ProgramFilePath(), InFolder(SelectedDirectory, StickProgramName), false);
    // The PC's copy goes to the stick, also when the data in use lives in a cloud folder.
    const bool dataCopied = desktop.CopyFile(InFolder(folders.LocalDataFolder, StickDataName),
                                             InFolder(SelectedDirectory, StickDataName), false);
    messages.ShowMessageDlg(MsgCatalogue[programCopied && dataCopied ? MsgCopiedToStick : MsgUnableToCopy], SelectedDirectory);
}

void TfrMemStickCommand(TLockvexMessages &messages, const TListManager &lists, const TRunFolders &folders)
{
    // On the stick the program asks for two different access passwords; one alone cannot open it.
    if (lists.LoginPWs == 1) {
        messages.ShowMessageDlg(MsgCatalogue[MsgTwoPasswordsNeeded]);
        return;
    }
    const QString start = MediaStartFolder();
    for (;;) {
        const QString folder =
            platform::Current().ChooseFolder(QStringLiteral("SELECT MEMORY STICK"), StickTitle, start);
        if (folder.isEmpty())
            return;
        if (platform::Current().IsRemovableMountPoint(folder)) {
            TfrToMemStick(messages, folder, folders);
            return;
        }
        // Why the folder is refused and what to do, in a line under the catalogue's words.
        TMsgFields refused = MsgCatalogue[MsgSelectMemStick];
        refused.Msg += QStringLiteral("\n\"%1\" is not on a removable drive. Insert a memory stick and choose its "
                                      "folder (under /media or /run/media).")
                           .arg(folder);
        messages.ShowMessageDlg(refused);
    }
}
