#include "EntriesFixture.h"

#include "store/LockvexIndexRec.h"
#include "store/PoolFile.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <ostream>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

class ListManagerTest : public EntriesFixture
{
protected:
    ListManagerParams Browse(int tabIndex = 0, const QString &tab = QString())
    {
        int current = -7;
        ListManagerParams out = lists.BuildItemList(QString(), tab, tabIndex, current);
        EXPECT_EQ(current, out.ItemsIndex);
        return out;
    }
};

TEST_F(ListManagerTest, EmptyTableGivesEmptyListsAndOnlyTheAllPasswordsLine)
{
    TotalPWs = LoginPWs = 9;
    ListManagerParams out = Browse();
    EXPECT_EQ(out.Items, LockvexStrings);
    EXPECT_EQ(out.Items->Count(), 0);
    EXPECT_EQ(Texts(out.Passwords), QStringList({" All Passwords"}));
    EXPECT_EQ(TotalPWs, 0);
    EXPECT_EQ(LoginPWs, 0);
    EXPECT_TRUE(lists.IsFileEmpty());
    int current = 3;
    lists.BuildItemList(QString(), "A", 1, current);
    EXPECT_EQ(current, -1); // no line to jump to
}

TEST_F(ListManagerTest, BrowseListIsSortedIgnoringCaseAndCarriesEachEntrysRecord)
{
    const int cedar = AddEntry("cedar");
    const int anvil = AddEntry("Anvil");
    const int basket = AddEntry("BASKET");
    ListManagerParams out = Browse();
    ASSERT_EQ(Texts(out.Items), QStringList({"Anvil", "BASKET", "cedar"}));
    EXPECT_EQ(lists.GetKey(out.Items, 0), anvil);
    EXPECT_EQ(lists.GetKey(out.Items, 1), basket);
    EXPECT_EQ(lists.GetKey(out.Items, 2), cedar);
    EXPECT_EQ(lists.GetKey(out.Items, -1), -1);
    EXPECT_EQ(lists.GetKey(out.Items, 3), NoKey);
    EXPECT_EQ(lists.GetKey(out.Passwords, 0), 0); // " All Passwords" has no record
    EXPECT_EQ(out.PasswordsIndex, 0);
    EXPECT_EQ(out.TabsIndex, 0);
    EXPECT_FALSE(lists.IsFileEmpty());

    lists.ClearLists();
    EXPECT_EQ(LockvexStrings->Count(), 0);
}

