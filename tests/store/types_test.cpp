// The data file format: record initialisation, the record cipher, slot arithmetic, companion
// file names and the CSV log line. Sizes and offsets are checked at compile time in the header.

#include "store/Lockvextypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes RawOf(const V9LockvexData &rec)
{
    const auto *p = reinterpret_cast<const uint8_t *>(&rec);
    return Bytes(p, p + sizeof rec);
}

void PutInt32(Bytes &b, int offset, int32_t value)
{
    std::memcpy(b.data() + offset, &value, 4);
}

int32_t Int32At(const Bytes &b, int offset)
{
    int32_t v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

int16_t Int16At(const Bytes &b, int offset)
{
    int16_t v;
    std::memcpy(&v, b.data() + offset, 2);
    return v;
}

V9LockvexData FreshRecord()
{
    V9LockvexData rec;
    std::memset(&rec, 0xAB, sizeof rec); // initialisation must not depend on what was there
    InitLockvexData(rec);
    return rec;
}

// ----------------------------------------------------------------------------------------------
// Initialisation

TEST(StoreTypes, FreshRecordHoldsTheInitialValuesAndZerosElsewhere)
{
    const Bytes b = RawOf(FreshRecord());
    EXPECT_EQ(Int32At(b, 0), 0);  // stored in clear
    EXPECT_EQ(b[4], 1);           // active
    EXPECT_EQ(b[5], 0);           // not deleted
    EXPECT_EQ(Int16At(b, 14), 9); // major version
    EXPECT_EQ(Int16At(b, 16), 0); // minor version
    EXPECT_EQ(b[23], UpdatePermission);
    EXPECT_EQ(b[24], 0);  // empty name
    EXPECT_EQ(b[136], 0); // empty tag
    EXPECT_EQ(Int32At(b, 152), NoKey);
    EXPECT_EQ(Int32At(b, 156), NoKey);
    EXPECT_EQ(Int32At(b, 160), NoDate);
    EXPECT_EQ(Int16At(b, 164), -1);
    EXPECT_EQ(Int16At(b, 166), -1);
    EXPECT_EQ(b[168], NotRelevant);
    EXPECT_EQ(b[169], 22);
    EXPECT_EQ(std::memcmp(b.data() + 170, "1234567890abcdefghijkl", 22), 0);
    EXPECT_EQ(b[1066], 96);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(b.data() + 1067 + 32 * i, "1234567890abcdefghijklmnopqrstuv", 32), 0);

    // Every byte not named above is zero.
    Bytes expected(LockvexRecSize, 0);
    expected[4] = 1;
    expected[14] = 9;
    for (int off : {152, 156, 160})
        PutInt32(expected, off, -1);
    for (int off = 164; off < 168; ++off)
        expected[off] = 0xFF;
    expected[169] = 22;
    std::memcpy(expected.data() + 170, "1234567890abcdefghijkl", 22);
    expected[1066] = 96;
    for (int i = 0; i < 3; ++i)
        std::memcpy(expected.data() + 1067 + 32 * i, "1234567890abcdefghijklmnopqrstuv", 32);
    EXPECT_EQ(b, expected);
}

TEST(StoreTypes, HeaderInitialisationLeavesDisposeDateUserIdAndUserType)
{
    BaseDAHeader hdr;
    std::memset(&hdr, 0, sizeof hdr);
    hdr.DisposeDate = 45000.5;
    hdr.UserID = 77;
    hdr.UserType = Browser;
    hdr.DeletedRecord = 1;
    hdr.Name.Assign("old name");
    InitRecHeaderFields(hdr);
    // Copies: the packed fields are not aligned, and the comparisons take references.
    const double disposeDate = hdr.DisposeDate;
    const int userId = hdr.UserID;
    EXPECT_EQ(disposeDate, 45000.5);
    EXPECT_EQ(userId, 77);
    EXPECT_EQ(hdr.UserType, Browser);
    EXPECT_FALSE(IsTrue(hdr.DeletedRecord));
    EXPECT_EQ(hdr.Name.Length(), 0);
}

