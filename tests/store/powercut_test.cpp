// What a power cut leaves of the data file, its journal, the TEMP copy and the backups. A kill
// cannot show it: the page cache outlives a killed process. Here the disk keeps what was written
// since each flush apart, and a cut before any write, flush, creation, removal, copy or rename
// keeps any part of it (see PowerCutDisk). After each cut the entry table starts afresh on what
// the disk held, as the next start of the program does: journal replay, damage check, restore.
//
// What must hold after every cut: the data file opens as it is (a cut is not damage); every save
// and deletion that had returned success is there; an entry whose save was under way holds its
// old content or its new one, never a mix; nothing is there that was never saved.

#include "common/DateStamp.h"
#include "store/TBDALockvexData.h"
#include "support/PowerCutDisk.h"

#include <QDir>

#include <gtest/gtest.h>

#include <climits>

#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace
{

using testing_support::PowerCutDisk;

// One save or deletion of an entry: the events done when it started and when it returned
// success (-1: it did not return, or failed).
struct Attempt {
    int Started = 0;
    int Done = -1;
    std::optional<QString> Content; // none: a deletion
};

// The entry's content spread over the record, so that a record torn between two versions
// shows in at least one field.
void Fill(TLockvexRec &rec, const QString &content)
{
    rec.SetURL(QStringLiteral("https://example.com/") + content);
    rec.SetPassword(content);
    rec.SetMemData4(content);
    rec.SetAccountNotes(content.toLatin1() + QByteArray(200, 'n'));
}

std::optional<QString> ContentOf(const TLockvexRec &rec)
{
    const QString content = rec.GetPassword();
    if (rec.GetURL() != QStringLiteral("https://example.com/") + content || rec.GetMemData4() != content ||
        rec.GetAccountNotes() != content.toLatin1() + QByteArray(200, 'n'))
        return QStringLiteral("<torn: ") + content + QLatin1Char('>');
    return content;
}

// A backup as the store writes one: whole slots, each of them sound.
bool IsSoundPool(const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() % LockvexRecSize != 0)
        return false;
    for (qsizetype at = 0; at < bytes.size(); at += LockvexRecSize) {
        QByteArray slot = bytes.mid(at, LockvexRecSize);
        auto *record = reinterpret_cast<uint8_t *>(slot.data());
        DecipherIfEnciphered(record, LockvexRecSize);
        if (!LockvexSlotIsSound(record))
            return false;
    }
    return true;
}

class PowerCutTest : public ::testing::TestWithParam<unsigned>
{
protected:
    void SetUp() override
    {
        Folder = Disk.Home() + QStringLiteral("/data");
        QDir().mkpath(Folder);
        Data = Folder + QStringLiteral("/TrelLockvex.acsdb");
        Disk.Follow(Folder);
        StampNow();
    }

    std::unique_ptr<TV9LockvexTbl> Open()
    {
        auto table = std::make_unique<TV9LockvexTbl>(true);
        table->SetPoolExtensionSize(3); // growth every few new entries
        table->OpenPool(Data);
        return table;
    }

    // Sessions as the program has them: open, saves, changes and deletions, close with its TEMP
    // copy and backups. Two on the first day (the second close replaces BAC0), then one a day
    // (each close moves BAC0 to BAC1 first).
    void RunSessions(unsigned seed, int opsPerSession)
    {
        std::mt19937 random(seed);
        int made = 0;
        for (int day : {0, 0, 1, 2}) {
            Disk.Clock = Start.addDays(day);
            StampNow();
            Clocks.emplace_back(Disk.Events(), Disk.Clock);
            auto table = Open();
            ASSERT_TRUE(table->PoolStatusOk());
            for (int op = 0; op < opsPerSession; ++op) {
                std::vector<QString> live;
                for (const auto &[name, attempts] : History)
                    if (attempts.back().Content)
                        live.push_back(name);
                const int what = std::uniform_int_distribution<int>(0, 9)(random);
                if (live.empty() || what < 5)
                    Add(*table, QStringLiteral("entry-%1").arg(++made, 2, 10, QLatin1Char('0')));
                else if (what < 8)
                    Change(*table, live[random() % live.size()]);
                else
                    Delete(*table, live[random() % live.size()]);
            }
            EXPECT_TRUE(table->CloseTable().Ok());
            FirstClose = std::min(FirstClose, Disk.Events());
        }
    }

    void Add(TV9LockvexTbl &table, const QString &name)
    {
        const int key = table.AddLockvexIndexItem(name);
        Keys[name] = key;
        TLockvexRec rec;
        rec.SetName(name);
        Write(table, name, key, rec);
    }

