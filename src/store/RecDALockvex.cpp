#include "store/RecDALockvex.h"

#include "common/CsvFields.h"

#include <cmath>
#include <cstring>

namespace
{

// 10000-01-01 (days since 1899-12-30): no calendar shows a later date.
constexpr double FirstDayOf10000 = 2958466.0;

} // namespace

TLockvexRec::TLockvexRec()
{
    Init();
}

void TLockvexRec::Init()
{
    InitLockvexData(LockvexData);
    InitRecHeader(LockvexData.RecHdr);
}

void TLockvexRec::Load(const void *poolRecord)
{
    std::memcpy(&LockvexData, poolRecord, sizeof LockvexData);
    RecHdrPtr = &LockvexData.RecHdr;
}

void TLockvexRec::Store(void *poolRecord) const
{
    std::memcpy(poolRecord, &LockvexData, sizeof LockvexData);
}

void TLockvexRec::CopyFrom(const TLockvexRec &fromWebRec)
{
    if (&fromWebRec != this)
        Load(&fromWebRec.LockvexData);
}

void TLockvexRec::SetURL(const QString &url)
{
    StoreShortText(LockvexData.URL, url);
}

QString TLockvexRec::GetURL() const
{
    return ShortTextOf(LockvexData.URL);
}

void TLockvexRec::SetCustID(const QString &custID)
{
    StoreShortText(LockvexData.CustID, custID);
}

QString TLockvexRec::GetCustID() const
{
    return ShortTextOf(LockvexData.CustID);
}

void TLockvexRec::SetPIN(const QString &pin)
{
    StoreShortText(LockvexData.PIN, pin);
}

QString TLockvexRec::GetPIN() const
{
    return ShortTextOf(LockvexData.PIN);
}

void TLockvexRec::SetPassword(const QString &password)
{
    StoreShortText(LockvexData.Password, password);
}

QString TLockvexRec::GetPassword() const
{
    return ShortTextOf(LockvexData.Password);
}

void TLockvexRec::SetQuestion1(const QString &question)
{
    StoreShortText(LockvexData.Question1, question);
}

QString TLockvexRec::GetQuestion1() const
{
    return ShortTextOf(LockvexData.Question1);
}

void TLockvexRec::SetQuestion2(const QString &question)
{
    StoreShortText(LockvexData.Question2, question);
}

QString TLockvexRec::GetQuestion2() const
{
    return ShortTextOf(LockvexData.Question2);
}

void TLockvexRec::SetQuestion3(const QString &question)
{
    StoreShortText(LockvexData.Question3, question);
}

QString TLockvexRec::GetQuestion3() const
{
    return ShortTextOf(LockvexData.Question3);
}

void TLockvexRec::SetQuestion4(const QString &question)
{
    StoreShortText(LockvexData.Question4, question);
}

QString TLockvexRec::GetQuestion4() const
{
    return ShortTextOf(LockvexData.Question4);
}

void TLockvexRec::SetMemData1(const QString &memData)
{
    StoreShortText(LockvexData.MemData1, memData);
}

QString TLockvexRec::GetMemData1() const
{
    return ShortTextOf(LockvexData.MemData1);
}

void TLockvexRec::SetMemData2(const QString &memData)
{
    StoreShortText(LockvexData.MemData2, memData);
}

QString TLockvexRec::GetMemData2() const
{
    return ShortTextOf(LockvexData.MemData2);
}

void TLockvexRec::SetMemData3(const QString &memData)
{
    StoreShortText(LockvexData.MemData3, memData);
}

QString TLockvexRec::GetMemData3() const
{
    return ShortTextOf(LockvexData.MemData3);
}

void TLockvexRec::SetMemData4(const QString &memData)
{
    StoreShortText(LockvexData.MemData4, memData);
}

QString TLockvexRec::GetMemData4() const
{
    return ShortTextOf(LockvexData.MemData4);
}

void TLockvexRec::SetEntryPassword(bool cond)
{
    LockvexData.EntryPassword = ToByteBool(cond);
}

bool TLockvexRec::IsEntryPassword() const
{
    return IsTrue(LockvexData.EntryPassword);
}

void TLockvexRec::SetAutoPWCopy(bool cond)
{
    LockvexData.AutoPWCopy = ToByteBool(cond);
}

bool TLockvexRec::IsAutoPWCopy() const
{
    return IsTrue(LockvexData.AutoPWCopy);
}

void TLockvexRec::SetAccountNotes(const QByteArray &acNotes)
{
    // The whole text is converted before the cut, so a line break never counts as two.
    QByteArray notes = acNotes;
    CRLFToSemicolon(notes);
    LockvexData.AccountNotes.Assign(notes);
}

QByteArray TLockvexRec::GetAccountNotes() const
{
    QByteArray notes = LockvexData.AccountNotes.Bytes();
    SemicolonToCRLF(notes);
    return notes;
}

void TLockvexRec::SetLoginDateTime(TDateTime newDateTime)
{
    LockvexData.LoginDateTime = newDateTime;
}

TDateTime TLockvexRec::GetLoginDateTime() const
{
    const TDateTime stored = LockvexData.LoginDateTime;
    // NaN and infinities from a damaged record fail both comparisons and read as 0 too.
    if (stored >= FirstDayOf2000 && stored < FirstDayOf10000)
        return stored;
    return 0;
}
