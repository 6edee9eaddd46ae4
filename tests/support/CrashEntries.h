#pragma once
// The web entries that the crash driver saves and the tests look for. Every field is a function
// of the entry's name and version, so that a record read back after a crash tells by itself
// which version it holds and whether that version is whole: a record with a field from another
// version, or a field cut short, matches no version.

#include "entries/MgrLockvexItems.h"

#include <QString>

namespace crash_entries
{

struct Fields {
    QString Name;
    QString Notes; // one line: no ";" and no line break, so it reads back exactly
    QString URL;
    QString CustID;
    QString PIN; // "v<version>": the version of the entry
    QString Password;
    QString Question[4];
    QString Answer[4];
    bool EntryPassword = false;
    bool AutoPWCopy = false;
    double LoginDateTime = 0;
};

// The fields of version `version` of the entry `name` (a short name without blanks). Texts hold
// Windows-1252 letters beyond ASCII, and stay within the stored widths (31 characters for the
// short fields), so that nothing is cut.
inline Fields EntryFields(const QString &name, int version)
{
    const QString v = QString::number(version);
    Fields f;
    f.Name = name;
    f.Notes = QStringLiteral("Notes of %1, version %2 \u2013 caf\u00e9 \u20ac").arg(name, v);
    f.URL = QStringLiteral("https://example.com/%1/sign-in?v=%2").arg(name, v);
    f.CustID = QStringLiteral("c%1.%2").arg(v, name).left(31);
    f.PIN = QStringLiteral("v") + v;
    f.Password = QStringLiteral("P\u00e4ss#%1!%2").arg(v, name).left(31);
    for (int i = 0; i < 4; ++i) {
        f.Question[i] = QStringLiteral("Q%1 of %2?").arg(i + 1).arg(name).left(31);
        f.Answer[i] = QStringLiteral("A%1-%2-\u00df").arg(i + 1).arg(v);
    }
    f.EntryPassword = version % 3 == 0;
    f.AutoPWCopy = version % 2 == 1;
    f.LoginDateTime = 45000.25 + version; // a date in 2023 onwards, as the record keeps it
    return f;
}

// The version that a PIN field names, or -1 when it names none.
inline int VersionOf(const QString &pin)
{
    if (!pin.startsWith(QLatin1Char('v')))
        return -1;
    bool ok = false;
    const int version = pin.mid(1).toInt(&ok);
    return ok && version >= 0 ? version : -1;
}

// Puts an entry's fields into the parameters the item manager saves.
inline void FillParams(ItemManagerParams &p, const Fields &f)
{
    p.ItemName = f.Name;
    p.ItemDescr = f.Notes;
    p.URL = f.URL;
    p.CustID = f.CustID;
    p.PIN = f.PIN;
    p.Password = f.Password;
    p.Question1 = f.Question[0];
    p.Question2 = f.Question[1];
    p.Question3 = f.Question[2];
    p.Question4 = f.Question[3];
    p.MemData1 = f.Answer[0];
    p.MemData2 = f.Answer[1];
    p.MemData3 = f.Answer[2];
    p.MemData4 = f.Answer[3];
    p.LockvexPassword = f.EntryPassword;
    p.AutoPWCopy = f.AutoPWCopy;
    p.LoginDateTime = f.LoginDateTime;
}

} // namespace crash_entries
