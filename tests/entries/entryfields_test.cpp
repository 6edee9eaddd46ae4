#include "entries/EntryFields.h"
#include "entries/EntryText.h"

#include "common/Win1252.h"
#include "store/RecDALockvex.h"

#include <gtest/gtest.h>

#include <array>

namespace
{

// What each text must be stored as, written out once here against the record's own accessors,
// so that a table row pointing at the wrong record field is caught.
struct Expected {
    const char *Name;
    int ImportIndex;
    int StoredWidth;
    QString (*StoredText)(const TLockvexRec &rec);
};

const Expected ExpectedFields[] = {
    {"ItemName", 1, 111, [](const TLockvexRec &r) { return r.GetName(); }},
    {"ItemDescr", 14, 255, [](const TLockvexRec &r) { return QString::fromLatin1(r.GetAccountNotes()); }},
    {"URL", 2, 255, [](const TLockvexRec &r) { return r.GetURL(); }},
    {"CustID", 3, 31, [](const TLockvexRec &r) { return r.GetCustID(); }},
    {"PIN", 4, 31, [](const TLockvexRec &r) { return r.GetPIN(); }},
    {"Password", 5, 31, [](const TLockvexRec &r) { return r.GetPassword(); }},
    {"Question1", 6, 31, [](const TLockvexRec &r) { return r.GetQuestion1(); }},
    {"Question2", 8, 31, [](const TLockvexRec &r) { return r.GetQuestion2(); }},
    {"Question3", 10, 31, [](const TLockvexRec &r) { return r.GetQuestion3(); }},
    {"Question4", 12, 31, [](const TLockvexRec &r) { return r.GetQuestion4(); }},
    {"MemData1", 7, 31, [](const TLockvexRec &r) { return r.GetMemData1(); }},
    {"MemData2", 9, 31, [](const TLockvexRec &r) { return r.GetMemData2(); }},
    {"MemData3", 11, 31, [](const TLockvexRec &r) { return r.GetMemData3(); }},
    {"MemData4", 13, 31, [](const TLockvexRec &r) { return r.GetMemData4(); }},
};

// Every text different, so that a text landing in another field shows.
ItemManagerParams Distinct()
{
    ItemManagerParams p;
    for (const EntryTextField &field : EntryTextFields)
        p.*field.Member = QString("<%1>").arg(field.Name);
    p.LockvexPassword = true;
    p.AutoPWCopy = true;
    p.LoginDateTime = 46090.5;
    return p;
}

TEST(EntryFields, EachTextHasItsOwnRecordFieldImportColumnAndWidth)
{
    ASSERT_EQ(std::size(ExpectedFields), EntryTextFields.size());
    TLockvexRec rec;
    ParamsToRecord(Distinct(), rec);
    for (size_t i = 0; i < EntryTextFields.size(); ++i) {
        const EntryTextField &field = EntryTextFields[i];
        const Expected &want = ExpectedFields[i];
        SCOPED_TRACE(want.Name);
        EXPECT_STREQ(field.Name, want.Name);
        EXPECT_EQ(want.StoredText(rec), QString("<%1>").arg(want.Name));
        EXPECT_EQ(field.ImportIndex, want.ImportIndex);
        EXPECT_EQ(EntryTextFieldForImport(want.ImportIndex), &field);
        EXPECT_EQ(field.StoredWidth, want.StoredWidth);

        TLockvexRec cut;
        field.Set(cut, QString(300, 'w'));
        EXPECT_EQ(field.Get(cut).size(), want.StoredWidth);
    }
    EXPECT_EQ(EntryTextFieldForImport(0), nullptr);
    EXPECT_EQ(EntryTextFieldForImport(15), nullptr);
}

TEST(EntryFields, AnEntryComesBackFromItsRecordWhole)
{
    ItemManagerParams p = Distinct();
    p.ItemDescr = "first line\nsecond line"; // a text box's bare line feed comes back as CR LF
    TLockvexRec rec;
    ParamsToRecord(p, rec);
    const ItemManagerParams back = ParamsFromRecord(rec);
    EXPECT_FALSE(EntryContentDiffers(back, [&] {
        ItemManagerParams want = p;
        want.ItemDescr = "first line\r\nsecond line";
        return want;
    }()));
    EXPECT_EQ(back.RecPermission, rec.GetRecPermission());
    EXPECT_FALSE(back.NewItem);
    EXPECT_FALSE(back.NameChecked);
    EXPECT_EQ(back.ListIndex, 0);
    EXPECT_TRUE(back.SavedItemName.isEmpty());
}

TEST(EntryFields, ContentDiffersInEveryStoredFieldButNotInTheWindowsOwn)
{
    const ItemManagerParams base = Distinct();
    for (const EntryTextField &field : EntryTextFields) {
        ItemManagerParams now = base;
        now.*field.Member = (now.*field.Member).toLower(); // a change of letter case counts
        EXPECT_TRUE(EntryContentDiffers(base, now)) << field.Name;
    }
    ItemManagerParams now = base;
    now.LoginDateTime += 1.0 / 86400;
    EXPECT_TRUE(EntryContentDiffers(base, now));
    now = base;
    now.AutoPWCopy = false;
    EXPECT_TRUE(EntryContentDiffers(base, now));
    now = base;
    now.LockvexPassword = false;
    EXPECT_TRUE(EntryContentDiffers(base, now));

    now = base;
    now.RecPermission = BrowsePermission;
    now.NewItem = true;
    now.NameChecked = true;
    now.ListIndex = 7;
    now.SavedItemName = "other";
    EXPECT_FALSE(EntryContentDiffers(base, now));
}

} // namespace