TEST_F(ListManagerTest, SearchIsAPlainSubstringSearchIgnoringAsciiCase)
{
    AddEntry("Banking");
    AddEntry("ANVIL");
    AddEntry("Bonus");
    AddEntry(QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%"));
    lists.SetSearchActive(true);
    struct Case {
        QString search;
        QStringList expected;
    } cases[] = {
        {"an", {"ANVIL", "Banking"}},
        {"AN", {"ANVIL", "Banking"}},
        {"zzz", {}},
        {"a.*b", {QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%")}}, // no pattern, only the text
        {"\\d+", {QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%")}},
        {"[x]", {QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%")}},
        {" 50%", {QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%")}}, // at the very end
        {"bONUs", {"Bonus"}},                                       // the whole name
        {QString::fromUtf8("å"), {}},                               // only a-z change case
        {QString::fromUtf8("Å"), {QString::fromUtf8("Ånvil (a.*b) [x] \\d+ 50%")}},
        {QString(5000, u'n'), {}},
        {QStringLiteral("\x01\t\n"), {}},
        {QString::fromUtf8("日本"), {}},
    };
    for (const Case &c : cases) {
        int current = 5;
        ListManagerParams out = lists.BuildItemList(c.search, "B", 2, current);
        EXPECT_EQ(out.Items, SelectedLockvexStrings) << c.search.left(20).toStdString();
        EXPECT_EQ(Texts(out.Items), c.expected) << c.search.left(20).toStdString();
        EXPECT_EQ(out.ItemsIndex, 0);
        EXPECT_EQ(current, 5); // left as it was while searching
    }
}

TEST_F(ListManagerTest, SearchShowsTheFullListWhenNotSearchingOrWithAnEmptyText)
{
    AddEntry("Banking");
    AddEntry("Bonus");
    lists.SetSearchActive(false);
    int current = 0;
    EXPECT_EQ(Texts(lists.BuildItemList("an", QString(), 0, current).Items), QStringList({"Banking", "Bonus"}));
    lists.SetSearchActive(true);
    ListManagerParams out = lists.BuildItemList(QString(), QString(), 0, current);
    EXPECT_EQ(out.Items, LockvexStrings);
    EXPECT_EQ(out.Items->Count(), 2);
    // Called directly with an empty text, the selection is empty rather than everything.
    lists.BuildSelectedLockvexStrings(QString());
    EXPECT_EQ(SelectedLockvexStrings->Count(), 0);
}

TEST_F(ListManagerTest, LetterTabJumpsWithinTheFullList)
{
    AddEntry("Basket");
    AddEntry("Arrow");
    AddEntry("Anvil");
    struct Case {
        int tabIndex;
        QString tab;
        int line;
    } cases[] = {{1, "A", 1}, {2, "B", 2}, {3, "C", 2}, {0, "*", 0}, {1, "a", 1}};
    for (const Case &c : cases) {
        ListManagerParams out = Browse(c.tabIndex, c.tab);
        EXPECT_EQ(out.ItemsIndex, c.line) << c.tab.toStdString();
        EXPECT_EQ(out.Items, LockvexStrings);
        EXPECT_EQ(out.TabsIndex, 0);
    }
}

// The list is sorted by the user's collation, which puts a name such as Ärger among the A's;
// every tab after it still finds its letter's first name.
TEST_F(ListManagerTest, LetterTabsWorkPastANameThatBeginsWithAnAccentedLetter)
{
    for (const char *name : {"Cedar", "Basket", "\u00c4rger", "Anvil", "dune"})
        AddEntry(QString::fromUtf8(name));
    Browse();
    ASSERT_EQ(Texts(LockvexStrings), QStringList({"Anvil", QStringLiteral("\u00c4rger"), "Basket", "Cedar", "dune"}));
    struct Case {
        int tabIndex;
        QString tab;
        int line;
    } cases[] = {{1, "A", 0}, {2, "B", 2}, {3, "C", 3}, {4, "D", 4}, {5, "E", 4}, {26, "Z", 4}};
    for (const Case &c : cases)
        EXPECT_EQ(Browse(c.tabIndex, c.tab).ItemsIndex, c.line) << c.tab.toStdString();
}

TEST_F(ListManagerTest, LetterTabBeforeEveryNameSelectsTheFirstLine)
{
    AddEntry("Cedar");
    AddEntry("Basket");
    EXPECT_EQ(Browse(1, "A").ItemsIndex, 0);
    EXPECT_EQ(Browse(3, "C").ItemsIndex, 1);
    EXPECT_EQ(Browse(26, "Z").ItemsIndex, 1);
}

TEST_F(ListManagerTest, PasswordListHoldsEachPasswordOnceAndCountsEntriesAndAccessPasswords)
{
    AddEntry("Anvil", "shared");
    AddEntry("Basket", "  shared  "); // blanks around it do not make another password
    AddEntry("Cedar", "Shared");      // case does
    AddEntry("Delta", "");            // no password: not listed, not counted
    AddEntry("Echo", "   ");
    AddEntry("Fig", "only", true);
    Browse();
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords", "only", "shared", "Shared"}));
    EXPECT_EQ(TotalPWs, 4);
    EXPECT_EQ(LoginPWs, 1);
    // The line of a shared password carries the first entry in name order that uses it.
    const int line = PasswordStrings->IndexOf("shared");
    EXPECT_EQ(PasswordStrings->Objects(line)->GetIndexedName(), "Anvil");
    // The flag of every entry's index record tells whether its password is an access password.
    for (int i = 0; i < LockvexStrings->Count(); ++i)
        EXPECT_EQ(LockvexStrings->Objects(i)->IsFlagged(), LockvexStrings->Strings(i) == "Fig");
    // The windows read it through the list manager: " All Passwords" and lines out of range are
    // no access password.
    for (int i = -1; i <= PasswordStrings->Count(); ++i)
        EXPECT_EQ(lists.IsLineFlagged(PasswordStrings, i), PasswordStrings->Strings(i) == "only") << i;
}

TEST_F(ListManagerTest, AccessPasswordCountFollowsTheFirstEntryOfEachPassword)
{
    AddEntry("Anvil", "one", true);
    AddEntry("Basket", "one", true);
    AddEntry("Cedar", "two", false);
    AddEntry("Delta", "two", true); // not the first entry of "two"
    Browse();
    EXPECT_EQ(TotalPWs, 4);
    EXPECT_EQ(LoginPWs, 1);

    (void)items.SetAllEntryPasswords("two", true);
    Browse();
    EXPECT_EQ(LoginPWs, 2);
    (void)items.SetAllEntryPasswords("one", false);
    Browse();
    EXPECT_EQ(LoginPWs, 1);
}

TEST_F(ListManagerTest, PasswordListWithASearchTextCountsOnlyThatPassword)
{
    AddEntry("Anvil", "one", true);
    AddEntry("Basket", "two");
    AddEntry("Cedar", "two");
    lists.BuildLockvexStrings();
    TotalPWs = LoginPWs = -1;
    TLockvexStringList *list = lists.BuildPasswordStrings("two");
    EXPECT_EQ(Texts(list), QStringList({" All Passwords", "two"}));
    EXPECT_EQ(TotalPWs, 2);
    EXPECT_EQ(LoginPWs, 0);
    EXPECT_TRUE(LockvexStrings->Objects(0)->IsFlagged()); // flags are set for every entry
}

TEST_F(ListManagerTest, EntriesOfAPasswordAreSelectedInNameOrder)
{
    AddEntry("Cedar", "pw");
    AddEntry("Anvil", " pw ");
    AddEntry("Basket", "PW");
    lists.BuildLockvexStrings();
    EXPECT_EQ(Texts(lists.BuildSelectedPWLockvexStrings("pw")), QStringList({"Anvil", "Cedar"}));
    EXPECT_EQ(Texts(lists.BuildSelectedPWLockvexStrings("PW")), QStringList({"Basket"}));
    EXPECT_EQ(lists.BuildSelectedPWLockvexStrings("nothing")->Count(), 0);
}

TEST_F(ListManagerTest, DuplicateNameIsAnotherEntrysNameInAnyCase)
{
    const int anvil = AddEntry("Anvil");
    const int basket = AddEntry("Basket ");
    const QString longName = QString(111, u'x');
    const int longKey = AddEntry(longName);
    const int unmapped = AddEntry(QString::fromUtf8("日本")); // stored as "??"
    lists.BuildLockvexStrings();
    struct Case {
        QString name;
        int key;
        bool dupe;
    } cases[] = {
        {"Anvil", anvil, false},
        {"ANVIL", anvil, false},
        {"anvil", basket, true},
        {"anvil", NoKey, true},
        {"Basket", anvil, true}, // blanks at the ends do not make another name
        {" basket  ", basket, false},
        {"Cedar", NoKey, false},
        {longName + "yyy", anvil, true}, // stored as its first 111 characters
        {longName + "yyy", longKey, false},
        {QString::fromUtf8("中国"), NoKey, true}, // stored as "??" too
        {QString::fromUtf8("中国"), unmapped, false},
        {QString(), NoKey, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(lists.CheckDupeName(c.name, c.key), c.dupe) << c.name.left(20).toStdString() << " " << c.key;
}

TEST_F(ListManagerTest, LineOfANameIgnoresCaseAndBlanksAtTheEnds)
{
    AddEntry("Anvil");
    AddEntry("Basket   "); // saved with trailing blanks, as typed
    AddEntry(QString(111, u'z'));
    ListManagerParams out = Browse();
    struct Case {
        QString name;
        int line;
    } cases[] = {
        {"anvil", 0},    {"BASKET", 1},           {"Basket   ", 1},        {"basket ", 1}, {"Cedar", -1},
        {QString(), -1}, {QString(111, u'Z'), 2}, {QString(300, u'z'), 2}, // what would be stored of it is the third
                                                                           // entry's name
    };
    for (const Case &c : cases)
        EXPECT_EQ(lists.GetIndexFromName(out.Items, NoTag, c.name), c.line) << c.name.left(20).toStdString();
    EXPECT_EQ(lists.GetIndexFromName(out.Passwords, NoTag, "all passwords"), 0);
    EXPECT_EQ(lists.GetIndexFromName(nullptr, NoTag, "Anvil"), -1);
    // A key finds its line the same way back; a key not listed, none.
    for (int line = 0; line < out.Items->Count(); ++line)
        EXPECT_EQ(lists.GetIndexFromKey(out.Items, lists.GetKey(out.Items, line)), line);
    EXPECT_EQ(lists.GetIndexFromKey(out.Items, NoKey), -1);
    EXPECT_EQ(lists.GetIndexFromKey(out.Items, 999), -1);
    EXPECT_EQ(lists.GetIndexFromKey(nullptr, lists.GetKey(out.Items, 0)), -1);

    // With the tag, a name is looked up as tag, blank, name.
    LockvexStrings->Objects(0)->SetIndexedNameTag("tg");
    EXPECT_EQ(lists.GetIndexFromName(out.Items, UseTag, "TG anvil"), 0);
    EXPECT_EQ(lists.GetIndexFromName(out.Items, UseTag, "basket"), 1);
}

} // namespace

namespace
{

// Passwords are remembered between refreshes; whatever writes an entry, by whichever path, the
// next refresh shows what the file holds.
TEST_F(ListManagerTest, PasswordListFollowsEveryWriteWhateverMadeIt)
{
    const int anvil = AddEntry("Anvil", "one");
    const int basket = AddEntry("Basket", "two");
    auto passwords = [this] {
        Browse();
        return Texts(PasswordStrings);
    };
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "one", "two"}));

    ItemManagerParams p = items.LoadWebItem(basket); // saved through the item manager
    p.Password = "three";
    ASSERT_TRUE(items.SaveWebItem(basket, p));
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "one", "three"}));

    TLockvexRec rec; // written straight through the entry table
    table->GetLockvexRec(anvil, &rec);
    rec.SetPassword("four");
    (void)table->WriteLockvexRec(anvil, &rec);
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "four", "three"}));

    (void)table->SetEntryPassword(anvil, true); // a flag setter
    Browse();
    EXPECT_EQ(LoginPWs, 1);

    (void)items.DeleteItem(basket, UpdatePermission); // the highest key, so the next entry takes it
    const int again = AddEntry("Cedar", "five");
    EXPECT_EQ(again, basket);
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "five", "four"}));
    EXPECT_EQ(Texts(lists.BuildSelectedPWLockvexStrings("five")), QStringList({"Cedar"}));

    // Another data file opened through the list manager.
    const QString otherFile = dataFolder + "/Other.acsdb";
    {
        TV9LockvexTbl other(true);
        ASSERT_TRUE(other.OpenPool(otherFile));
        const int key = other.AddLockvexIndexItem("Anvil");
        TLockvexRec otherRec;
        otherRec.SetName("Anvil");
        otherRec.SetPassword("elsewhere");
        (void)other.WriteLockvexRec(key, &otherRec);
    }
    ASSERT_TRUE(lists.ClosePool(DoNotWriteLog));
    ASSERT_TRUE(lists.OpenPool(otherFile));
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "elsewhere"}));
}