TEST(StoreTypes, ShortStringCutsToCapacityAndNeverReadsPastIt)
{
    Var31string s;
    s.Assign(QByteArray(40, 'x'));
    EXPECT_EQ(s.Len, 31);
    EXPECT_EQ(s.Bytes(), QByteArray(31, 'x'));
    s.Assign("");
    EXPECT_EQ(s.Bytes(), QByteArray());
    s.Len = 200; // a damaged length byte
    EXPECT_EQ(s.Bytes().size(), 31);
    Var4string year;
    year.Assign("20171");
    EXPECT_EQ(year.Bytes(), QByteArray("2017"));
}

// ----------------------------------------------------------------------------------------------
// Record cipher

Bytes SampleRecord(int32_t filingDate)
{
    V9LockvexData rec = FreshRecord();
    rec.RecHdr.Name.Assign("Bank \x80 \xE9");
    rec.Password.Assign("p@ss;word,\"x\"");
    rec.LoginDateTime = 46090.75;
    Bytes b = RawOf(rec);
    for (int i = 1163; i < LockvexRecSize; ++i) // every byte value, in the tail of the padding
        b[i] = uint8_t(i * 7);
    PutInt32(b, 0, filingDate);
    return b;
}

TEST(RecordCipher, EncipherThenDecipherGivesTheRecordBack)
{
    const int32_t filingDates[] = {46090,
                                   1,
                                   -1,
                                   RecordCipherK,
                                   RecordCipherK + 1,
                                   std::numeric_limits<int32_t>::max(),
                                   std::numeric_limits<int32_t>::min()};
    for (int32_t fd : filingDates) {
        const Bytes clear = SampleRecord(fd);
        const Bytes before = clear;
        Bytes out(LockvexRecSize, 0);
        EncipherRecord(clear.data(), out.data(), LockvexRecSize);
        EXPECT_EQ(clear, before) << "the record in memory stays in clear, fd " << fd;
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + 4, clear.begin())) << "FilingDate in clear, fd " << fd;
        EXPECT_FALSE(std::equal(out.begin() + 4, out.end(), clear.begin() + 4)) << fd;
        DecipherRecord(out.data(), LockvexRecSize);
        EXPECT_EQ(out, clear) << fd;
    }
}

TEST(RecordCipher, AllZeroRecordGivesTheStartValueThenZeros)
{
    for (int32_t fd : {46090, 60, 61, 316, -100}) {
        Bytes clear(LockvexRecSize, 0);
        PutInt32(clear, 0, fd);
        Bytes out(LockvexRecSize, 0xEE);
        EncipherRecord(clear.data(), out.data(), LockvexRecSize);
        const uint8_t k0 = uint8_t((int64_t(fd) - RecordCipherK) & 0xFF);
        EXPECT_EQ(CipherStartValue(fd), k0);
        EXPECT_EQ(Int32At(out, 0), fd);
        EXPECT_EQ(out[4], k0) << fd;
        EXPECT_TRUE(std::all_of(out.begin() + 5, out.end(), [](uint8_t v) { return v == 0; })) << fd;
    }
    EXPECT_EQ(CipherStartValue(46090), 0xCE); // the value docs/file-format.md works through
}

TEST(RecordCipher, ReadTakesClearRecordsUnchangedAndDeciphersTheOthers)
{
    const Bytes clear = SampleRecord(0);
    Bytes read = clear;
    DecipherIfEnciphered(read.data(), LockvexRecSize);
    EXPECT_EQ(read, clear);

    const Bytes withDate = SampleRecord(46090);
    Bytes stored(LockvexRecSize);
    EncipherRecord(withDate.data(), stored.data(), LockvexRecSize);
    DecipherIfEnciphered(stored.data(), LockvexRecSize);
    EXPECT_EQ(stored, withDate);
}

