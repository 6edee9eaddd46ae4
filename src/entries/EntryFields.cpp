#include "entries/EntryFields.h"

#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "store/RecDALockvex.h"

namespace
{

constexpr int NameWidth = 111;
constexpr int LongTextWidth = 255; // notes and URL
constexpr int ShortTextWidth = 31;

// The notes are kept as Windows-1252 text. A window's text box gives bare line feeds; stored,
// each break must be one CR LF so that it becomes one ";" and never a raw line break in the
// record or its log line.
QString GetNotes(const TLockvexRec &rec)
{
    return win1252::ToUnicode(rec.GetAccountNotes());
}

void SetNotes(TLockvexRec &rec, const QString &text)
{
    rec.SetAccountNotes(win1252::FromUnicode(WithCRLFBreaks(text)));
}

// clang-format off
#define LOCKVEX_TEXT_FIELD(field, recordField, importIndex, width)                                                  \
    EntryTextField                                                                                                 \
    {                                                                                                              \
        #field, &ItemManagerParams::field, importIndex, width,                                                     \
            [](const TLockvexRec &rec) { return rec.Get##recordField(); },                                         \
            [](TLockvexRec &rec, const QString &text) { rec.Set##recordField(text); }                              \
    }
// clang-format on

} // namespace

const std::array<EntryTextField, EntryTextFieldCount> EntryTextFields = {
    LOCKVEX_TEXT_FIELD(ItemName, Name, 1, NameWidth),
    EntryTextField{"ItemDescr", &ItemManagerParams::ItemDescr, 14, LongTextWidth, GetNotes, SetNotes},
    LOCKVEX_TEXT_FIELD(URL, URL, 2, LongTextWidth),
    LOCKVEX_TEXT_FIELD(CustID, CustID, 3, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(PIN, PIN, 4, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(Password, Password, 5, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(Question1, Question1, 6, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(Question2, Question2, 8, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(Question3, Question3, 10, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(Question4, Question4, 12, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(MemData1, MemData1, 7, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(MemData2, MemData2, 9, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(MemData3, MemData3, 11, ShortTextWidth),
    LOCKVEX_TEXT_FIELD(MemData4, MemData4, 13, ShortTextWidth),
};

#undef LOCKVEX_TEXT_FIELD

const EntryTextField *EntryTextFieldForImport(int k)
{
    for (const EntryTextField &field : EntryTextFields) {
        if (field.ImportIndex == k)
            return &field;
    }
    return nullptr;
}

ItemManagerParams ParamsFromRecord(const TLockvexRec &rec)
{
    ItemManagerParams params;
    for (const EntryTextField &field : EntryTextFields)
        params.*field.Member = field.Get(rec);
    params.RecPermission = rec.GetRecPermission();
    params.LockvexPassword = rec.IsEntryPassword();
    params.AutoPWCopy = rec.IsAutoPWCopy();
    params.LoginDateTime = rec.GetLoginDateTime();
    return params;
}

void ParamsToRecord(const ItemManagerParams &params, TLockvexRec &rec)
{
    for (const EntryTextField &field : EntryTextFields)
        field.Set(rec, params.*field.Member);
    rec.SetEntryPassword(params.LockvexPassword);
    rec.SetAutoPWCopy(params.AutoPWCopy);
    rec.SetLoginDateTime(params.LoginDateTime);
}

bool EntryContentDiffers(const ItemManagerParams &a, const ItemManagerParams &b)
{
    for (const EntryTextField &field : EntryTextFields) {
        if (a.*field.Member != b.*field.Member)
            return true;
    }
    return a.LockvexPassword != b.LockvexPassword || a.AutoPWCopy != b.AutoPWCopy || a.LoginDateTime != b.LoginDateTime;
}
