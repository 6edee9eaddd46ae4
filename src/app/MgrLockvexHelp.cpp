#include "app/MgrLockvexHelp.h"

#include "app/LockvexAddresses.h"
#include "platform/Platform.h"

#include <QKeySequence>
#include <QShortcut>
#include <QVariant>
#include <QWidget>

namespace
{

TWebHelpSystem *installedHelp = nullptr;

// The command that asks for help on a context number.
constexpr unsigned short HelpContextCommand = 1;

constexpr char HelpKeyInstalledProperty[] = "helpKeyInstalled";

void HelpKeyPressed(QWidget *window)
{
    QWidget *focus = window->focusWidget();
    ApplicationHelpContext(HelpContextFor(focus ? focus : window));
}

} // namespace

void SetHelpContext(QWidget *widget, int context)
{
    if (widget)
        widget->setProperty(HelpContextProperty, context);
}

int HelpContext(const QWidget *widget)
{
    return widget ? widget->property(HelpContextProperty).toInt() : 0;
}

int HelpContextFor(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (int context = HelpContext(w))
            return context;
        if (w->isWindow())
            break;
    }
    return 0;
}

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

void ShowWindowHelp(QWidget *window)
{
    ApplicationHelpContext(HelpContext(window ? window->window() : nullptr));
}

void InstallHelpKey(QWidget *window)
{
    // A second F1 shortcut on the same window would make the key ambiguous and neither would fire.
    if (!window || window->property(HelpKeyInstalledProperty).toBool())
        return;
    window->setProperty(HelpKeyInstalledProperty, true);
    auto *shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window] { HelpKeyPressed(window); });
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
