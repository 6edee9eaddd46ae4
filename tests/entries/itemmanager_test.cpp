#include "EntriesFixture.h"

#include <functional>

namespace
{

class ItemManagerTest : public EntriesFixture
{
protected:
    static ItemManagerParams FullEntry(const QString &name)
    {
        ItemManagerParams p;
        p.ItemName = name;
        p.ItemDescr = "first line\r\nsecond line";
        p.URL = "https://bank.example/login";
        p.CustID = "cust-42";
        p.PIN = "1234";
        p.Password = "Secret9";
        p.Question1 = "q1";
        p.Question2 = "q2";
        p.Question3 = "q3";
        p.Question4 = "q4";
        p.MemData1 = "m1";
        p.MemData2 = "m2";
        p.MemData3 = "m3";
        p.MemData4 = "m4";
        p.LockvexPassword = true;
        p.AutoPWCopy = true;
        p.LoginDateTime = 46090.5; // 2026-03-09 12:00
        return p;
    }

    // The entry as a fresh table reads it from the file.
    ItemManagerParams Reloaded(int key)
    {
        OpenTable();
        return items.LoadWebItem(key);
    }
};

TEST_F(ItemManagerTest, SavedEntryLoadsBackFieldForField)
{
    const int key = items.AddItem("Bank");
    const ItemManagerParams saved = FullEntry("Bank");
    ASSERT_TRUE(items.SaveWebItem(key, saved));
    const ItemManagerParams loaded = Reloaded(key);
    EXPECT_FALSE(items.ItemChanged(saved, loaded));
    EXPECT_EQ(loaded.ItemDescr, "first line\r\nsecond line");
    EXPECT_EQ(loaded.RecPermission, UpdatePermission);
    EXPECT_FALSE(loaded.NewItem);
    EXPECT_FALSE(loaded.NameChecked);
    EXPECT_EQ(loaded.ListIndex, 0);
    EXPECT_TRUE(loaded.SavedItemName.isEmpty());
    EXPECT_FALSE(items.ItemChanged(items.LockvexItemParams, loaded));
}

TEST_F(ItemManagerTest, LineBreaksOfATextBoxAreStoredAsBreaks)
{
    // A text box gives bare line feeds; each break comes back as one CR LF, and nothing raw
    // stays in the record.
    const int key = items.AddItem("Notes");
    ItemManagerParams p = FullEntry("Notes");
    p.ItemDescr = "a\nb\rc\r\nd;e";
    ASSERT_TRUE(items.SaveWebItem(key, p));
    EXPECT_EQ(sharedRec.LockvexData.AccountNotes.Bytes(), QByteArray("a;b;c;d;e"));
    EXPECT_EQ(Reloaded(key).ItemDescr, "a\r\nb\r\nc\r\nd\r\ne");
}

TEST_F(ItemManagerTest, BadInputIsStoredAsTheRecordCutsAndConvertsIt)
{
    const int key = items.AddItem("x");
    ItemManagerParams p;
    p.ItemName = QString(150, u'N') + QString::fromUtf8("日本");
    p.Password = QString::fromUtf8("€uro日本") + QString(40, u'p');
    p.CustID = QStringLiteral("tab\there\x01\x1f");
    p.PIN = QString::fromUtf8("😀1");
    p.URL = QString(400, u'u');
    ASSERT_TRUE(items.SaveWebItem(key, p));
    const ItemManagerParams loaded = Reloaded(key);
    EXPECT_EQ(loaded.ItemName, QString(111, u'N'));
    EXPECT_EQ(loaded.Password, QString::fromUtf8("€uro??") + QString(25, u'p'));
    EXPECT_EQ(loaded.CustID, QStringLiteral("tab\there\x01\x1f"));
    EXPECT_EQ(loaded.PIN, "?1");
    EXPECT_EQ(loaded.URL, QString(255, u'u'));

    const int control = AddEntry(QStringLiteral("Tab\tName\x01\x7f"), QStringLiteral("\x02pw\x03"));
    EXPECT_EQ(Reloaded(control).ItemName, QStringLiteral("Tab\tName\x01\x7f"));
    int current = 0;
    lists.BuildItemList(QString(), QString(), 0, current);
    EXPECT_EQ(Texts(LockvexStrings), QStringList({QString(111, u'N'), QStringLiteral("Tab\tName\x01\x7f")}));
    // Passwords are listed trimmed of control codes too.
    EXPECT_EQ(Texts(PasswordStrings), QStringList({" All Passwords", loaded.Password, "pw"}));
}

TEST_F(ItemManagerTest, BlankNameOrMemoryStickModeWritesNothing)
{
    const int key = AddEntry("Kept", "old");
    ItemManagerParams p = items.LoadWebItem(key);
    p.Password = "new";
    for (const QString &blank : {QString(), QStringLiteral("   "), QStringLiteral(" \t\r\n")}) {
        p.ItemName = blank;
        EXPECT_FALSE(items.SaveWebItem(key, p)); // nothing was written: the window must not take it as saved
    }
    p.ItemName = "Kept";
    table->SetRunOnMemstick(true); // as the start sets it for a run from a memory stick
    EXPECT_FALSE(items.SaveWebItem(key, p));
    table->SetRunOnMemstick(false);
    const ItemManagerParams loaded = Reloaded(key);
    EXPECT_EQ(loaded.ItemName, "Kept");
    EXPECT_EQ(loaded.Password, "old");
}

TEST_F(ItemManagerTest, SaveTellsWhenTheChangeWasNotWritten)
{
    const int key = AddEntry("Kept", "old");
    ItemManagerParams p = items.LoadWebItem(key);
    p.Password = "new";
    table->SetReadOnlyMode(true);
    EXPECT_FALSE(items.SaveWebItem(key, p));
    table->SetReadOnlyMode(false);
    EXPECT_FALSE(items.SaveWebItem(12345, p)); // no such entry
    EXPECT_EQ(Reloaded(key).Password, "old");
    EXPECT_TRUE(items.SaveWebItem(key, p));
    EXPECT_EQ(Reloaded(key).Password, "new");
}

TEST_F(ItemManagerTest, ClearedRecordLoadsAsAnEmptyEntry)
{
    const int key = AddEntry("Bank", "pw", true);
    items.LoadWebItem(key);
    items.ClearWebRecord();
    const ItemManagerParams p = items.LoadWebItem(NoKey);
    EXPECT_FALSE(items.ItemChanged(ItemManagerParams(), p));
    EXPECT_TRUE(p.ItemName.isEmpty());
    EXPECT_FALSE(p.LockvexPassword);
    EXPECT_EQ(p.LoginDateTime, 0);
    // A key without a record reads as an empty entry too.
    EXPECT_TRUE(items.LoadWebItem(items.AddItem("Fresh")).ItemName.isEmpty());
}

TEST_F(ItemManagerTest, ChangedMeansAStoredFieldDiffers)
{
    const ItemManagerParams base = FullEntry("Bank");
    using Change = std::function<void(ItemManagerParams &)>;
    const std::vector<std::pair<const char *, Change>> stored = {
        {"name case", [](auto &p) { p.ItemName = "bank"; }},
        {"descr", [](auto &p) { p.ItemDescr += " "; }},
        {"url", [](auto &p) { p.URL = "https://bank.example/Login"; }},
        {"custid", [](auto &p) { p.CustID.clear(); }},
        {"pin", [](auto &p) { p.PIN = "1235"; }},
        {"password", [](auto &p) { p.Password = "secret9"; }},
        {"q1", [](auto &p) { p.Question1 = "Q1"; }},
        {"q2", [](auto &p) { p.Question2 = "Q2"; }},
        {"q3", [](auto &p) { p.Question3 = "Q3"; }},
        {"q4", [](auto &p) { p.Question4 = "Q4"; }},
        {"m1", [](auto &p) { p.MemData1 = "M1"; }},
        {"m2", [](auto &p) { p.MemData2 = "M2"; }},
        {"m3", [](auto &p) { p.MemData3 = "M3"; }},
        {"m4", [](auto &p) { p.MemData4 = "M4"; }},
        {"access", [](auto &p) { p.LockvexPassword = false; }},
        {"autocopy", [](auto &p) { p.AutoPWCopy = false; }},
        {"login", [](auto &p) { p.LoginDateTime += 1.0 / 86400; }},
    };
    for (const auto &[what, change] : stored) {
        ItemManagerParams now = base;
        change(now);
        EXPECT_TRUE(items.ItemChanged(base, now)) << what;
    }
    const std::vector<std::pair<const char *, Change>> windowOnly = {
        {"checked", [](auto &p) { p.NameChecked = true; }},
        {"list index", [](auto &p) { p.ListIndex = 7; }},
        {"saved name", [](auto &p) { p.SavedItemName = "Other"; }},
        {"new", [](auto &p) { p.NewItem = true; }},
        {"permission", [](auto &p) { p.RecPermission = NoPermission; }},
    };
    for (const auto &[what, change] : windowOnly) {
        ItemManagerParams now = base;
        change(now);
        EXPECT_FALSE(items.ItemChanged(base, now)) << what;
    }
}

class ValidateItemTest : public ItemManagerTest
{
protected:
    void SetUp() override
    {
        ItemManagerTest::SetUp();
        anvil = AddEntry("Anvil");
        basket = AddEntry("Basket");
        lists.BuildLockvexStrings();
    }

