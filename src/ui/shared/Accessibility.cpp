#include "ui/shared/Accessibility.h"

#include "ui/shared/LetterTabs.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace Accessibility
{

namespace
{

const char *const KindProperty = "lvAccessible";

// A widget assistive tools should not see: not showing, nameless, out of the focus order.
class THiddenAccessible : public QAccessibleWidget
{
public:
    explicit THiddenAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}

    QAccessible::State state() const override
    {
        QAccessible::State hidden;
        hidden.invisible = true;
        hidden.offscreen = true;
        return hidden;
    }
    QString text(QAccessible::Text) const override { return QString(); }
    QStringList actionNames() const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
};

// A clickable picture: a link that a press action (or Return) follows.
class TLinkAccessible : public QAccessibleWidget
{
public:
    explicit TLinkAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Link) {}

    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
    void doAction(const QString &action) override
    {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // The window handles the key as it handles a click on the picture.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(widget(), &press);
    }
};

// One letter tab: no widget of its own, so an interface without an object, as Qt's tab bar has.
class TLetterTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TLetterTabAccessible(TLetterTabs *tabs, int index) : tabs_(tabs), index_(index) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QObject *object() const override { return nullptr; }
    bool isValid() const override { return !tabs_.isNull(); }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(tabs_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? TLetterTabs::TabName(index_) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!tabs_)
            return state;
        state.focusable = true;
        state.selectable = true;
        state.selected = tabs_->SelectedIndex() == index_;
        state.focused = tabs_->hasFocus() && tabs_->KeyIndex() == index_;
        state.invisible = !tabs_->isVisible();
        return state;
    }
    QRect rect() const override
    {
        if (!tabs_)
            return QRect();
        const QRect tab = tabs_->TabRect(index_);
        return QRect(tabs_->mapToGlobal(tab.topLeft()), tab.size());
    }
    QWindow *window() const override { return tabs_ ? tabs_->window()->windowHandle() : nullptr; }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (tabs_ && action == pressAction())
            tabs_->ActivateTab(index_);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<TLetterTabs> tabs_;
    int index_;
};

// The column of letter tabs as a tab list; its tabs are made when first asked for.
class TLetterTabsAccessible : public QAccessibleWidget
{
public:
    explicit TLetterTabsAccessible(TLetterTabs *tabs) : QAccessibleWidget(tabs, QAccessible::PageTabList) {}
    ~TLetterTabsAccessible() override
    {
        for (QAccessible::Id id : std::as_const(ids_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return TLetterTabs::TabCount; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= TLetterTabs::TabCount)
            return nullptr;
        if (const auto found = ids_.constFind(index); found != ids_.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto *tab = new TLetterTabAccessible(static_cast<TLetterTabs *>(widget()), index);
        ids_.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = ids_.constBegin(); it != ids_.constEnd(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int index = static_cast<TLetterTabs *>(widget())->TabAt(widget()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 ? child(index) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        auto *tabs = static_cast<TLetterTabs *>(widget());
        return tabs->hasFocus() ? child(tabs->KeyIndex()) : nullptr;
    }
    QString text(QAccessible::Text type) const override
    {
        QString text = QAccessibleWidget::text(type);
        if (type == QAccessible::Name && text.isEmpty())
            text = QStringLiteral("Jump to letter");
        return text;
    }

private:
    mutable QHash<int, QAccessible::Id> ids_;
};

QAccessibleInterface *ProgramInterfaces(const QString &className, QObject *object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("TLetterTabs"))
        return new TLetterTabsAccessible(static_cast<TLetterTabs *>(widget));
    const QString kind = widget->property(KindProperty).toString();
    if (kind == QLatin1String("hidden"))
        return new THiddenAccessible(widget);
    if (kind == QLatin1String("link"))
        return new TLinkAccessible(widget);
    if (kind == QLatin1String("window"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

// Presses the push button it watches on Return and Enter.
class TEnterPresses : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        auto *button = qobject_cast<QPushButton *>(watched);
        if (button == nullptr || key->key() == Qt::Key_Space || !IsPressKey(key) || !button->isEnabled())
            return false;
        button->animateClick();
        return true;
    }
};

// A widget's interface may have been made (and kept) before its kind was set, as the widget
// reports its first texts: it is dropped, so the next one asked for is of the kind set.
void SetKind(QWidget *widget, const QString &kind)
{
    InstallInterfaces();
    widget->setProperty(KindProperty, kind);
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace

void InstallInterfaces()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ProgramInterfaces);
}

void HideFromAssistiveTools(QWidget *widget)
{
    SetKind(widget, QStringLiteral("hidden"));
}

void MakeLink(QLabel *picture, const QString &name)
{
    SetKind(picture, QStringLiteral("link"));
    picture->setAccessibleName(name);
    // Reached by Tab; a click does not take the focus from where the user works.
    picture->setFocusPolicy(Qt::TabFocus);
}

void NameWindow(QWidget *window, const QString &name)
{
    if (QLatin1String(window->metaObject()->superClass()->className()) == QLatin1String("QWidget"))
        SetKind(window, QStringLiteral("window"));
    else
        InstallInterfaces();
    window->setAccessibleName(name);
}

void PressFocusedButtonOnEnter(QWidget *window)
{
    auto *presses = new TEnterPresses(window);
    for (QPushButton *button : window->findChildren<QPushButton *>())
        button->installEventFilter(presses);
}

bool IsPressKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    return modifiers == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
}

} // namespace Accessibility
