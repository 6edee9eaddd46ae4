// The record objects: a blank entry after creation, the cuts to the field capacities, the
// Windows-1252 conversions, the notes' line breaks, the login date and the raw-byte copies.

#include "store/RecDALockvex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace
{

const uint8_t *RawOf(const TLockvexRec &rec)
{
    return reinterpret_cast<const uint8_t *>(rec.GetRecHdrPtr());
}

template <typename T> T ValueAt(const TLockvexRec &rec, int offset)
{
    T v;
    std::memcpy(&v, RawOf(rec) + offset, sizeof v);
    return v;
}

TEST(LockvexRec, CreatedBlank)
{
    TLockvexRec rec;
    EXPECT_EQ(static_cast<void *>(rec.GetRecHdrPtr()), static_cast<void *>(&rec.LockvexData));
    EXPECT_EQ(rec.GetKey(), -1);
    EXPECT_EQ(rec.GetAlternateKey(), -1);
    EXPECT_EQ(rec.GetCreationDate(), -1);
    EXPECT_FALSE(rec.IsDeleted());
    EXPECT_TRUE(rec.GetName().isEmpty());
    EXPECT_EQ(rec.GetLoginDateTime(), 0.0);
    EXPECT_EQ(ValueAt<int16_t>(rec, 14), 9);
    EXPECT_EQ(ValueAt<int16_t>(rec, 16), 0);
    EXPECT_EQ(rec.CurrDBUser, NoKey);

    V9LockvexData expected;
    InitLockvexData(expected);
    EXPECT_EQ(std::memcmp(RawOf(rec), &expected, LockvexRecSize), 0);
}

TEST(LockvexRec, InitReturnsAChangedRecordToBlank)
{
    TLockvexRec rec;
    rec.SetName("name");
    rec.SetPassword("secret");
    rec.SetKey(4);
    rec.SetDeleted();
    rec.LockvexData.RecHdr.UserID = 9;
    rec.Init();
    TLockvexRec blank;
    EXPECT_EQ(std::memcmp(RawOf(rec), RawOf(blank), LockvexRecSize), 0);
}

struct TextField {
    const char *name;
    int capacity;
    int offset;
    void (TLockvexRec::*set)(const QString &);
    QString (TLockvexRec::*get)() const;
};

const TextField TextFields[] = {
    {"Name", 111, 24, &TLockvexRec::SetName, &TLockvexRec::GetName},
    {"NameTag", 15, 136, &TLockvexRec::SetNameTag, &TLockvexRec::GetNameTag},
    {"URL", 255, 192, &TLockvexRec::SetURL, &TLockvexRec::GetURL},
    {"CustID", 31, 448, &TLockvexRec::SetCustID, &TLockvexRec::GetCustID},
    {"PIN", 31, 480, &TLockvexRec::SetPIN, &TLockvexRec::GetPIN},
    {"Password", 31, 512, &TLockvexRec::SetPassword, &TLockvexRec::GetPassword},
    {"Question1", 31, 544, &TLockvexRec::SetQuestion1, &TLockvexRec::GetQuestion1},
    {"MemData1", 31, 576, &TLockvexRec::SetMemData1, &TLockvexRec::GetMemData1},
    {"Question2", 31, 608, &TLockvexRec::SetQuestion2, &TLockvexRec::GetQuestion2},
    {"MemData2", 31, 640, &TLockvexRec::SetMemData2, &TLockvexRec::GetMemData2},
    {"Question3", 31, 672, &TLockvexRec::SetQuestion3, &TLockvexRec::GetQuestion3},
    {"MemData3", 31, 704, &TLockvexRec::SetMemData3, &TLockvexRec::GetMemData3},
    {"Question4", 31, 736, &TLockvexRec::SetQuestion4, &TLockvexRec::GetQuestion4},
    {"MemData4", 31, 768, &TLockvexRec::SetMemData4, &TLockvexRec::GetMemData4},
};

TEST(LockvexRec, EveryTextFieldIsCutToItsCapacityInItsOwnBytes)
{
    for (const TextField &f : TextFields) {
        TLockvexRec rec;
        TLockvexRec untouched;
        // A distinct character per position shows which characters were kept.
        QString text;
        for (int i = 0; i < f.capacity + 40; ++i)
            text += QChar(u'a' + i % 26);
        (rec.*f.set)(text);
        EXPECT_EQ((rec.*f.get)(), text.left(f.capacity)) << f.name;
        EXPECT_EQ(RawOf(rec)[f.offset], f.capacity) << f.name;
        // Nothing outside the field changed.
        for (int i = 0; i < LockvexRecSize; ++i)
            if (i < f.offset || i > f.offset + f.capacity)
                ASSERT_EQ(RawOf(rec)[i], RawOf(untouched)[i]) << f.name << " byte " << i;

        (rec.*f.set)(QString());
        EXPECT_TRUE((rec.*f.get)().isEmpty()) << f.name;
    }
}

TEST(LockvexRec, TextIsStoredAsWindows1252WithQuestionMarksForTheRest)
{
    const struct {
        QString in, out;
        QByteArray stored;
    } cases[] = {
        {QString::fromUtf8("café €5 – “ok”"), QString::fromUtf8("café €5 – “ok”"),
         "caf\xE9 \x80"
         "5 \x96 \x93ok\x94"},
        {QString::fromUtf8("日本"), "??", "??"},
        {QString::fromUtf8("a😀b"), "a?b", "a?b"}, // a character outside the basic plane is one "?"
        {QString::fromUtf8("tab\tnul") + QChar(0) + "x", QString::fromUtf8("tab\tnul") + QChar(0) + "x",
         QByteArray("tab\tnul\0x", 9)},
    };
    for (const auto &c : cases) {
        TLockvexRec rec;
        rec.SetPassword(c.in);
        EXPECT_EQ(rec.GetPassword(), c.out);
        EXPECT_EQ(rec.LockvexData.Password.Bytes(), c.stored);
    }
}

TEST(LockvexRec, CutCountsConvertedCharacters)
{
    TLockvexRec rec;
    QString emojis;
    for (int i = 0; i < 40; ++i)
        emojis += QString::fromUtf8("😀"); // two UTF-16 units each
    rec.SetPassword(emojis);
    EXPECT_EQ(rec.GetPassword(), QString(31, QLatin1Char('?')));

    rec.SetName(QString(100000, QChar(0x20AC))); // a huge paste
    EXPECT_EQ(rec.GetName(), QString(111, QChar(0x20AC)));
}

TEST(LockvexRec, NotesKeepLineBreaksAsSemicolons)
{
    const struct {
        QByteArray in, stored, out;
    } cases[] = {
        {"a\r\nb", "a;b", "a\r\nb"},
        {"x;y", "x;y", "x\r\ny"}, // a typed ";" comes back as a line break
        {"\r\n\r\n", ";;", "\r\n\r\n"},
        {"lone\rcr\nlf", "lone\rcr\nlf", "lone\rcr\nlf"}, // only CR LF pairs are line breaks
        {"", "", ""},
    };
    for (const auto &c : cases) {
        TLockvexRec rec;
        rec.SetAccountNotes(c.in);
        EXPECT_EQ(rec.LockvexData.AccountNotes.Bytes(), c.stored) << c.in.constData();
        EXPECT_EQ(rec.GetAccountNotes(), c.out) << c.in.constData();
    }

    // The line breaks are replaced before the cut: 200 of them fit as 200 characters.
    TLockvexRec rec;
    rec.SetAccountNotes(QByteArray("\r\n").repeated(200) + QByteArray(100, 'z'));
    EXPECT_EQ(rec.LockvexData.AccountNotes.Bytes(), QByteArray(200, ';') + QByteArray(55, 'z'));
}

TEST(LockvexRec, LoginDateReadsAsNoneBeforeTheYear2000)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double stored, read;
    } cases[] = {
        {0, 0},
        {36525.99, 0},
        {-3, 0},
        {36526.0, 36526.0},
        {46090.604, 46090.604},
        {std::nan(""), 0},
        {inf, 0},
        {1e300, 0},
        {2958465.5, 2958465.5},
    };
    for (const auto &c : cases) {
        TLockvexRec rec;
        rec.SetLoginDateTime(c.stored);
        EXPECT_EQ(rec.GetLoginDateTime(), c.read) << c.stored;
    }
}

