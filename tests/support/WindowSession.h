#pragma once
// The program's long-lived objects as start-up makes them, for the window tests: the platform
// double installed over its temporary home, the message responder answering catalogue messages,
// the run's session with its managers and lists, and the home's data file opened. Entries
// are made through the item manager, as a user's saves make them.

#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrMainApp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"
#include "ui/messages/MessageDialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace testing_support
{

class WindowSession
{
public:
    WindowSession() : platformGuard_(Platform)
    {
        App = std::make_unique<LockvexSession>(MessageDialogs);
        App->Run.Folders.DataFileName = App->Run.Folders.LocalDataFile;
        Opened = App->ListManager->OpenPool(App->Run.Folders.DataFileName);
    }

    virtual ~WindowSession()
    {
        App.reset();
    }

    // The session's run state: mode, folders, data location, screen metrics.
    TRunState &Run() const { return App->Run; }
    // Memory-stick mode on or off, for the windows and the entry table, as the start sets it.
    void SetMemStickMode(bool on) const
    {
        App->Run.Mode.SetMemStickMode(on);
        App->LockvexTbl->SetRunOnMemstick(on);
    }

    WindowSession(const WindowSession &) = delete;
    WindowSession &operator=(const WindowSession &) = delete;

    // Saves entries given as "name", "name:password" or "name:password:access" (the password is
    // an access password); the customer ID is the name in lower case followed by "-id".
    void MakeEntries(const QStringList &entries)
    {
        for (const QString &entry : entries) {
            const QStringList parts = entry.split(QLatin1Char(':'));
            ItemManagerParams item;
            item.ItemName = parts.value(0);
            item.Password = parts.value(1);
            item.LockvexPassword = parts.value(2) == QLatin1String("access");
            item.CustID = parts.value(0).toLower() + QStringLiteral("-id");
            const int key = App->ItemManager->AddItem(item.ItemName);
            QVERIFY(key >= 0);
            QVERIFY(App->ItemManager->SaveWebItem(key, item));
        }
    }

    // The entry of that name as the data file holds it; an empty one when there is none.
    ItemManagerParams Stored(const QString &name) const
    {
        TItemManager reader(App->LockvexTbl.get(), App->SharedLockvexRec.get(), App->ListManager.get());
        const int key = App->LockvexTbl->GetKey(name);
        return key < 0 ? ItemManagerParams() : reader.LoadWebItem(key);
    }

    TestPlatform Platform;
    // The run's messages with the message dialog, as the program makes them at start; the
    // responder answers first.
    TLockvexMessages MessageDialogs{RunMessageDialog};
    ScopedMessageResponder Messages{MessageDialogs};
    std::unique_ptr<LockvexSession> App;   // reset it to close the store, as the exit does
    bool Opened = false;                   // the data file opened

private:
    platform::ScopedInstall platformGuard_;
};

// The texts of a list's lines, top to bottom.
inline QStringList LinesOf(const QAbstractItemModel *model)
{
    QStringList lines;
    for (int i = 0; i < model->rowCount(); ++i)
        lines << model->index(i, 0).data().toString();
    return lines;
}

// Shows the window and lets it become the active window and handle that.
inline void ShowActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
    QCoreApplication::processEvents(); // becoming active
}

// A modal window runs its own event loop until it closes, so a test acts on it from a timer:
// once a modal window of type T shows, act runs on it, once. The timer belongs to owner.
template <typename T> inline void WhenModalShows(QObject *owner, std::function<void(T *)> act)
{
    auto *poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window)
            return;
        poll->stop();
        act(window);
    });
    poll->start(20);
}

} // namespace testing_support