// A refresh with nothing changed reuses the lists it built; each kind of change still shows in
// the next one: a save, a rename, a deletion, and an entry or a name that is in the index only.
TEST_F(ListManagerTest, EveryChangeShowsInTheNextRefreshAndANothingChangedRefreshGivesTheSameLists)
{
    const int anvil = AddEntry("Anvil", "one");
    const int basket = AddEntry("Basket", "two", true);
    auto names = [this] { return Texts(Browse().Items); };
    auto passwords = [this] { return Texts(Browse().Passwords); };
    EXPECT_EQ(names(), QStringList({"Anvil", "Basket"}));
    for (int again = 0; again < 2; ++again) {
        TotalPWs = LoginPWs = 9;
        EXPECT_EQ(names(), QStringList({"Anvil", "Basket"}));
        EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords", "one", "two"}));
        EXPECT_EQ(TotalPWs, 2);
        EXPECT_EQ(LoginPWs, 1);
    }
    int current = 0;
    lists.BuildPasswordStrings("one"); // a password list of another kind
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "one", "two"}));
    lists.ClearLists();
    EXPECT_EQ(names(), QStringList({"Anvil", "Basket"}));

    ItemManagerParams p = items.LoadWebItem(basket); // a write
    p.Password = "three";
    ASSERT_TRUE(items.SaveWebItem(basket, p));
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "one", "three"}));

    p.ItemName = "Cedar"; // a rename
    ASSERT_TRUE(items.SaveWebItem(basket, p));
    EXPECT_EQ(names(), QStringList({"Anvil", "Cedar"}));

    (void)items.DeleteItem(anvil, UpdatePermission); // a deletion
    EXPECT_EQ(names(), QStringList({"Cedar"}));
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "three"}));

    const int unsaved = table->AddLockvexIndexItem("Drum"); // in the index only
    EXPECT_EQ(names(), QStringList({"Cedar", "Drum"}));
    table->SetName(unsaved, "Easel");
    EXPECT_EQ(names(), QStringList({"Cedar", "Easel"}));
    EXPECT_EQ(Texts(lists.BuildItemList(QString(), "E", 5, current).Items), QStringList({"Cedar", "Easel"}));
    EXPECT_EQ(current, 1);
}

} // namespace

