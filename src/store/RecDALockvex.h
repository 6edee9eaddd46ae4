#pragma once
// TLockvexRec: one web entry in memory. It embeds a whole 1284-byte V9LockvexData record, so
// the raw bytes of the record are the 1284 bytes at GetRecHdrPtr(). The accessors convert
// between text and the record's Windows-1252 ShortStrings and cut to the field capacities.

#include "store/LockvexRecDABase.h"

#include <QByteArray>
#include <QString>

class TLockvexRec : public TBaseDARec
{
public:
    TLockvexRec(); // a complete, blank record (Init)

    // Back to the blank record: all bytes zero, a fresh header, the padding filler.
    void Init();
    // Copy 1284 raw bytes in from a pool buffer / out to one.
    void Load(const void *poolRecord) override;
    void Store(void *poolRecord) const override;
    void CopyFrom(const TLockvexRec &fromWebRec);

    void SetURL(const QString &url); // first 255 characters
    QString GetURL() const;
    void SetCustID(const QString &custID); // first 31 characters, as every field below
    QString GetCustID() const;
    void SetPIN(const QString &pin);
    QString GetPIN() const;
    void SetPassword(const QString &password);
    QString GetPassword() const;
    void SetQuestion1(const QString &question);
    QString GetQuestion1() const;
    void SetQuestion2(const QString &question);
    QString GetQuestion2() const;
    void SetQuestion3(const QString &question);
    QString GetQuestion3() const;
    void SetQuestion4(const QString &question);
    QString GetQuestion4() const;
    void SetMemData1(const QString &memData);
    QString GetMemData1() const;
    void SetMemData2(const QString &memData);
    QString GetMemData2() const;
    void SetMemData3(const QString &memData);
    QString GetMemData3() const;
    void SetMemData4(const QString &memData);
    QString GetMemData4() const;

    void SetEntryPassword(bool cond);
    bool IsEntryPassword() const;
    void SetAutoPWCopy(bool cond);
    bool IsAutoPWCopy() const;

    // The notes are 8-bit text. Each CR LF is stored as one ";" and the result cut to 255
    // characters; reading gives every ";" back as CR LF.
    void SetAccountNotes(const QByteArray &acNotes);
    QByteArray GetAccountNotes() const;

    void SetLoginDateTime(TDateTime newDateTime);
    // The stored date-time when it lies in the years 2000 to 9999, otherwise 0 (no login).
    TDateTime GetLoginDateTime() const;

    V9LockvexData LockvexData;
};
