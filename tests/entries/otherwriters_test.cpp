// Another program changes the data file under a running table: a sync client renames its
// version over it, a restore rewrites it in place (slots in another order, or shorter), the file
// is deleted, the data folder moved away. Each is met with each kind of change made here, through
// the item manager as the main window calls it; the folder is then read with the file format's
// own decoder (nothing of the store), and every change of both sides must be there as the
// combining rule says, no record holding another entry's fields.

#include "EntriesFixture.h"

#include "support/FileFormatReader.h"

#include <QFile>

#include <algorithm>

#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

namespace
{

using Entries = std::map<std::string, std::string>; // name -> customer ID

// The live entries of a data file, by the file format alone; duplicate names count as a failure.
Entries ReadEntries(const QString &path, bool &duplicates, std::vector<int> *keys = nullptr)
{
    duplicates = false;
    QFile file(path);
    Entries entries;
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    const QByteArray bytes = file.readAll();
    for (const docreader::Bytes &slot : docreader::ReadSlots(docreader::Bytes(bytes.begin(), bytes.end()))) {
        const docreader::Entry e = docreader::Decode(slot.data());
        if (e.state != docreader::State::Live)
            continue;
        duplicates = duplicates || entries.count(e.name);
        entries[e.name] = e.custId;
        if (keys)
            keys->push_back(e.key);
    }
    return entries;
}

enum class Writer { Renamed, InPlaceReordered, InPlaceShorter, Deleted, FolderMoved };
enum class Change { Before, After, New, Deletion, BothSides };

const char *Name(Writer w)
{
    switch (w) {
    case Writer::Renamed: return "replaced by rename";
    case Writer::InPlaceReordered: return "rewritten in place, slots reordered";
    case Writer::InPlaceShorter: return "rewritten in place, shorter";
    case Writer::Deleted: return "deleted";
    case Writer::FolderMoved: return "folder moved";
    }
    return "";
}

const char *Name(Change c)
{
    switch (c) {
    case Change::Before: return "change before";
    case Change::After: return "change after";
    case Change::New: return "new entry";
    case Change::Deletion: return "deletion";
    case Change::BothSides: return "same entry changed on both sides";
    }
    return "";
}

class OtherWriters : public EntriesFixture
{
protected:
    void SetUp() override
    {
        EntriesFixture::SetUp();
        Prepare();
    }

    // The start data here, and the other computer's version beside it.
    void Prepare()
    {
        alpha = Save(NoKey, "Alpha Bank", "alice");
        bravo = Save(NoKey, "Bravo Mail", "bob");
        charlie = Save(NoKey, "Charlie Notes", "");
        // Another computer's version: Alpha changed there, an entry added there; its slots in
        // another order and its keys its own. Written by a table of its own in another folder;
        // its compacted backup is the shorter form.
        otherFolder = testPlatform.Home() + QStringLiteral("/other");
        QDir().mkpath(otherFolder);
        TV9LockvexTbl other(true);
        ASSERT_TRUE(other.OpenPool(otherFolder + QStringLiteral("/TrelLockvex.acsdb")));
        for (const auto &[name, custID] : {std::pair{"Sync Added", ""}, std::pair{"Charlie Notes", ""},
                                           std::pair{"Bravo Mail", "bob"}, std::pair{"Alpha Bank", "alice-sync"}}) {
            TLockvexRec rec;
            rec.SetName(QString::fromLatin1(name));
            rec.SetCustID(QString::fromLatin1(custID));
            ASSERT_EQ(other.WriteLockvexRec(other.AddLockvexIndexItem(QString::fromLatin1(name)), &rec), WriteOK);
        }
        ASSERT_TRUE(other.CloseTable().Ok());
        // The run begins here, with the start data in the file.
        OpenTable();
    }

    // Saves the entry as the window does: the fields as it showed them (shown, when given), with
    // the name and customer ID typed over.
    int Save(int key, const QString &name, const QString &custID, const ItemManagerParams *shown = nullptr)
    {
        if (key == NoKey)
            key = items.AddItem(name);
        ItemManagerParams p = shown ? *shown : items.LoadWebItem(key);
        p.ItemName = name;
        p.CustID = custID;
        lastSaved = items.SaveWebItem(key, p);
        return key;
    }

    static void WriteInPlace(const QString &path, const QByteArray &bytes)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }

    static QByteArray Bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void ActAsOtherWriter(Writer w)
    {
        const QByteArray full = Bytes(otherFolder + QStringLiteral("/TrelLockvex.acsdb"));
        const QByteArray compacted = Bytes(otherFolder + QStringLiteral("/TrelLockvex.BAC0"));
        ASSERT_FALSE(full.isEmpty());
        ASSERT_LT(compacted.size(), full.size());
        switch (w) {
        case Writer::Renamed: {
            const QString temp = dataFolder + QStringLiteral("/.sync-download.tmp");
            QFile f(temp);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(full);
            f.close();
            ASSERT_EQ(::rename(QFile::encodeName(temp).constData(), QFile::encodeName(dataFile).constData()), 0);
            break;
        }
        case Writer::InPlaceReordered:
            WriteInPlace(dataFile, full);
            break;
        case Writer::InPlaceShorter:
            WriteInPlace(dataFile, compacted);
            break;
        case Writer::Deleted:
            ASSERT_TRUE(QFile::remove(dataFile));
            break;
        case Writer::FolderMoved:
            ASSERT_TRUE(QDir().rename(dataFolder, movedFolder()));
            break;
        }
    }

    QString movedFolder() const { return dataFolder + QStringLiteral("-moved"); }

    int alpha = NoKey, bravo = NoKey, charlie = NoKey;
    bool lastSaved = false;
    QString otherFolder;
};

TEST_F(OtherWriters, EveryChangeOfBothSidesIsKeptAndNoneLandsInAnotherEntry)
{
    const Entries theirs = {{"Alpha Bank", "alice-sync"}, {"Bravo Mail", "bob"}, {"Charlie Notes", ""},
                            {"Sync Added", ""}};
    const Entries ours = {{"Alpha Bank", "alice"}, {"Bravo Mail", "bob"}, {"Charlie Notes", ""}};
    for (Writer w : {Writer::Renamed, Writer::InPlaceReordered, Writer::InPlaceShorter, Writer::Deleted,
                     Writer::FolderMoved}) {
        for (Change c : {Change::Before, Change::After, Change::New, Change::Deletion, Change::BothSides}) {
            SCOPED_TRACE(std::string(Name(w)) + ", " + Name(c));
            table.reset();
            QDir(dataFolder).removeRecursively();
            QDir(movedFolder()).removeRecursively();
            QDir(otherFolder).removeRecursively();
            QDir().mkpath(dataFolder);
            OpenTable();
            Prepare();

            // The window shows an entry before the other writer comes, and saves it after.
            const ItemManagerParams shownAlpha = items.LoadWebItem(alpha);
            const ItemManagerParams shownBravo = items.LoadWebItem(bravo);
            if (c == Change::Before)
                Save(bravo, "Bravo Mail", "bob-local", &shownBravo);
            ActAsOtherWriter(w);
            switch (c) {
            case Change::Before:
                break;
            case Change::After:
                Save(bravo, "Bravo Mail", "bob-local", &shownBravo);
                break;
            case Change::New:
                Save(NoKey, "Local Added", "lee");
                break;
            case Change::Deletion:
                lastSaved = items.DeleteItem(charlie, UpdatePermission);
                break;
            case Change::BothSides:
                Save(alpha, "Alpha Bank", "alice-local", &shownAlpha);
                break;
            }
            const TOtherWriterReport report = table->TakeOtherWriterReport();
            table.reset(); // the close settles what is still to settle, and makes the backups

            // What must be stored: the other side's file with this side's change, or (the file
            // deleted) this side's alone; the folder moved: the moved file as it was left.
            const bool moved = w == Writer::FolderMoved;
            Entries expected = w == Writer::Deleted || moved ? ours : theirs;
            if (moved) {
                EXPECT_EQ(lastSaved, c == Change::Before) << "a change after the move is reported as not saved";
                if (c == Change::Before)
                    expected["Bravo Mail"] = "bob-local";
            } else {
                EXPECT_TRUE(lastSaved);
                switch (c) {
                case Change::Before:
                case Change::After:
                    expected["Bravo Mail"] = "bob-local";
                    break;
                case Change::New:
                    expected["Local Added"] = "lee";
                    break;
                case Change::Deletion:
                    expected.erase("Charlie Notes");
                    break;
                case Change::BothSides:
                    if (w == Writer::Deleted) {
                        expected["Alpha Bank"] = "alice-local";
                    } else {
                        expected["Alpha Bank (this computer)"] = "alice-local";
                        EXPECT_EQ(report.KeptTwice, QStringList{QStringLiteral("Alpha Bank (this computer)")});
                    }
                    break;
                }
                if (c != Change::Before) {
                    EXPECT_EQ(report.What, w == Writer::Deleted ? TOtherWriterReport::WrittenAgain
                                                                : TOtherWriterReport::Combined);
                    EXPECT_EQ(report.Replaced, w == Writer::Renamed);
                }
            }
            const QString stored = moved ? movedFolder() + QStringLiteral("/TrelLockvex.acsdb") : dataFile;
            bool duplicates = false;
            std::vector<int> keys;
            EXPECT_EQ(ReadEntries(stored, duplicates, &keys), expected);
            EXPECT_FALSE(duplicates);
            std::sort(keys.begin(), keys.end());
            EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end()) << "two records share a key";
            if (!moved) {
                // The close's backup holds the same: none lacks a change that is in no other file.
                EXPECT_EQ(ReadEntries(dataFolder + QStringLiteral("/TrelLockvex.BAC0"), duplicates), expected);
            }
        }
    }
}