    // The entry with key `key` shown under the name `savedName`, with its name field now `name`.
    static ItemManagerParams Shown(const QString &name, const QString &savedName)
    {
        ItemManagerParams p;
        p.ItemName = name;
        p.SavedItemName = savedName;
        return p;
    }

    int anvil = NoKey, basket = NoKey;
};

TEST_F(ValidateItemTest, NewEntryWithAFreeNameIsAcceptedWithoutAQuestion)
{
    const int shown = items.AddItem("New Web entry");
    ItemManagerParams p = Shown("Cedar", "New Web entry");
    p.NewItem = true;
    const TNameCheck check = items.ValidateItem(p, shown);
    EXPECT_TRUE(check.Accepted());
    EXPECT_FALSE(check.ConfirmRename || check.NameExists);
}

TEST_F(ValidateItemTest, RenameIsConfirmedOnce)
{
    TNameCheck check = items.ValidateItem(Shown("Anvils", "Anvil"), anvil);
    EXPECT_TRUE(check.ConfirmRename && !check.NameExists && !check.Blank);
    EXPECT_FALSE(check.Accepted()); // only the user's Yes accepts it

    check = items.ValidateItem(Shown("ANVIL", "Anvil"), anvil); // its own name in other case
    EXPECT_TRUE(check.ConfirmRename && !check.NameExists);

    check = items.ValidateItem(Shown("Anvil", "Anvil"), anvil); // unchanged: nothing to ask
    EXPECT_TRUE(check.Accepted());
    EXPECT_FALSE(check.ConfirmRename);
}

TEST_F(ValidateItemTest, AnotherEntrysNameIsRefusedWithAMessage)
{
    TNameCheck check = items.ValidateItem(Shown("basket", "Anvil"), anvil);
    EXPECT_FALSE(check.Accepted());
    EXPECT_TRUE(check.NameExists);
    EXPECT_FALSE(check.ConfirmRename); // no rename question after the refusal

    const int shown = items.AddItem("New Web entry");
    ItemManagerParams p = Shown("BASKET ", "New Web entry");
    p.NewItem = true;
    check = items.ValidateItem(p, shown);
    EXPECT_FALSE(check.Accepted());
    EXPECT_TRUE(check.NameExists && !check.ConfirmRename);
}

// A name of blanks only is refused with a message of its own, and no rename is asked about.
TEST_F(ValidateItemTest, EmptyNameIsRefusedWithAMessage)
{
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        const TNameCheck check = items.ValidateItem(Shown(blank, "Anvil"), anvil);
        EXPECT_FALSE(check.Accepted());
        EXPECT_TRUE(check.Blank);
        EXPECT_FALSE(check.ConfirmRename || check.NameExists); // told a name is needed, nothing asked
    }
    ItemManagerParams p = Shown(QString(), QString());
    p.NewItem = true;
    const TNameCheck check = items.ValidateItem(p, anvil);
    EXPECT_FALSE(check.Accepted());
    EXPECT_TRUE(check.Blank && !check.ConfirmRename && !check.NameExists);
}