// A record that cannot be read after a good open holds an unknown password, not an empty one:
// the entries still count as holding passwords, the lists say they are incomplete, and nothing
// of the failed read is remembered for the next refresh.
TEST_F(ListManagerTest, APasswordThatCannotBeReadIsNeverTakenForNone)
{
    AddEntry("Anvil", "one");
    AddEntry("Basket", "two", true);
    OpenTable(); // nothing read yet since the open
    lists.ForgetPasswords();
    testPlatform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Read ? EIO : 0;
    };
    Browse();
    testPlatform.FailStorage = nullptr;
    EXPECT_TRUE(lists.PasswordReadFailed());
    EXPECT_EQ(TotalPWs, 2);
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords"}));

    Browse();
    EXPECT_FALSE(lists.PasswordReadFailed());
    EXPECT_EQ(TotalPWs, 2);
    EXPECT_EQ(LoginPWs, 1);
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords", "one", "two"}));
}

// Past a few hundred entries of unknown password, a build reads them in one scan of the file:
// the lists and counts are those of reading every entry, and a scan that fails leaves the lists
// marked incomplete as a failed read does. The start's build, which sorts the names on a second
// thread meanwhile, gives the same as a refresh.
TEST_F(ListManagerTest, ManyPasswordsReadInOneScanGiveTheListsOfReadingEachEntry)
{
    const int count = TListManager::MinScannedPasswords + 40;
    std::vector<int> keys;
    // 50 passwords, each first used (in name order) by entry i < 50; the later names stand in
    // the reverse of key order, two by two the same (equal names stand in key order).
    for (int i = 0; i < count; ++i)
        keys.push_back(AddEntry(i < 50 ? QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'))
                                       : QStringLiteral("late %1").arg((count - i) / 2, 3, 10, QLatin1Char('0')),
                                QStringLiteral("pw%1").arg(i % 50, 2, 10, QLatin1Char('0')), i < 50 && i % 3 == 0));
    OpenTable();
    const auto shown = [this] {
        QStringList lines;
        std::vector<int> lineKeys, passwordKeys;
        for (int i = 0; i < LockvexStrings->Count(); ++i) {
            lines << LockvexStrings->Strings(i);
            lineKeys.push_back(LockvexStrings->Objects(i)->GetKeyFromIndex());
        }
        for (int i = 1; i < PasswordStrings->Count(); ++i)
            passwordKeys.push_back(PasswordStrings->Objects(i)->GetKeyFromIndex());
        return std::tuple(lines, lineKeys, Texts(PasswordStrings), passwordKeys);
    };
    const std::function<void()> builds[] = {[this] { Browse(); }, [this] { lists.BuildAllLists(); }};
    for (const auto &build : builds) {
        lists.ForgetPasswords();
        build();
        EXPECT_EQ(lists.LastFileScan(), TListManager::FileScanWhole);
        EXPECT_FALSE(lists.PasswordReadFailed());
        EXPECT_EQ(TotalPWs, count);
        EXPECT_EQ(LoginPWs, 17); // the passwords of entries 0, 3, ..., 48
        const auto [lines, lineKeys, passwords, passwordKeys] = shown();
        ASSERT_EQ(lines.size(), count);
        EXPECT_EQ(lines.front(), QStringLiteral("Entry 000"));
        EXPECT_EQ(lines.back(), QStringLiteral("late 123"));
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
        for (int i = 1; i < count; ++i)
            if (lines[i - 1] == lines[i])
                EXPECT_LT(lineKeys[std::size_t(i - 1)], lineKeys[std::size_t(i)]) << i;
        ASSERT_EQ(passwords.size(), 51);
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(passwords[i + 1], QStringLiteral("pw%1").arg(i, 2, 10, QLatin1Char('0')));
            EXPECT_EQ(passwordKeys[std::size_t(i)], keys[std::size_t(i)]);
        }
    }

    for (const auto &build : builds) {
        lists.ForgetPasswords();
        testPlatform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
            return op == testing_support::StorageOp::Read ? EIO : 0;
        };
        build();
        testPlatform.FailStorage = nullptr;
        EXPECT_EQ(lists.LastFileScan(), TListManager::FileScanFailed);
        EXPECT_TRUE(lists.PasswordReadFailed());
        EXPECT_EQ(TotalPWs, count);
        EXPECT_EQ(LockvexStrings->Count(), count); // the names are all there, sorted or not
    }
}