TEST_F(OtherWriters, AnEntryReadAfterAnInPlaceRewriteIsThatEntry)
{
    ActAsOtherWriter(Writer::InPlaceReordered);
    const ItemManagerParams shown = items.LoadWebItem(bravo);
    EXPECT_EQ(shown.ItemName, QStringLiteral("Bravo Mail"));
    EXPECT_EQ(shown.CustID, QStringLiteral("bob"));
    EXPECT_EQ(items.LoadWebItem(alpha).CustID, QStringLiteral("alice-sync"));
    EXPECT_EQ(table->TakeOtherWriterReport().What, TOtherWriterReport::Combined);
}

TEST_F(OtherWriters, ChangesOnBothSidesAreCountedAndADeletionMeetsAChange)
{
    Save(charlie, "Charlie Notes", "changed-here"); // deleted there below, changed here: kept
    Save(bravo, "Bravo Mail", "bob-local");         // changed here only
    {
        TV9LockvexTbl other(true);
        const QString otherFile = otherFolder + QStringLiteral("/TrelLockvex.acsdb");
        ASSERT_TRUE(other.OpenPool(otherFile));
        ASSERT_TRUE(other.DropIndexedRecord(other.GetKey(QStringLiteral("Charlie Notes")), UpdatePermission).Ok());
        ASSERT_TRUE(other.CloseTable().Ok());
    }
    ActAsOtherWriter(Writer::Renamed);
    EXPECT_TRUE(table->SettleOtherWriters()); // as the watch on the folder calls it
    const TOtherWriterReport report = table->TakeOtherWriterReport();
    EXPECT_EQ(report.What, TOtherWriterReport::Combined);
    EXPECT_EQ(report.FromHere, 2);
    EXPECT_EQ(report.FromThere, 3); // Alpha changed, Sync Added new, Charlie deleted
    EXPECT_TRUE(report.KeptTwice.isEmpty());
    // The keys the window holds still name their entries.
    EXPECT_EQ(items.LoadWebItem(bravo).CustID, QStringLiteral("bob-local"));
    EXPECT_EQ(items.LoadWebItem(charlie).CustID, QStringLiteral("changed-here"));
    EXPECT_EQ(items.LoadWebItem(alpha).CustID, QStringLiteral("alice-sync"));
    bool duplicates = false;
    EXPECT_EQ(ReadEntries(dataFile, duplicates), (Entries{{"Alpha Bank", "alice-sync"},
                                                          {"Bravo Mail", "bob-local"},
                                                          {"Charlie Notes", "changed-here"},
                                                          {"Sync Added", ""}}));
    // Nothing more to settle: the combined file is the table's own.
    EXPECT_TRUE(table->DataFileIsAsLeft());
    EXPECT_EQ(table->TakeOtherWriterReport().What, TOtherWriterReport::Nothing);
}

TEST_F(OtherWriters, ReadOnlyShowsTheNewFileAndWritesNothing)
{
    table.reset();
    table = std::make_unique<TV9LockvexTbl>(true);
    table->SetReadOnlyMode(true);
    ASSERT_TRUE(table->OpenPool(dataFile));
    lists.LockvexTbl = items.LockvexTbl = table.get();
    const QByteArray full = Bytes(otherFolder + QStringLiteral("/TrelLockvex.acsdb"));
    ActAsOtherWriter(Writer::Renamed);
    EXPECT_TRUE(table->SettleOtherWriters());
    EXPECT_EQ(table->TakeOtherWriterReport().What, TOtherWriterReport::Reloaded);
    EXPECT_NE(table->GetKey(QStringLiteral("Sync Added")), NoKey);
    table.reset();
    EXPECT_EQ(Bytes(dataFile), full);
}

} // namespace
