#include "app/MgrLockvexHelp.h"

#include "app/LockvexAddresses.h"
#include "platform/Platform.h"

namespace
{

TWebHelpSystem *installedHelp = nullptr;

// The command that asks for help on a context number.
constexpr unsigned short HelpContextCommand = 1;

} // namespace

QString HelpAddress(int context)
{
    return LockvexAddresses::HelpSite() + QStringLiteral("/lockvex_help/index.html?contextid=") +
           QString::number(context);
}

bool ApplicationHelpContext(int context)
{
    if (!installedHelp)
        return false;
    bool callHelp = true;
    return installedHelp->WebHelpHook(HelpContextCommand, context, callHelp);
}

TWebHelpSystem::TWebHelpSystem()
{
    installedHelp = this;
}

TWebHelpSystem::~TWebHelpSystem()
{
    if (installedHelp == this)
        installedHelp = nullptr;
}

bool TWebHelpSystem::WebHelpHook(unsigned short Command, int Data, bool &CallHelp)
{
    Q_UNUSED(Command);
    CallHelp = false;
    platform::Current().OpenUrl(HelpAddress(Data));
    return true;
}
