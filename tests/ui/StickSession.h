#pragma once
// The window tests' session for the windows of memory-stick mode: entries are saved through the
// item manager before the mode is switched on (a stick's run never writes), and the settings file
// is the one start-up names.

#include "support/WindowSession.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace stick_session
{

inline ItemManagerParams Entry(const QString &name, const QString &url, const QString &custId, const QString &pin,
                               const QString &password, bool accessPassword = false)
{
    ItemManagerParams p;
    p.ItemName = name;
    p.URL = url;
    p.CustID = custId;
    p.PIN = pin;
    p.Password = password;
    p.Question1 = QStringLiteral("First school?");
    p.MemData1 = name + QStringLiteral(" school");
    p.Question2 = QStringLiteral("Mother's maiden name?");
    p.MemData2 = QStringLiteral("Smith");
    p.ItemDescr = QStringLiteral("Notes on ") + name + QStringLiteral("\nsecond line");
    p.LockvexPassword = accessPassword;
    return p;
}

class TStickSession : public testing_support::WindowSession
{
public:
    // Saves the entry (in normal mode, since a stick's run writes nothing) and returns its key.
    int Add(const ItemManagerParams &entry)
    {
        const bool stick = Run().Mode.MemStickMode();
        SetMemStickMode(false);
        const int key = App->ItemManager->AddItem(entry.ItemName);
        const bool saved = key >= 0 && App->ItemManager->SaveWebItem(key, entry);
        SetMemStickMode(stick);
        return saved ? key : NoKey;
    }

    QString Setting(const QString &key) const
    {
        QSettings settings(Run().Folders.IniFileName, QSettings::IniFormat);
        return settings.value(QStringLiteral("TrelLockvex/") + key).toString();
    }

    void SetSetting(const QString &key, const QString &value) const
    {
        QSettings settings(Run().Folders.IniFileName, QSettings::IniFormat);
        settings.setValue(QStringLiteral("TrelLockvex/") + key, value);
    }
};

// Every visible control lies inside the window and gets at least the room it asks for; the
// picture goes to the folder named by LOCKVEX_SCREENSHOTS when it is set.
inline void CheckLookAndSave(QWidget *window, const QString &name)
{
    QVERIFY(window->width() <= 1024 && window->height() <= 768);
    const QRect area = window->rect();
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!control->isVisible() || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect placed(control->mapTo(window, QPoint(0, 0)), control->size());
        QVERIFY2(area.contains(placed), qPrintable(name + QLatin1Char(' ') + control->objectName()));
        if (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control)) {
            const QSize wanted = control->minimumSizeHint();
            QVERIFY2(control->width() >= wanted.width() && control->height() >= wanted.height(),
                     qPrintable(name + QLatin1Char(' ') + control->objectName()));
        }
    }
    const QPixmap picture = window->grab();
    QCOMPARE(picture.size(), window->size());
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOTS");
    if (!folder.isEmpty())
        QVERIFY(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

} // namespace stick_session