// The decipher works on many bytes at once; it must give exactly what the byte-by-byte rule
// gives, for any bytes, start value and size (whole blocks, a part block, less than one), in
// place and into another buffer.
TEST(RecordCipher, DeciphersAsTheByteByByteRuleForAnyBytesAndSize)
{
    const auto byTheRule = [](Bytes rec) {
        uint8_t k = uint8_t((int64_t(Int32At(rec, 0)) - RecordCipherK) & 0xFF);
        for (size_t i = 4; i < rec.size(); ++i) {
            rec[i] = uint8_t(rec[i] - k);
            k = rec[i];
        }
        return rec;
    };
    uint32_t seed = 20261210;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int size : {5, 35, 36, 37, 67, 68, 100, 1283, LockvexRecSize, 1285, 4096}) {
        for (int round = 0; round < 20; ++round) {
            Bytes stored(static_cast<size_t>(size));
            for (uint8_t &b : stored)
                b = uint8_t(next() >> 24);
            if (round == 0)
                std::fill(stored.begin() + 4, stored.end(), 0xFF);
            PutInt32(stored, 0, int32_t(next() | 1)); // never 0: the record is enciphered
            const Bytes expected = byTheRule(stored);
            Bytes inPlace = stored;
            DecipherRecord(inPlace.data(), size);
            EXPECT_EQ(inPlace, expected) << "size " << size << ", round " << round;
            Bytes out(size_t(size), 0xAA);
            DecipherRecordFrom(stored.data(), out.data(), size);
            EXPECT_EQ(out, expected) << "size " << size << ", round " << round;
            ReadRecordFrom(stored.data(), out.data(), size);
            EXPECT_EQ(out, expected) << "size " << size << ", round " << round;
        }
    }
    Bytes clear = SampleRecord(0);
    Bytes out(clear.size(), 0xAA);
    ReadRecordFrom(clear.data(), out.data(), LockvexRecSize);
    EXPECT_EQ(out, clear); // a record in clear is taken as it is
}

TEST(RecordCipher, WorksForAnyRecordSizeAndIgnoresTooShortOnes)
{
    Bytes clear = {0x0A, 0xB4, 0, 0, 1, 2, 3};
    Bytes out(clear.size());
    EncipherRecord(clear.data(), out.data(), int(clear.size()));
    EXPECT_EQ(out, (Bytes{0x0A, 0xB4, 0, 0, uint8_t(1 + 0xCE), 3, 5}));
    DecipherRecord(out.data(), int(out.size()));
    EXPECT_EQ(out, clear);

    Bytes tiny = {1, 2, 3};
    Bytes tinyOut(3, 0);
    EncipherRecord(tiny.data(), tinyOut.data(), 3);
    DecipherIfEnciphered(tiny.data(), 3);
    DecipherRecord(tiny.data(), 0);
    EXPECT_EQ(tinyOut, tiny);
}

// A record moved from the disk into a copy with a new filing day, writer and key holds exactly
// the bytes of deciphering it whole, stamping it and enciphering it whole again; for every pair
// of stored form (enciphered, clear) and written form (enciphered, clear), over random records.
TEST(RecordCipher, ARestampedRecordEqualsTheWholeDecipherStampAndEncipher)
{
    std::mt19937 random(20261210);
    const struct {
        int32_t storedDay, newDay;
    } cases[] = {{46090, 46091}, {46090, 46090}, {0, 46091}, {46090, 0}, {0, 0}, {-7, RecordCipherK}};
    for (const auto &c : cases) {
        for (int n = 0; n < 50; ++n) {
            Bytes clear(LockvexRecSize);
            for (uint8_t &b : clear)
                b = uint8_t(random());
            PutInt32(clear, 0, c.storedDay);
            Bytes stored(LockvexRecSize);
            if (c.storedDay != 0)
                EncipherRecord(clear.data(), stored.data(), LockvexRecSize);
            else
                stored = clear;
            const int32_t userID = n % 3 == 0 ? 0 : int32_t(random());
            const int32_t key = int32_t(random() % 40000);

            Bytes expected = clear;
            PutInt32(expected, 0, c.newDay);
            PutInt32(expected, int(offsetof(BaseDAHeader, UserID)), userID);
            PutInt32(expected, int(offsetof(BaseDAHeader, Key)), key);
            if (c.newDay != 0) {
                const Bytes stamped = expected;
                EncipherRecord(stamped.data(), expected.data(), LockvexRecSize);
            }
            Bytes moved = stored;
            RestampStoredRecord(moved.data(), LockvexRecSize, c.newDay, userID, key);
            ASSERT_EQ(moved, expected) << "stored day " << c.storedDay << ", new day " << c.newDay << ", record " << n;
        }
    }
}

// ----------------------------------------------------------------------------------------------
// Pool file layout