namespace
{

// What a refresh shows: both lists line by line with the key of each line's entry, the flag of
// every listed entry and the two counts.
struct ListsShown {
    QStringList lines;
    std::vector<int> lineKeys;
    std::vector<bool> flags;
    QStringList passwords;
    std::vector<int> passwordKeys;
    int total = 0;
    int login = 0;
    bool operator==(const ListsShown &) const = default;
};

std::ostream &operator<<(std::ostream &os, const ListsShown &shown)
{
    os << "\n  lines:";
    for (qsizetype i = 0; i < shown.lines.size(); ++i)
        os << " [" << shown.lines[i].toStdString() << " #" << shown.lineKeys[std::size_t(i)]
           << (shown.flags[std::size_t(i)] ? " F" : "") << "]";
    os << "\n  passwords:";
    for (qsizetype i = 0; i < shown.passwords.size(); ++i)
        os << " [" << shown.passwords[i].toStdString() << " #" << shown.passwordKeys[std::size_t(i)] << "]";
    return os << "\n  total " << shown.total << ", login " << shown.login;
}

class ListPatchTest : public ListManagerTest
{
protected:
    // Hundreds of saves: the data file is kept in memory where the system offers it, so that
    // the test does not wait for each save to reach a disk.
    void SetUp() override
    {
        ListManagerTest::SetUp();
        if (QDir(QStringLiteral("/dev/shm")).exists()) {
            memoryFolder_ = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/lvlists-XXXXXX"));
            dataFile = memoryFolder_->path() + QStringLiteral("/TrelLockvex.acsdb");
            OpenTable();
        }
    }
    void TearDown() override
    {
        ListManagerTest::TearDown();
        memoryFolder_.reset();
    }