    void Change(TV9LockvexTbl &table, const QString &name)
    {
        TLockvexRec rec;
        ASSERT_EQ(table.GetLockvexRec(Keys[name], &rec), ReadOk);
        rec.CheckUserPermission();
        Write(table, name, Keys[name], rec);
    }

    void Write(TV9LockvexTbl &table, const QString &name, int key, TLockvexRec &rec)
    {
        auto &attempts = History[name];
        const QString content = name + QStringLiteral("-v") + QString::number(attempts.size());
        Fill(rec, content);
        attempts.push_back(Attempt{Disk.Events(), -1, content});
        ASSERT_EQ(table.WriteLockvexRec(key, &rec), WriteOK) << qPrintable(name);
        attempts.back().Done = Disk.Events();
    }

    void Delete(TV9LockvexTbl &table, const QString &name)
    {
        auto &attempts = History[name];
        attempts.push_back(Attempt{Disk.Events(), -1, std::nullopt});
        ASSERT_EQ(table.DropIndexedRecord(Keys[name], UpdatePermission).Result, WriteOK) << qPrintable(name);
        attempts.back().Done = Disk.Events();
        Keys.erase(name);
    }

    // What a fresh start finds after the cut, and what is wrong with it (empty: nothing).
    QStringList Check(const PowerCutDisk::Picture &picture)
    {
        QStringList problems;
        // The backups: each the old one or the new one, whole; once a close made one, always one
        // (BAC0, or BAC1 while the newest backup is being moved there).
        bool backup = false;
        for (const PowerCutDisk::SurvivingFile &file : picture.Files)
            if (file.Name.startsWith(QStringLiteral("TrelLockvex.BAC"))) {
                backup = true;
                if (!IsSoundPool(file.Bytes))
                    problems << file.Name + QStringLiteral(" is not whole");
            }
        if (!backup && picture.Event >= FirstClose)
            problems << QStringLiteral("no backup is left");
        Disk.Restore(picture);
        for (const auto &[event, clock] : Clocks)
            if (event <= picture.Event)
                Disk.Clock = clock;
        StampNow();
        std::map<QString, QString> found;
        {
            auto table = std::make_unique<TV9LockvexTbl>(true);
            if (!table->OpenPool(Data))
                return {QStringLiteral("the data does not open")};
            if (!table->DamagedFileKeptAs().isEmpty())
                problems << QStringLiteral("the data file was taken for damaged");
            TPoolIndexRec *item = nullptr;
            for (bool more = table->GetFirstIndexItem(item, FullScan); more;
                 more = table->GetNextIndexItem(item, FullScan)) {
                const QString name = item->GetIndexedName();
                TLockvexRec rec;
                if (table->GetLockvexRec(item->GetKeyFromIndex(), &rec) != ReadOk)
                    problems << name + QStringLiteral(" cannot be read");
                else if (found.count(name))
                    problems << name + QStringLiteral(" is there twice");
                else
                    found[name] = ContentOf(rec).value_or(QString());
            }
        }
        for (const auto &[name, attempts] : History) {
            // The last attempt done before the cut, and every one begun after it (under way).
            int last = -1;
            for (int i = 0; i < int(attempts.size()); ++i)
                if (attempts[size_t(i)].Done >= 0 && attempts[size_t(i)].Done <= picture.Event)
                    last = i;
            std::set<std::optional<QString>> allowed;
            allowed.insert(last < 0 ? std::nullopt : attempts[size_t(last)].Content);
            for (int i = last + 1; i < int(attempts.size()); ++i)
                if (attempts[size_t(i)].Started < picture.Event)
                    allowed.insert(attempts[size_t(i)].Content);
            const auto it = found.find(name);
            const std::optional<QString> there = it == found.end() ? std::nullopt : std::optional(it->second);
            if (!allowed.count(there))
                problems << name + QStringLiteral(": ") + there.value_or(QStringLiteral("<missing>"));
        }
        for (const auto &[name, content] : found)
            if (!History.count(name))
                problems << name + QStringLiteral(" was never saved");
        return problems;
    }

    PowerCutDisk Disk;
    platform::ScopedInstall PlatformGuard{Disk};
    QString Folder, Data;
    const QDateTime Start = QDateTime(QDate(2026, 3, 9), QTime(14, 5, 59));
    std::vector<std::pair<int, QDateTime>> Clocks; // the clock from this event on
    std::map<QString, std::vector<Attempt>> History;
    std::map<QString, int> Keys;
    int FirstClose = INT_MAX; // the events done when the first close returned
};