// Entries of older files (or imports) may share a name in other letter case: the one whose
// name did not change is still accepted; taking another's name is not.
TEST_F(ValidateItemTest, AnUnchangedNameIsAcceptedWhereOthersShareItInOtherCase)
{
    const int upper = AddEntry("ANVIL");
    lists.BuildLockvexStrings();
    TNameCheck check = items.ValidateItem(Shown("ANVIL", "ANVIL"), upper);
    EXPECT_TRUE(check.Accepted());
    EXPECT_FALSE(check.ConfirmRename || check.NameExists);
    check = items.ValidateItem(Shown("Anvil", "ANVIL"), upper);
    EXPECT_FALSE(check.Accepted());
    EXPECT_TRUE(check.NameExists);
}

TEST_F(ValidateItemTest, CheckedNameIsAcceptedWithoutAnyCheck)
{
    for (const QString &name : {QString(), QStringLiteral("Basket"), QStringLiteral("Renamed")}) {
        ItemManagerParams p = Shown(name, "Anvil");
        p.NameChecked = true;
        const TNameCheck check = items.ValidateItem(p, anvil);
        EXPECT_TRUE(check.Accepted());
        EXPECT_FALSE(check.ConfirmRename || check.NameExists || check.Blank);
    }
}

TEST_F(ItemManagerTest, PasswordQualityScores)
{
    struct Case {
        QString password;
        int score;
    } cases[] = {
        {"", 0},
        {"a", 3},
        {"abcdefgh", 26},
        {"12345678", 26},
        {"abcdefghijklmnop", 33},
        {"Abcdefgh1", 38},
        {"aB1", 60},
        {"abCD12", 70},
        {"abcDEF123", 80},
        {"ABCdef123456", 100},
        {"-.-.12", 20},                    // "-" and "." are digits: no mix at all
        {"ab-.CD", 70},                    // two digits against four letters, two of each case
        {QString::fromUtf8("日本語"), 10}, // three "?" that do not change case
        {QString::fromUtf8("😀"), 6},       // one character, two UTF-16 units long
        {QString(300, u'a'), 33},
    };
    for (const Case &c : cases)
        EXPECT_EQ(items.PWQuality(c.password), c.score) << c.password.toStdString();
}