TEST(PoolLayout, SlotCountIgnoresATrailingPartialRecord)
{
    const struct {
        qint64 size;
        int count;
    } cases[] = {{25700, 20}, {25680, 20}, {25679, 19}, {0, 0},
                 {1283, 0},   {1284, 1},   {-5, 0},     {qint64(1284) * 40000, 40000}};
    for (const auto &c : cases)
        EXPECT_EQ(SlotCount(c.size), c.count) << c.size;
    EXPECT_EQ(SlotOffset(20), 25680);
}

TEST(PoolLayout, DeletedSlotIsReusedFromTheThirdDayOn)
{
    const double deletedOn = 46090.0 + 0.9; // late on day D
    EXPECT_FALSE(DisposeDateAllowsReuse(deletedOn, 46090.0));
    EXPECT_FALSE(DisposeDateAllowsReuse(deletedOn, 46091.0));
    EXPECT_FALSE(DisposeDateAllowsReuse(deletedOn, 46092.99));
    EXPECT_TRUE(DisposeDateAllowsReuse(deletedOn, 46093.0));
    EXPECT_FALSE(DisposeDateAllowsReuse(std::nan(""), 46093.0));
}

TEST(PoolLayout, ClearedDisposeTableHoldsNoKey)
{
    DeletedRecTbl tbl;
    tbl.fill(7);
    ClearDeletedRecTbl(tbl);
    EXPECT_TRUE(std::all_of(tbl.begin(), tbl.end(), [](int32_t v) { return v == NoKey; }));
}

// ----------------------------------------------------------------------------------------------
// Companion files