// Seeded cut points before every event of the sessions, several draws each: the first open
// (a new pool and its growth), saves into blank slots and over records (journal, write, flush),
// growth, deletions, the TEMP copy, BAC0 moved to BAC1 and TEMP renamed to BAC0.
TEST_P(PowerCutTest, EverySaveReportedDoneSurvivesACutAtAnyPoint)
{
    constexpr int DrawsPerEvent = 2;
    for (int event = 0; event < 4000; ++event)
        for (int draw = 0; draw < DrawsPerEvent; ++draw)
            Disk.PlanCut(event, unsigned(event * DrawsPerEvent + draw + 1));
    RunSessions(GetParam(), 9);
    const int events = Disk.Events();
    const std::vector<PowerCutDisk::Picture> pictures = Disk.TakePictures();
    ASSERT_GT(pictures.size(), 300u);

    std::map<QString, int> spread;
    QStringList failures;
    for (const PowerCutDisk::Picture &picture : pictures) {
        ++spread[picture.What];
        const QStringList problems = Check(picture);
        if (!problems.isEmpty() && failures.size() < 20)
            failures << QStringLiteral("cut before event %1 (%2, seed %3): %4")
                            .arg(picture.Event)
                            .arg(picture.What)
                            .arg(picture.Seed)
                            .arg(problems.join(QStringLiteral("; ")));
    }
    QString figures;
    for (const auto &[what, count] : spread)
        figures += QStringLiteral("  %1: %2\n").arg(what).arg(count);
    std::fprintf(stderr, "%d cut points over %d events:\n%s", int(pictures.size()), events, qPrintable(figures));
    EXPECT_TRUE(failures.isEmpty()) << qPrintable(failures.join(QLatin1Char('\n')));
}

// Another program renames its version of the data file over it while the table runs (a sync
// client: its file written and flushed first); the table's next save finds it and combines. A cut
// at any point of that save and of the rest of the run leaves both sides: the other's change and
// new entry, and every save reported done.
TEST_P(PowerCutTest, ACombineWithAReplacedFileSurvivesACutAtAnyPoint)
{
    Disk.Clock = Start;
    StampNow();
    Clocks.emplace_back(Disk.Events(), Disk.Clock);
    {
        auto table = Open();
        for (const char *name : {"entry-01", "entry-02", "entry-03"})
            Add(*table, QString::fromLatin1(name));
        ASSERT_TRUE(table->CloseTable().Ok());
    }
    FirstClose = Disk.Events();
    // The other computer's version, made from a copy of the file.
    const QString download = Folder + QStringLiteral("/sync-download.tmp");
    ASSERT_TRUE(Disk.CopyFile(Data, download, false));
    {
        TV9LockvexTbl other(true);
        ASSERT_TRUE(other.OpenPool(download));
        Change(other, QStringLiteral("entry-01"));
        Add(other, QStringLiteral("entry-sync"));
        ASSERT_TRUE(other.ClosePool(DoNotWriteLog));
    }
    ASSERT_TRUE(Disk.FlushFile(download));

    auto table = Open();
    ASSERT_TRUE(table->PoolStatusOk());
    ASSERT_TRUE(Disk.RenameFile(download, Data));
    ASSERT_TRUE(Disk.FlushFolderOf(Data));
    const int from = Disk.Events();
    for (int event = from; event < from + 400; ++event)
        for (unsigned draw = 0; draw < 2; ++draw)
            Disk.PlanCut(event, GetParam() + unsigned(event) * 2 + draw);
    Change(*table, QStringLiteral("entry-02")); // finds the other file, combines
    EXPECT_EQ(table->TakeOtherWriterReport().What, TOtherWriterReport::Combined);
    Change(*table, QStringLiteral("entry-03"));
    EXPECT_TRUE(table->CloseTable().Ok());
    table.reset();
    const std::vector<PowerCutDisk::Picture> pictures = Disk.TakePictures();
    ASSERT_GT(pictures.size(), 20u);
    std::set<QString> kinds;
    QStringList failures;
    for (const PowerCutDisk::Picture &picture : pictures) {
        kinds.insert(picture.What.section(QLatin1Char(' '), 0, 0));
        const QStringList problems = Check(picture);
        if (!problems.isEmpty() && failures.size() < 20)
            failures << QStringLiteral("cut before event %1 (%2): %3")
                            .arg(picture.Event)
                            .arg(picture.What)
                            .arg(problems.join(QStringLiteral("; ")));
    }
    EXPECT_TRUE(failures.isEmpty()) << qPrintable(failures.join(QLatin1Char('\n')));
    EXPECT_TRUE(kinds.count(QStringLiteral("rename"))) << "no cut came during the combined file's rename";
}

// Two mixes of saves, changes and deletions.
INSTANTIATE_TEST_SUITE_P(Sessions, PowerCutTest, ::testing::Values(7u, 2026u));

} // namespace
