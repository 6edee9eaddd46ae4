// The engine against a real entry table, with the window's part played by the test: each
// accepted record is saved through the item manager (AddItem, SaveWebItem).

#include "app/MgrImportFiles.h"
#include "app/RunState.h"
#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "import/LockvexImport.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{

class ImportTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        QString folder = testPlatform.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(folder);
        table = std::make_unique<TV9LockvexTbl>(true);
        ASSERT_TRUE(table->OpenPool(folder + QStringLiteral("/TrelLockvex.acsdb")));
        items.LockvexTbl = table.get();
        Save("Bank");
    }

    void TearDown() override
    {
        table.reset();
    }

    void Save(const QString &name)
    {
        ItemManagerParams p;
        p.ItemName = name;
        ASSERT_TRUE(items.SaveWebItem(items.AddItem(name), p));
    }

    QString Fixture(const char *name)
    {
        QString copy = testPlatform.Home() + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(QFile::copy(QStringLiteral(LOCKVEX_TEST_DATA "/") + QLatin1String(name), copy));
        return copy;
    }

    testing_support::TestPlatform testPlatform;
    platform::ScopedInstall guard{testPlatform};
    std::unique_ptr<TV9LockvexTbl> table;
    TLockvexRec sharedRec;
    TItemManager items{nullptr, &sharedRec, nullptr}; // on the table, once it is open
};

TEST_F(ImportTableTest, NamesOfTheEntryTableAndOfAcceptedRecordsInAnyLetterCaseAreDuplicates)
{
    TRunFolders folders; // no settings file: the log is named nowhere
    TImportFiles importFiles{folders}; // the log the engine writes, removed at the end
    TImportExport engine(importFiles, table.get());
    engine.ImpExFormat.ImpExFileName = Fixture("import-names.csv");
    engine.ImpExFormat.ImportFields[1] = 1;
    engine.ImpExFormat.ImportFields[5] = 2;
    QStringList shown;
    ItemManagerParams params;
    for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params)) {
        shown << params.ItemName;
        if (params.ItemName == "BANK") {
            engine.ImportCSVUserAction(ImportUserAction::Rejected);
            continue;
        }
        ItemManagerParams output = params;
        output.NewItem = true;
        ASSERT_TRUE(items.SaveWebItem(items.AddItem(QStringLiteral("New Web entry")), output));
        engine.ImportCSVUserAction(ImportUserAction::Accepted);
    }
    // "Bank" exists, and "bank" and "BANK" are the same name, as the main window's check has it;
    // the second "Shop" follows an accepted one
    EXPECT_EQ(shown, (QStringList{"Shop"}));
    EXPECT_EQ(table->NumRecords(), 2);
    EXPECT_EQ(items.LoadWebItem(table->GetKey("Shop")).Password, "5");
}

TEST_F(ImportTableTest, TheEngineWritesNoEntryItself)
{
    TRunFolders folders; // no settings file: the log is named nowhere
    TImportFiles importFiles{folders}; // the log the engine writes, removed at the end
    TImportExport engine(importFiles, table.get());
    engine.ImpExFormat.ImpExFileName = Fixture("import-notes-last.csv");
    engine.ImpExFormat.HeaderLines = "1";
    engine.ImpExFormat.ImportFields[1] = 1;
    ItemManagerParams params;
    for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params))
        engine.ImportCSVUserAction(ImportUserAction::Rejected);
    EXPECT_EQ(table->NumRecords(), 1);
    EXPECT_EQ(items.LoadWebItem(table->GetKey("Bank")).ItemName, "Bank");
}

} // namespace
