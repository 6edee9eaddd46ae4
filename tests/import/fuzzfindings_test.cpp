// Inputs the fuzz targets found faults with, kept so that the faults stay fixed. The files are
// in tests/data/fuzz-*.

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

class ImportFuzzFindings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        const QString folder = testPlatform.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(folder);
        table = std::make_unique<TV9LockvexTbl>(true);
        ASSERT_TRUE(table->OpenPool(folder + QStringLiteral("/TrelLockvex.acsdb")));
        items.LockvexTbl = table.get();
    }

    void TearDown() override
    {
        table.reset();
    }

    QString Fixture(const char *name)
    {
        const QString copy = testPlatform.Home() + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(QFile::copy(QStringLiteral(LOCKVEX_TEST_DATA "/") + QLatin1String(name), copy));
        return copy;
    }

    // Accepts and saves every record the engine offers, as the import window does.
    QStringList ImportAll(TImportExport &engine)
    {
        QStringList offered;
        ItemManagerParams params;
        for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params)) {
            offered << params.ItemName;
            ItemManagerParams output = params;
            output.NewItem = true;
            EXPECT_TRUE(items.SaveWebItem(items.AddItem(QStringLiteral("New Web entry")), output));
            engine.ImportCSVUserAction(ImportUserAction::Accepted);
        }
        return offered;
    }

    testing_support::TestPlatform testPlatform;
    platform::ScopedInstall guard{testPlatform};
    std::unique_ptr<TV9LockvexTbl> table;
    TLockvexRec sharedRec;
    TItemManager items{nullptr, &sharedRec, nullptr}; // on the table, once it is open
};

// Names longer than the stored 111 characters whose cut ends on blanks (a space, a tab, NULs):
// the name is trimmed after the cut, so a second record with the same stored name is a duplicate.
TEST_F(ImportFuzzFindings, ANameCutOnBlanksIsTrimmedAndItsDuplicatesArePassedOver)
{
    TRunFolders folders; // no settings file: the log is named nowhere
    TImportFiles importFiles{folders}; // the log the engine writes, removed at the end
    TImportExport engine(importFiles, table.get());
    engine.ImpExFormat.ImpExFileName = Fixture("fuzz-import-cut-names.csv");
    engine.ImpExFormat.ImportFields[1] = 1;
    engine.ImpExFormat.ImportFields[5] = 2;
    const QString a(110, QLatin1Char('A')), b(111, QLatin1Char('B')), c(109, QLatin1Char('C'));
    EXPECT_EQ(ImportAll(engine), (QStringList{a, b, c}));
    EXPECT_EQ(table->GetItemsUsed(), 3);
    EXPECT_EQ(items.LoadWebItem(table->GetKey(a)).Password, "pw1");
    EXPECT_EQ(items.LoadWebItem(table->GetKey(c)).Password, "pw5");
}

} // namespace
