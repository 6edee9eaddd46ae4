#include "entries/EntryMessages.h"

namespace
{

EntryMessageHook &InstalledHook()
{
    static EntryMessageHook hook;
    return hook;
}

} // namespace

void SetEntryMessageHook(EntryMessageHook hook)
{
    InstalledHook() = std::move(hook);
}

bool ShowEntryMessage(int msgNo, const QString &value)
{
    const EntryMessageHook &hook = InstalledHook();
    return hook ? hook(msgNo, value) : false;
}
