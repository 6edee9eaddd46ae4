#pragma once
// A small data file on the test platform's temporary home, with the global objects the entry
// managers work on: the entry table, the shared entry record, both managers, the three lists,
// and nothing that asks the user: the entry layer returns its decisions.

#include "EntryTestSupport.h"

#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QList>
#include <QLocale>

#include <gtest/gtest.h>

#include <memory>

class EntriesFixture : public ::testing::Test
{
    // The lists sort by the user's collation; a real locale makes it more than code order. Set
    // before the list manager makes its lists.
    struct DefaultLocale {
        QLocale saved;
        DefaultLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        ~DefaultLocale() { QLocale::setDefault(saved); }
    } defaultLocale_;

protected:
    void SetUp() override
    {
        guard_ = std::make_unique<platform::ScopedInstall>(testPlatform);
        StampNow();
        dataFolder = testPlatform.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(dataFolder);
        dataFile = dataFolder + QStringLiteral("/TrelLockvex.acsdb");
        OpenTable();
    }

    void TearDown() override
    {
        table.reset();
    }

    void OpenTable()
    {
        table.reset(); // closes the file first
        table = std::make_unique<TV9LockvexTbl>(true);
        ASSERT_TRUE(table->OpenPool(dataFile));
        lists.LockvexTbl = items.LockvexTbl = table.get();
    }

    // A saved entry with a name and a password; returns its key.
    int AddEntry(const QString &name, const QString &password = QString(), bool accessPassword = false)
    {
        const int key = items.AddItem(name);
        ItemManagerParams p;
        p.ItemName = name;
        p.Password = password;
        p.LockvexPassword = accessPassword;
        EXPECT_TRUE(items.SaveWebItem(key, p)) << name.toStdString();
        return key;
    }

    static QStringList Texts(const TLockvexStringList *list)
    {
        QStringList texts;
        for (int i = 0; list && i < list->Count(); ++i)
            texts << list->Strings(i);
        return texts;
    }

    testing_support::TestPlatform testPlatform;
    QString dataFolder;
    QString dataFile;
    std::unique_ptr<TV9LockvexTbl> table;
    TLockvexRec sharedRec;
    TListManager lists{nullptr}; // on table, once it is open
    TItemManager items{nullptr, &sharedRec, &lists};
    // The list manager's lists and counts, by the names the program gives them.
    TLockvexStringList *const LockvexStrings = lists.LockvexStrings.get();
    TLockvexStringList *const SelectedLockvexStrings = lists.SelectedLockvexStrings.get();
    TLockvexStringList *const PasswordStrings = lists.PasswordStrings.get();
    int &TotalPWs = lists.TotalPWs;
    int &LoginPWs = lists.LoginPWs;

private:
    std::unique_ptr<platform::ScopedInstall> guard_;
};