TEST(LockvexRec, FlagsAndHeaderValuesLandAtTheirOffsets)
{
    TLockvexRec rec;
    rec.SetEntryPassword(true);
    rec.SetAutoPWCopy(true);
    rec.SetLoginDateTime(46090.5);
    rec.SetKey(0x01020304);
    rec.SetAlternateKey(-7);
    rec.SetCreationDate(46090);
    rec.SetEffectiveFrom(12);
    rec.SetEffectiveTo(-2);
    rec.SetDisposeDate(46001.25);
    rec.SetUserID(5);
    rec.SetUpdateAction(Deletion);
    rec.SetDeleted();
    EXPECT_EQ(RawOf(rec)[1056], 1);
    EXPECT_EQ(RawOf(rec)[1065], 1);
    EXPECT_EQ(ValueAt<double>(rec, 1057), 46090.5);
    EXPECT_EQ(ValueAt<int32_t>(rec, 152), 0x01020304);
    EXPECT_EQ(ValueAt<int32_t>(rec, 156), -7);
    EXPECT_EQ(ValueAt<int32_t>(rec, 160), 46090);
    EXPECT_EQ(ValueAt<int16_t>(rec, 164), 12);
    EXPECT_EQ(ValueAt<int16_t>(rec, 166), -2);
    EXPECT_EQ(ValueAt<double>(rec, 6), 46001.25);
    EXPECT_EQ(ValueAt<int32_t>(rec, 18), 5);
    EXPECT_EQ(RawOf(rec)[168], Deletion);
    EXPECT_EQ(RawOf(rec)[5], 1);
    EXPECT_EQ(rec.GetEffectiveFrom(), 12);
    EXPECT_EQ(rec.GetDisposeDate(), 46001.25);
    EXPECT_EQ(rec.GetUpdateAction(), Deletion);
    EXPECT_TRUE(rec.IsEntryPassword());
    EXPECT_TRUE(rec.IsAutoPWCopy());

    rec.ClearDeleted();
    rec.SetEntryPassword(false);
    EXPECT_FALSE(rec.IsDeleted());
    EXPECT_EQ(RawOf(rec)[1056], 0);

    // Any non-zero byte reads as True, as a file written elsewhere may hold.
    rec.LockvexData.AutoPWCopy = 0xFF;
    rec.LockvexData.RecHdr.DeletedRecord = 2;
    EXPECT_TRUE(rec.IsAutoPWCopy());
    EXPECT_TRUE(rec.IsDeleted());
}

