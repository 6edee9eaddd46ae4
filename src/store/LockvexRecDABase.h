#pragma once
// TBaseDARec: typed access to the 192-byte header of one pool record held in memory. The
// object reaches the header through RecHdrPtr; the record's further fields follow the header
// in the same buffer. Text accessors convert between text and the header's Windows-1252
// ShortStrings and cut to the field's capacity.

#include "common/Win1252.h"
#include "store/Lockvextypes.h"

#include <QString>

class TBaseDARec
{
public:
    TBaseDARec();
    virtual ~TBaseDARec();
    TBaseDARec(const TBaseDARec &) = delete;
    TBaseDARec &operator=(const TBaseDARec &) = delete;

    // Move a whole record from and to a raw buffer of the record's size. Every kind of record
    // knows its own size, so each descendant provides them.
    virtual void Load(const void *poolRecord) = 0;
    virtual void Store(void *poolRecord) const = 0;

    virtual void SetName(const QString &name); // first 111 characters
    virtual QString GetName() const;
    virtual void SetNameTag(const QString &nameTag); // first 15 characters
    virtual PermissionType CheckUserPermission();

    // Points the object at recHdr and gives it the values of a fresh header. DisposeDate,
    // UserID and UserType are left as they are. Must run before any other header accessor.
    void InitRecHeader(BaseDAHeader &recHdr);
    BaseDAHeader *GetRecHdrPtr() const { return RecHdrPtr; }

    QString GetNameTag() const;
    void SetKey(int key);
    int GetKey() const;
    void SetAlternateKey(int key);
    int GetAlternateKey() const;
    void SetDeleted();
    void ClearDeleted();
    bool IsDeleted() const;
    void SetDisposeDate(TDateTime newDate);
    TDateTime GetDisposeDate() const;
    void SetUserID(int newID);
    int GetUserID() const;
    void SetRecPermission(PermissionType newPermission);
    // Every record may be updated: the answer is UpdatePermission whatever the header holds.
    PermissionType GetRecPermission() const;
    void SetCreationDate(int newDate); // a day number
    int GetCreationDate() const;
    void SetEffectiveFrom(int16_t newDate);
    int16_t GetEffectiveFrom() const;
    void SetEffectiveTo(int16_t newDate);
    int16_t GetEffectiveTo() const;
    void SetUpdateAction(UpdateType newAction);
    UpdateType GetUpdateAction() const;

    int CurrDBUser = NoKey; // not otherwise used
    QString CurrDBUserName; // not otherwise used

protected:
    BaseDAHeader *RecHdrPtr = nullptr;
};

// Text <-> a ShortString field: Windows-1252, the first N converted characters kept. At most
// 2N UTF-16 units can make N characters, so a long text is cut before it is converted.
template <int N> void StoreShortText(ShortString<N> &field, const QString &text)
{
    field.Assign(win1252::FromUnicode(text.left(2 * N)));
}

template <int N> QString ShortTextOf(const ShortString<N> &field)
{
    return win1252::ToUnicode(field.Bytes());
}
