#include "store/LockvexRecDABase.h"

TBaseDARec::TBaseDARec() = default;

TBaseDARec::~TBaseDARec() = default;

void TBaseDARec::InitRecHeader(BaseDAHeader &recHdr)
{
    RecHdrPtr = &recHdr;
    InitRecHeaderFields(recHdr);
}

void TBaseDARec::SetName(const QString &name)
{
    StoreShortText(RecHdrPtr->Name, name);
}

QString TBaseDARec::GetName() const
{
    return ShortTextOf(RecHdrPtr->Name);
}

void TBaseDARec::SetNameTag(const QString &nameTag)
{
    StoreShortText(RecHdrPtr->NameTag, nameTag);
}

QString TBaseDARec::GetNameTag() const
{
    return ShortTextOf(RecHdrPtr->NameTag);
}

void TBaseDARec::SetKey(int key)
{
    RecHdrPtr->Key = key;
}

int TBaseDARec::GetKey() const
{
    return RecHdrPtr->Key;
}

void TBaseDARec::SetAlternateKey(int key)
{
    RecHdrPtr->AlternateKey = key;
}

int TBaseDARec::GetAlternateKey() const
{
    return RecHdrPtr->AlternateKey;
}

void TBaseDARec::SetDeleted()
{
    RecHdrPtr->DeletedRecord = ToByteBool(true);
}

void TBaseDARec::ClearDeleted()
{
    RecHdrPtr->DeletedRecord = ToByteBool(false);
}

bool TBaseDARec::IsDeleted() const
{
    return IsTrue(RecHdrPtr->DeletedRecord);
}

void TBaseDARec::SetDisposeDate(TDateTime newDate)
{
    RecHdrPtr->DisposeDate = newDate;
}

TDateTime TBaseDARec::GetDisposeDate() const
{
    return RecHdrPtr->DisposeDate;
}

void TBaseDARec::SetUserID(int newID)
{
    RecHdrPtr->UserID = newID;
}

int TBaseDARec::GetUserID() const
{
    return RecHdrPtr->UserID;
}

PermissionType TBaseDARec::CheckUserPermission()
{
    RecHdrPtr->Permission = UpdatePermission;
    return UpdatePermission;
}

void TBaseDARec::SetRecPermission(PermissionType newPermission)
{
    RecHdrPtr->Permission = newPermission;
}

PermissionType TBaseDARec::GetRecPermission() const
{
    return UpdatePermission;
}

void TBaseDARec::SetCreationDate(int newDate)
{
    RecHdrPtr->CreationDate = newDate;
}

int TBaseDARec::GetCreationDate() const
{
    return RecHdrPtr->CreationDate;
}

void TBaseDARec::SetEffectiveFrom(int16_t newDate)
{
    RecHdrPtr->EffectiveFrom = newDate;
}

int16_t TBaseDARec::GetEffectiveFrom() const
{
    return RecHdrPtr->EffectiveFrom;
}

void TBaseDARec::SetEffectiveTo(int16_t newDate)
{
    RecHdrPtr->EffectiveTo = newDate;
}

int16_t TBaseDARec::GetEffectiveTo() const
{
    return RecHdrPtr->EffectiveTo;
}

void TBaseDARec::SetUpdateAction(UpdateType newAction)
{
    RecHdrPtr->UpdateAction = newAction;
}

UpdateType TBaseDARec::GetUpdateAction() const
{
    return RecHdrPtr->UpdateAction;
}