    static ListsShown Shown(const TListManager &from)
    {
        ListsShown shown;
        const TLockvexStringList *lines = from.LockvexStrings.get();
        const TLockvexStringList *passwords = from.PasswordStrings.get();
        for (int i = 0; i < lines->Count(); ++i) {
            shown.lines << lines->Strings(i);
            shown.lineKeys.push_back(lines->Objects(i)->GetKeyFromIndex());
            shown.flags.push_back(lines->Objects(i)->IsFlagged());
        }
        for (int i = 0; i < passwords->Count(); ++i) {
            shown.passwords << passwords->Strings(i);
            const TTDStandardIndexRec *rec = passwords->Objects(i);
            shown.passwordKeys.push_back(rec ? rec->GetKeyFromIndex() : NoKey);
        }
        shown.total = from.TotalPWs;
        shown.login = from.LoginPWs;
        return shown;
    }

    // The lists as a list manager that knows nothing builds them from every entry, in lists of
    // its own; the refreshed ones stay as they are.
    ListsShown Rebuilt() const
    {
        TListManager fresh(table.get());
        fresh.BuildLockvexStrings();
        fresh.BuildPasswordStrings(QString());
        return Shown(fresh);
    }

private:
    std::unique_ptr<QTemporaryDir> memoryFolder_;
};

// Every refresh after a change gives exactly what building the lists afresh gives, over many
// seeded changes of every kind: content, name, password and access flag saved, the flag set on
// every entry of a password, entries added (saved or in the index only), deleted and renamed in
// the index, several changes between two refreshes, a refresh while searching between them, and
// now and then more changes than are mended line by line.
TEST_F(ListPatchTest, AMendedListIsExactlyTheListBuiltAfresh)
{
    const QStringList names = {"Anvil",
                               "anvil",
                               "ANVIL",
                               "Basket",
                               "Basket ",
                               "Cedar",
                               QString::fromUtf8("Ärger"),
                               "arger",
                               "Zebra",
                               "delta",
                               "Delta",
                               "New Web entry",
                               QString::fromUtf8("日本")};
    const QStringList passwords = {"", "   ", "pw", "PW", " pw ", "one", "two", "Shared", "shared", "zz"};
    int steps = 0;
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 rng(seed);
        auto pick = [&rng](const QStringList &from) { return from[qsizetype(rng() % std::size_t(from.size()))]; };
        std::vector<int> keys;
        auto anyKey = [&]() { return keys[rng() % keys.size()]; };
        for (int i = 0; i < 12; ++i)
            keys.push_back(AddEntry(pick(names) + QString::number(i % 3), pick(passwords), rng() % 4 == 0));
        Browse();
        auto change = [&]() {
            const unsigned kind = rng() % 12;
            if (keys.empty() || kind == 8) {
                keys.push_back(AddEntry(pick(names), pick(passwords), rng() % 3 == 0));
                return;
            }
            const int key = anyKey();
            ItemManagerParams p = items.LoadWebItem(key);
            if (p.ItemName.isEmpty())
                p.ItemName = table->GetName(key); // in the index only so far
            switch (kind) {
            case 0:
            case 1:
                p.CustID = QString::number(rng());
                break;
            case 2:
            case 3:
                p.ItemName = pick(names);
                break;
            case 4:
            case 5:
                p.Password = pick(passwords);
                break;
            case 6:
                p.LockvexPassword = !p.LockvexPassword;
                break;
            case 7:
                (void)items.SetAllEntryPasswords(pick(passwords), rng() % 2 == 0);
                return;
            case 9:
                keys.push_back(items.AddItem(pick(names)));
                return;
            case 10:
                (void)items.DeleteItem(key, UpdatePermission);
                keys.erase(std::find(keys.begin(), keys.end(), key));
                return;
            default:
                table->SetName(key, pick(names));
                return;
            }
            if (!p.ItemName.trimmed().isEmpty())
                EXPECT_TRUE(items.SaveWebItem(key, p));
        };
        for (int step = 0; step < 150; ++step, ++steps) {
            const unsigned between = rng() % 10;
            const int changes = between == 0 ? TListManager::MaxPatchedEntries + 5 : between < 3 ? 3 : 1;
            for (int c = 0; c < changes; ++c) {
                change();
                if (rng() % 8 == 0) { // a refresh while searching mends the entry list only
                    lists.SetSearchActive(true);
                    int current = 0;
                    lists.BuildItemList(QStringLiteral("a"), QString(), 0, current);
                    lists.SetSearchActive(false);
                }
            }
            Browse();
            const ListsShown refreshed = Shown(lists);
            EXPECT_FALSE(lists.PasswordReadFailed());
            const ListsShown rebuilt = Rebuilt();
            if (refreshed != rebuilt) {
                ADD_FAILURE() << "seed " << seed << ", step " << step << "\nrefreshed:" << refreshed
                              << "\nrebuilt:" << rebuilt;
                return;
            }
        }
        for (int key : keys)
            (void)items.DeleteItem(key, UpdatePermission);
    }
    // Most refreshes mended the lists rather than building them afresh.
    EXPECT_LT(lists.EntryListRebuilds(), steps / 4);
    EXPECT_LT(lists.PasswordListRebuilds(), steps / 4);
}

} // namespace
