#include "EntryTestSupport.h"
#include "entries/LockvexStringList.h"
#include "store/LockvexIndexRec.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>

namespace
{

// Collation differs by locale; these tests run in a real one, where it is not plain code order.
class StringListTest : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(saved_); }

    static QStringList Texts(const TLockvexStringList &list)
    {
        QStringList texts;
        for (int i = 0; i < list.Count(); ++i)
            texts << list.Strings(i);
        return texts;
    }

private:
    QLocale saved_;
};

TEST_F(StringListTest, SortedCaseInsensitiveListFollowsCollationAndKeepsEqualLinesInOrder)
{
    TLockvexStringList list(true, dupAccept, false);
    for (const char *name : {"banking", "Anvil", "éclair", "Basket", "anvil", "Zebra", "eclair"})
        list.Add(QString::fromUtf8(name));
    EXPECT_EQ(Texts(list),
              QStringList({"Anvil", "anvil", "banking", "Basket", "eclair", QString::fromUtf8("éclair"), "Zebra"}));
    int at = -1;
    EXPECT_TRUE(list.Find("BASKET", at));
    EXPECT_EQ(at, 3);
    EXPECT_FALSE(list.Find("Cedar", at));
    EXPECT_EQ(at, 4); // where it would go
    EXPECT_EQ(list.IndexOf("ANVIL"), 0);
}

