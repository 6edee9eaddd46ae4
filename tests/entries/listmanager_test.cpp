#include "EntriesFixture.h"

#include "store/LockvexIndexRec.h"
#include "store/PoolFile.h"

#include <cerrno>

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

    items.SetAllEntryPasswords("two", true);
    Browse();
    EXPECT_EQ(LoginPWs, 2);
    items.SetAllEntryPasswords("one", false);
    Browse();
    EXPECT_EQ(LoginPWs, 1);
}

TEST_F(ListManagerTest, PasswordListWithASearchTextCountsOnlyThatPassword)
{
    AddEntry("Anvil", "one", true);
    AddEntry("Basket", "two");
    AddEntry("Cedar", "two");
    lists.BuildLockvexStrings();
    int total = -1, login = -1;
    TLockvexStringList *list = lists.BuildPasswordStrings("two", total, login);
    EXPECT_EQ(Texts(list), QStringList({" All Passwords", "two"}));
    EXPECT_EQ(total, 2);
    EXPECT_EQ(login, 0);
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
    table->WriteLockvexRec(anvil, &rec);
    EXPECT_EQ(passwords(), QStringList({" All Passwords", "four", "three"}));

    table->SetEntryPassword(anvil, true); // a flag setter
    Browse();
    EXPECT_EQ(LoginPWs, 1);

    items.DeleteItem(basket, UpdatePermission); // the highest key, so the next entry takes it
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
        other.WriteLockvexRec(key, &otherRec);
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
    lists.BuildPasswordStrings("one", TotalPWs, LoginPWs); // a password list of another kind
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

    items.DeleteItem(anvil, UpdatePermission); // a deletion
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
    TPoolFile::FaultHook = [](PoolFileOp op, const QString &, qint64) { return op == PoolFileOp::Read ? EIO : 0; };
    Browse();
    TPoolFile::FaultHook = nullptr;
    EXPECT_TRUE(lists.PasswordReadFailed());
    EXPECT_EQ(TotalPWs, 2);
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords"}));

    Browse();
    EXPECT_FALSE(lists.PasswordReadFailed());
    EXPECT_EQ(TotalPWs, 2);
    EXPECT_EQ(LoginPWs, 1);
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords", "one", "two"}));
}