TEST(CompanionFiles, NamesSplitAtTheFirstDotOfTheFileNameOnly)
{
    const struct {
        QString dataFile;
        bool backups;
        QString base, log;
    } cases[] = {
        {"/home/first.last/Documents/Lockvex/TrelLockvex.acsdb", true, "/home/first.last/Documents/Lockvex/TrelLockvex",
         "/home/first.last/Documents/Lockvex/TrelLockvex.CSV"},
        {"/my.data/TrelLockvex.acsdb", true, "/my.data/TrelLockvex", "/my.data/TrelLockvex.CSV"},
        {"/x/TrelLockvex.acsdb", true, "/x/TrelLockvex", "/x/TrelLockvex.CSV"},
        {"/x/TrelLockvex.TEMP", false, "/x/TrelLockvex", "/x/TrelLockvexTEMP.CSV"},
        {"/x/TrelLockvex.2017", false, "/x/TrelLockvex", "/x/TrelLockvex2017.CSV"},
        {"/x/TrelLockvex.ACSDB", false, "/x/TrelLockvex", "/x/TrelLockvexACSD.CSV"}, // case-sensitive
        {"/x/Trel.Lockvex.acsdb", false, "/x/Trel", "/x/Trel.CSV"},
        {"/x/TrelLockvex", false, "/x/TrelLockvex", "/x/TrelLockvex.CSV"},
        {"TrelLockvex.acsdb", true, "TrelLockvex", "TrelLockvex.CSV"}, // no folder: stays beside it
        {"", false, "", ".CSV"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(HasBackupCompanions(c.dataFile), c.backups) << qPrintable(c.dataFile);
        EXPECT_EQ(CompanionBase(c.dataFile), c.base) << qPrintable(c.dataFile);
        EXPECT_EQ(TempFileName(c.dataFile), c.base + ".TEMP") << qPrintable(c.dataFile);
        EXPECT_EQ(NewerBackupName(c.dataFile), c.base + ".BAC0") << qPrintable(c.dataFile);
        EXPECT_EQ(OlderBackupName(c.dataFile), c.base + ".BAC1") << qPrintable(c.dataFile);
        EXPECT_EQ(LogFileName(c.dataFile), c.log) << qPrintable(c.dataFile);
    }
}

// ----------------------------------------------------------------------------------------------
// CSV log line

const QByteArray Q("\"");

V9LockvexData AwkwardRecord()
{
    V9LockvexData rec = FreshRecord();
    rec.RecHdr.Name.Assign("Bank, \"main\"");
    rec.RecHdr.NameTag.Assign("tag;1");
    rec.RecHdr.Key = 12;
    rec.RecHdr.AlternateKey = -1;
    rec.RecHdr.CreationDate = 46090;
    rec.URL.Assign("  https://example.com/a?x=1;y=2  ");
    rec.CustID.Assign("alice");
    rec.PIN.Assign("");
    rec.Password.Assign("\"quoted\"");
    rec.Question1.Assign("Pet's name?");
    rec.MemData1.Assign("Rex");
    rec.AccountNotes.Assign("line one;line two"); // stored line break
    rec.EntryPassword = 1;
    rec.AutoPWCopy = 0;
    return rec;
}

TEST(LogLine, HeaderLineNamesTheTwentyOneColumns)
{
    EXPECT_EQ(LockvexLogHeaderLine(),
              QByteArray("Name,Name Tag,Key,Alt Key,Creation Date,Hdr Fld,URL,Cust ID,PIN,Password,Question 1,"
                         "Mem Data 1,Question 2,Mem Data 2,Question 3,Mem Data 3,Question 4,Mem Data 4,"
                         "Is login PW,Notes,Auto PW copy,"));
}

TEST(LogLine, RecordLineQuotesWhatWouldBreakTheLine)
{
    const QByteArray line = LockvexLogLine(AwkwardRecord());
    const QByteArray expected = Q + "Bank, " + Q + Q + "main" + Q + Q + Q + "," // a comma and quotes
                                + Q + "tag;1" + Q + ","                         // a semicolon
                                + "12,-1,46090,,"                               // numbers, empty column 6
                                + Q + "https://example.com/a?x=1;y=2" + Q + "," // trimmed
                                + "alice,,"                                     // an empty field is nothing
                                + Q + Q + Q + "quoted" + Q + Q + Q + ","        // quotes at both ends
                                + "Pet's name?,Rex,,,,,,,Yes,"                  // questions 2-4 empty
                                + Q + "line one;line two" + Q + ",No,";         // the notes' line break
    EXPECT_EQ(line, expected);
}

TEST(LogLine, FieldTextFollowsTheQuotingRulesAndReadsBack)
{
    const struct {
        QByteArray value, field, back;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"  padded\t", "padded", "padded"},
        {"", "", ""},
        {"a,b", Q + "a,b" + Q, "a,b"},
        {"say " + Q + "hi" + Q, Q + "say " + Q + Q + "hi" + Q + Q + Q, "say " + Q + "hi" + Q},
        {Q + Q, Q + Q + Q + Q + Q + Q, Q + Q},
        {"x;y", Q + "x;y" + Q, "x;y"},
        {"one\r\ntwo", Q + "one;two" + Q, "one;two"},
        {"one\ntwo\rthree", Q + "one;two;three" + Q, "one;two;three"}, // a field never splits its line
        {QByteArray("a\0b", 3), "a?b", "a?b"},
        {"\xE9\x80", "\xE9\x80", "\xE9\x80"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(LogFieldText(c.value), c.field) << c.value.constData();
        EXPECT_EQ(LogFieldValue(c.field), c.back) << c.field.constData();
    }
}

void ExpectSameEntry(const V9LockvexData &a, const V9LockvexData &b)
{
    EXPECT_EQ(a.RecHdr.Name.Bytes(), b.RecHdr.Name.Bytes());
    EXPECT_EQ(a.RecHdr.NameTag.Bytes(), b.RecHdr.NameTag.Bytes());
    EXPECT_EQ(a.RecHdr.Key, b.RecHdr.Key);
    EXPECT_EQ(a.RecHdr.AlternateKey, b.RecHdr.AlternateKey);
    EXPECT_EQ(a.RecHdr.CreationDate, b.RecHdr.CreationDate);
    const Var31string V9LockvexData::*shortFields[] = {
        &V9LockvexData::CustID,   &V9LockvexData::PIN,       &V9LockvexData::Password, &V9LockvexData::Question1,
        &V9LockvexData::MemData1, &V9LockvexData::Question2, &V9LockvexData::MemData2, &V9LockvexData::Question3,
        &V9LockvexData::MemData3, &V9LockvexData::Question4, &V9LockvexData::MemData4};
    for (auto field : shortFields)
        EXPECT_EQ((a.*field).Bytes(), (b.*field).Bytes());
    EXPECT_EQ(a.URL.Bytes(), b.URL.Bytes());
    EXPECT_EQ(a.AccountNotes.Bytes(), b.AccountNotes.Bytes());
    EXPECT_EQ(IsTrue(a.EntryPassword), IsTrue(b.EntryPassword));
    EXPECT_EQ(IsTrue(a.AutoPWCopy), IsTrue(b.AutoPWCopy));
}

TEST(LogLine, ARecordLineReadsBackIntoTheSameEntry)
{
    V9LockvexData rec = AwkwardRecord();
    rec.URL.Assign("https://example.com/a?x=1;y=2"); // untrimmed text would come back trimmed
    // More unquoted semicolons than the line has commas would make a reader take ";" as the
    // separator; each field holding one is enclosed, so the line still splits at the commas.
    rec.Question2.Assign(QByteArray(31, ';'));
    rec.MemData2.Assign(QByteArray(31, ';'));
    rec.Question3.Assign("a\"b,c;d");
    rec.MemData4.Assign("\"");
    rec.AutoPWCopy = 1;
    V9LockvexData back;
    ReadLockvexLogLine(LockvexLogLine(rec), back);
    ExpectSameEntry(back, rec);
    // What the log does not carry comes back as in a fresh record.
    const V9LockvexData fresh = FreshRecord();
    EXPECT_EQ(std::memcmp(&back.Padding, &fresh.Padding, sizeof fresh.Padding), 0);
    const double loginDateTime = back.LoginDateTime; // a copy: the packed field is not aligned
    EXPECT_EQ(loginDateTime, 0.0);
    EXPECT_EQ(back.RecHdr.FilingDate, 0);
}

TEST(LogLine, ReadingTakesWhatALineHoldsAndLeavesTheRestInitialised)
{
    V9LockvexData rec;
    ReadLockvexLogLine("", rec);
    EXPECT_EQ(RawOf(rec), RawOf(FreshRecord()));

    ReadLockvexLogLine("Only a name,", rec);
    EXPECT_EQ(rec.RecHdr.Name.Bytes(), QByteArray("Only a name"));
    EXPECT_EQ(rec.RecHdr.Key, NoKey); // missing columns keep their initial values
    EXPECT_EQ(rec.RecHdr.CreationDate, NoDate);

    ReadLockvexLogLine("n,t,,12a,$1F,ignored,url", rec); // no trailing comma
    EXPECT_EQ(rec.RecHdr.Key, 1);                        // empty and bad numbers read as 1
    EXPECT_EQ(rec.RecHdr.AlternateKey, 1);
    EXPECT_EQ(rec.RecHdr.CreationDate, 31);
    EXPECT_EQ(rec.URL.Bytes(), QByteArray("url"));

    QByteArray line = "n,,1,2,3,,u,c,p,pw,q1,m1,q2,m2,q3,m3,q4,m4,yes,note,Yes,extra,columns,";
    ReadLockvexLogLine(line, rec);
    EXPECT_FALSE(IsTrue(rec.EntryPassword)); // only "Yes" exactly
    EXPECT_TRUE(IsTrue(rec.AutoPWCopy));
    EXPECT_EQ(rec.MemData4.Bytes(), QByteArray("m4"));

    ReadLockvexLogLine("a;b;7;;;;http://x;", rec); // a line a spreadsheet saved with ";"
    EXPECT_EQ(rec.RecHdr.Name.Bytes(), QByteArray("a"));
    EXPECT_EQ(rec.RecHdr.Key, 7);
    EXPECT_EQ(rec.URL.Bytes(), QByteArray("http://x"));

    ReadLockvexLogLine(Q + "unterminated, name", rec); // no crash; the quote runs to the end
    EXPECT_EQ(rec.RecHdr.Name.Bytes(), QByteArray("unterminated, name"));

    ReadLockvexLogLine("n,,,,,," + QByteArray(600, 'u') + "," + QByteArray(40, 'p') + ",", rec);
    EXPECT_EQ(rec.URL.Bytes(), QByteArray(255, 'u')); // cut to capacity
    EXPECT_EQ(rec.CustID.Bytes(), QByteArray(31, 'p'));
}

TEST(LogLine, NotesReadBackWithTheirLineBreaksAsStored)
{
    V9LockvexData rec = FreshRecord();
    rec.AccountNotes.Assign("first;second;;third");
    V9LockvexData back;
    ReadLockvexLogLine(LockvexLogLine(rec), back);
    EXPECT_EQ(back.AccountNotes.Bytes(), QByteArray("first;second;;third"));
}

} // namespace