TEST(LockvexRec, EveryRecordMayBeUpdatedWhateverItsPermissionByte)
{
    TLockvexRec rec;
    rec.SetRecPermission(NoPermission);
    EXPECT_EQ(RawOf(rec)[23], NoPermission);
    EXPECT_EQ(rec.GetRecPermission(), UpdatePermission);
    EXPECT_EQ(rec.CheckUserPermission(), UpdatePermission);
    EXPECT_EQ(RawOf(rec)[23], UpdatePermission);
}

TEST(LockvexRec, LoadStoreAndCopyMoveAllBytesAndKeepTheirOwnHeader)
{
    TLockvexRec source;
    source.SetName("Bank");
    source.SetPassword("pw");
    source.SetKey(3);
    source.LockvexData.Padding[217] = 0x5A;

    uint8_t buffer[LockvexRecSize];
    source.Store(buffer);
    EXPECT_EQ(std::memcmp(buffer, RawOf(source), LockvexRecSize), 0);

    TLockvexRec loaded;
    loaded.Load(buffer);
    EXPECT_EQ(std::memcmp(RawOf(loaded), buffer, LockvexRecSize), 0);
    EXPECT_EQ(static_cast<void *>(loaded.GetRecHdrPtr()), static_cast<void *>(&loaded.LockvexData));

    TLockvexRec copy;
    copy.CopyFrom(source);
    source.SetName("Changed later");
    EXPECT_EQ(copy.GetName(), "Bank");
    EXPECT_EQ(copy.GetKey(), 3);
    EXPECT_EQ(copy.LockvexData.Padding[217], 0x5A);
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetName(), "Bank");

    // Through the base class, as the pool manager moves records.
    TBaseDARec &base = copy;
    base.Load(buffer);
    EXPECT_EQ(base.GetName(), "Bank");
}

TEST(LockvexRec, DamagedLengthBytesReadAsTheFieldsCapacity)
{
    TLockvexRec rec;
    std::memset(&rec.LockvexData, 0xFF, sizeof rec.LockvexData); // every length byte 255
    EXPECT_EQ(rec.GetName().size(), 111);
    EXPECT_EQ(rec.GetNameTag().size(), 15);
    EXPECT_EQ(rec.GetPassword().size(), 31);
    EXPECT_EQ(rec.GetURL().size(), 255);
    EXPECT_EQ(rec.GetAccountNotes().size(), 255);
}

// A record kind other than the entry: it calls InitRecHeader on its own buffer.
class HeaderOnlyRec : public TBaseDARec
{
public:
    HeaderOnlyRec()
    {
        std::memset(&Header, 0, sizeof Header);
        Header.UserID = 42;
        Header.DisposeDate = 1.5;
        InitRecHeader(Header);
    }
    void Load(const void *poolRecord) override { std::memcpy(&Header, poolRecord, sizeof Header); }
    void Store(void *poolRecord) const override { std::memcpy(poolRecord, &Header, sizeof Header); }
    BaseDAHeader Header;
};

TEST(BaseDARec, InitRecHeaderGivesAFreshHeaderButKeepsUserAndDisposeDate)
{
    HeaderOnlyRec rec;
    EXPECT_EQ(rec.GetRecHdrPtr(), &rec.Header);
    EXPECT_EQ(rec.GetUserID(), 42);
    EXPECT_EQ(rec.GetDisposeDate(), 1.5);
    EXPECT_EQ(rec.GetKey(), NoKey);
    EXPECT_EQ(rec.Header.Spares.Bytes(), QByteArray("1234567890abcdefghijkl"));
    rec.SetName(QString(200, 'n'));
    EXPECT_EQ(rec.GetName().size(), 111);
}

} // namespace