TEST_F(ItemManagerTest, AccessPasswordFlagIsSetOnEveryEntryWithExactlyThatPassword)
{
    const int a = AddEntry("Anvil", "pw");
    const int b = AddEntry("Basket", "pw ");
    const int c = AddEntry("Cedar", "PW");
    const int d = AddEntry("Delta", "pw");
    (void)items.DeleteItem(d, UpdatePermission);
    (void)items.SetAllEntryPasswords("pw", true);
    EXPECT_TRUE(items.LoadWebItem(a).LockvexPassword);
    EXPECT_FALSE(items.LoadWebItem(b).LockvexPassword);
    EXPECT_FALSE(items.LoadWebItem(c).LockvexPassword);
    (void)items.SetAllEntryPasswords("pw", false);
    EXPECT_FALSE(Reloaded(a).LockvexPassword);
}

TEST_F(ItemManagerTest, DeleteNeedsUpdatePermission)
{
    const int a = AddEntry("Anvil", "pw");
    const int b = AddEntry("Basket", "pw");
    EXPECT_FALSE(items.DeleteItem(a, BrowsePermission));
    EXPECT_FALSE(items.DeleteItem(b, NoPermission));
    lists.BuildLockvexStrings();
    EXPECT_EQ(LockvexStrings->Count(), 2);
    EXPECT_TRUE(items.DeleteItem(a, UpdatePermission));
    EXPECT_FALSE(items.DeleteItem(a, UpdatePermission)); // no longer there
    OpenTable();
    lists.BuildLockvexStrings();
    EXPECT_EQ(Texts(LockvexStrings), QStringList({"Basket"}));
}

} // namespace
