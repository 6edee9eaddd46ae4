#include "ui/shared/WindowHelp.h"

#include <QKeySequence>
#include <QShortcut>
#include <QVariant>
#include <QWidget>

namespace
{

constexpr char HelpKeyInstalledProperty[] = "helpKeyInstalled";

void HelpKeyPressed(QWidget *window, TWebHelpSystem *help)
{
    QWidget *focus = window->focusWidget();
    if (help)
        help->ApplicationHelpContext(HelpContextFor(focus ? focus : window));
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

void ShowWindowHelp(QWidget *window, TWebHelpSystem *help)
{
    if (help)
        help->ApplicationHelpContext(HelpContext(window ? window->window() : nullptr));
}

void InstallHelpKey(QWidget *window, TWebHelpSystem *help)
{
    // A second F1 shortcut on the same window would make the key ambiguous and neither would fire.
    if (!window || window->property(HelpKeyInstalledProperty).toBool())
        return;
    window->setProperty(HelpKeyInstalledProperty, true);
    auto *shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window, help] { HelpKeyPressed(window, help); });
}
