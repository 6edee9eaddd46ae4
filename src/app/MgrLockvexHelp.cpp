#include "app/MgrLockvexHelp.h"

#include "app/LockvexAddresses.h"
#include "platform/Platform.h"

namespace
{

// The command that asks for help on a context number.
constexpr unsigned short HelpContextCommand = 1;

} // namespace

QString HelpAddress(int context)
{
    return LockvexAddresses::HelpSite() + QStringLiteral("/lockvex_help/index.html?contextid=") +
           QString::number(context);
}

bool TWebHelpSystem::ApplicationHelpContext(int context)
{
    bool callHelp = true;
    return WebHelpHook(HelpContextCommand, context, callHelp);
}

bool TWebHelpSystem::WebHelpHook(unsigned short Command, int Data, bool &CallHelp)
{
    Q_UNUSED(Command);
    CallHelp = false;
    platform::Current().OpenUrl(HelpAddress(Data));
    return true;
}