// What a field keeps as typed: the code page's characters without control characters; the notes
// also keep their line breaks and tabs.
TEST(EntryFields, AFieldKeepsTheCodePagesCharactersWithoutControls)
{
    struct Case {
        const char *text;
        qsizetype firstInName;
        qsizetype firstInNotes;
    };
    const Case cases[] = {
        {"Caf\u00e9 \u20ac5 ?", -1, -1},
        {"\u0141\u00f3d\u017a", 0, 0}, // Ł: not in the code page
        {"ab\u00f3\u0144", 3, 3},      // ń
        {"pass\u001bword", 4, 4},      // ESC
        {"x\u0007", 1, 1},             // BEL
        {"x\u007f", 1, 1},             // DEL
        {"x\u0081", 1, 1},             // a control character the code page holds
        {"line\nbreak\r\n\tx", 4, -1}, // the notes keep breaks and tabs
        {"ISA; rate", -1, 3},          // but no ";", which they give back as a line break
        {"a\u2028b\u2029", 1, -1},     // the note box's own line and paragraph separators
        {"\U0001F600", 0, 0},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(FirstUnkeptChar(text, false), c.firstInName) << c.text;
        EXPECT_EQ(FirstUnkeptChar(text, true), c.firstInNotes) << c.text;
    }
}

// The import asks by byte: every byte of the code page gets the answer its character gets, for
// the notes and for the other fields.
TEST(EntryFields, AByteIsKeptExactlyWhenItsCodePageCharacterIs)
{
    for (const bool notes : {false, true}) {
        const std::array<bool, 256> &keeps = EntryFieldKeptBytes(notes);
        for (int b = 0; b < 256; ++b)
            EXPECT_EQ(keeps[b], EntryFieldKeeps(win1252::CharOf(static_cast<unsigned char>(b)), notes))
                << "byte " << b << (notes ? " in the notes" : "");
    }
    EXPECT_FALSE(EntryFieldKeptBytes(false)['\t']);
    EXPECT_TRUE(EntryFieldKeptBytes(true)['\t']);
    EXPECT_FALSE(EntryFieldKeptBytes(true)[';']);
    EXPECT_TRUE(EntryFieldKeptBytes(false)[';']);
    EXPECT_FALSE(EntryFieldKeptBytes(true)[0x81]);
    EXPECT_TRUE(EntryFieldKeptBytes(false)[0x80]); // the euro sign
}