TEST_F(StringListTest, DuplicatesIgnoredOnlyWhenTheTextIsTheSameInACaseSensitiveList)
{
    TLockvexStringList list(true, dupIgnore, true);
    TTDStandardIndexRec first, second;
    const int abc = list.Add("abc", &first);
    EXPECT_EQ(list.Add("abc", &second), abc); // the existing line, with its record kept
    list.Add("ABC");
    // Collation ignores a DEL character; two passwords that differ by one are still two.
    list.Add(QStringLiteral("abc\x7f"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Objects(list.IndexOf("abc")), &first);
    EXPECT_GE(list.IndexOf(QStringLiteral("abc\x7f")), 0);
    EXPECT_EQ(list.IndexOf("Abc"), -1);
}

TEST_F(StringListTest, HeadingLineStaysFirstWhateverCollatesBeforeIt)
{
    TLockvexStringList list(true, dupIgnore, true);
    list.SetHeadingLines(1);
    list.Add(" All Passwords");
    for (const QString &pw : {QStringLiteral("zz"), QStringLiteral("\x7f"), QStringLiteral("\u00a0A"),
                              QStringLiteral("!x"), QStringLiteral("1abc")})
        list.Add(pw);
    EXPECT_EQ(list.Strings(0), " All Passwords");
    EXPECT_EQ(list.Count(), 6);
    list.Sort();
    EXPECT_EQ(list.Strings(0), " All Passwords");
    int at = -1;
    EXPECT_TRUE(list.Find(" All Passwords", at));
    EXPECT_EQ(at, 0);
    EXPECT_TRUE(list.Find("zz", at));
    EXPECT_EQ(at, 5);
}

TEST_F(StringListTest, AddingManyLinesAtOnceGivesWhatAddingThemOneByOneGives)
{
    const QStringList texts = {"pw3",  "Pw3", "alpha", "pw3", "beta", "alpha", "Alpha", QStringLiteral("alpha\x7f"),
                               "zeta", "beta"};
    std::vector<std::unique_ptr<TTDStandardIndexRec>> recs;
    for (int i = 0; i < texts.size(); ++i)
        recs.push_back(std::make_unique<TTDStandardIndexRec>());

    for (TDuplicates dups : {dupIgnore, dupAccept}) {
        for (bool caseSensitive : {true, false}) {
            TLockvexStringList oneByOne(true, dups, caseSensitive), atOnce(true, dups, caseSensitive);
            oneByOne.SetHeadingLines(1);
            atOnce.SetHeadingLines(1);
            oneByOne.Add(" All Passwords");
            atOnce.Add(" All Passwords");
            oneByOne.Add("beta", nullptr); // a line held before the batch
            atOnce.Add("beta", nullptr);
            std::vector<TLockvexStringLine> batch;
            for (int i = 0; i < texts.size(); ++i) {
                oneByOne.Add(texts[i], recs[i].get());
                batch.push_back({texts[i], recs[i].get()});
            }
            atOnce.AddLines(batch);
            ASSERT_EQ(Texts(atOnce), Texts(oneByOne)) << dups << caseSensitive;
            for (int i = 0; i < oneByOne.Count(); ++i)
                EXPECT_EQ(atOnce.Objects(i), oneByOne.Objects(i)) << i;
        }
    }
}

TEST_F(StringListTest, SortingTheSameTextsAgainMovesTheirNewRecordsWithThem)
{
    // The second sort of the same texts reuses the order found by the first one; the records of
    // the new lines must still follow their own texts.
    TLockvexStringList list;
    TTDStandardIndexRec a1, b1, c1, a2, b2, c2;
    list.Add("Cedar", &c1);
    list.Add("anvil", &a1);
    list.Add("Basket", &b1);
    list.Sort();
    list.Clear();
    list.Add("Cedar", &c2);
    list.Add("anvil", &a2);
    list.Add("Basket", &b2);
    list.Sort();
    EXPECT_EQ(Texts(list), QStringList({"anvil", "Basket", "Cedar"}));
    EXPECT_EQ(list.Objects(0), &a2);
    EXPECT_EQ(list.Objects(1), &b2);
    EXPECT_EQ(list.Objects(2), &c2);
    list.Clear();
    list.Add("Cedar", &c1);
    list.Add("Banjo", &b1); // one text differs: sorted afresh
    list.Add("anvil", &a1);
    list.Sort();
    EXPECT_EQ(Texts(list), QStringList({"anvil", "Banjo", "Cedar"}));
}

TEST_F(StringListTest, SortingAfterSmallChangesGivesWhatAFreshSortGives)
{
    // One list is sorted again and again as texts change, are added and removed, in one
    // stretch or scattered; each time it must equal a list that sorts the same lines afresh.
    std::mt19937 random(5);
    auto someText = [&random] {
        static const QStringList pool = {"anvil",
                                         "Anvil",
                                         "ANVIL",
                                         "basket",
                                         "Basket",
                                         "cedar",
                                         "delta",
                                         QStringLiteral("delta\x7f"),
                                         QString::fromUtf8("éclair"),
                                         "eclair",
                                         "zeta"};
        return pool[static_cast<int>(random() % pool.size())] + QString::number(random() % 3);
    };
    std::vector<std::unique_ptr<TTDStandardIndexRec>> recs;
    std::vector<TLockvexStringLine> current;
    for (int i = 0; i < 120; ++i) {
        recs.push_back(std::make_unique<TTDStandardIndexRec>());
        current.push_back({someText(), recs.back().get()});
    }
    TLockvexStringList reused(false, dupAccept, false);
    for (int round = 0; round < 60; ++round) {
        const int changes = 1 + static_cast<int>(random() % (round % 10 == 9 ? 80 : 3));
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = random() % current.size();
            switch (random() % 3) {
            case 0:
                current[at].Text = someText();
                break;
            case 1:
                recs.push_back(std::make_unique<TTDStandardIndexRec>());
                current.insert(current.begin() + static_cast<std::ptrdiff_t>(at), {someText(), recs.back().get()});
                break;
            default:
                current.erase(current.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        TLockvexStringList fresh(false, dupAccept, false);
        reused.Clear();
        for (const TLockvexStringLine &line : current) {
            fresh.Add(line.Text, line.Object);
            reused.Add(line.Text, line.Object);
        }
        fresh.Sort();
        reused.Sort();
        ASSERT_EQ(Texts(reused), Texts(fresh)) << "round " << round;
        for (int i = 0; i < fresh.Count(); ++i)
            ASSERT_EQ(reused.Objects(i), fresh.Objects(i)) << "round " << round << " line " << i;
    }
}

TEST_F(StringListTest, SortGivesTheOrderOfComparingEveryPairInEachLocaleAndCaseMode)
{
    // Sort orders through keys made once per text; the order must be the one the list's own
    // comparison gives, for ASCII and other text, empty text, blanks and punctuation.
    static const QStringList pool = {"",
                                     " ",
                                     "anvil",
                                     "Anvil",
                                     "ANVIL",
                                     "anvil ",
                                     "an vil",
                                     "an-vil",
                                     "a",
                                     "A",
                                     "Z",
                                     "zeta",
                                     "10 banks",
                                     "9 banks",
                                     "_under",
                                     "~tilde",
                                     "b@sket",
                                     "basket",
                                     QStringLiteral("delta\x7f"),
                                     QString::fromUtf8("éclair"),
                                     "eclair",
                                     "Eclair",
                                     QString::fromUtf8("Ärger"),
                                     "Arger",
                                     QString::fromUtf8("straße"),
                                     "strasse",
                                     QString::fromUtf8("日本")};
    std::mt19937 random(11);
    for (const QLocale &locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        for (const bool caseSensitive : {false, true}) {
            TLockvexStringList list(false, dupAccept, caseSensitive);
            std::vector<QString> texts;
            for (int i = 0; i < 400; ++i) {
                QString text = pool[static_cast<int>(random() % pool.size())];
                if (random() % 2)
                    text += pool[static_cast<int>(random() % pool.size())];
                texts.push_back(text);
                list.Add(text);
            }
            std::vector<int> expected(texts.size());
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](int a, int b) { return list.CompareStrings(texts[a], texts[b]) < 0; });
            list.Sort();
            for (std::size_t i = 0; i < texts.size(); ++i)
                ASSERT_EQ(list.Strings(int(i)), texts[std::size_t(expected[i])])
                    << qPrintable(locale.name()) << (caseSensitive ? " case-sensitive" : "") << " line " << i;
        }
    }
}

TEST_F(StringListTest, UnsortedListKeepsOrderAndRefusesBadPositions)
{
    TLockvexStringList list;
    list.Add("b");
    list.Add("a");
    EXPECT_TRUE(list.Insert(0, "c"));
    EXPECT_TRUE(list.Insert(3, "d"));
    EXPECT_FALSE(list.Insert(5, "e"));
    EXPECT_FALSE(list.Insert(-1, "e"));
    EXPECT_EQ(Texts(list), QStringList({"c", "b", "a", "d"}));
    EXPECT_EQ(list.Strings(-1), QString());
    EXPECT_EQ(list.Strings(4), QString());
    EXPECT_EQ(list.Objects(99), nullptr);
    int at = -1;
    EXPECT_FALSE(list.Find("x", at));
    EXPECT_EQ(at, 4);

    TLockvexStringList sorted(true);
    EXPECT_FALSE(sorted.Insert(0, "x")); // a sorted list places its lines itself
    list.SetSorted(true);
    EXPECT_EQ(Texts(list), QStringList({"a", "b", "c", "d"}));
}

} // namespace
