// Writes a data file from a list of entries through the store, as another computer's Lockvex
// would, and lists a data file's entries with the file format's own decoder (nothing of the
// store), for the desktop tests that change the data file under the running program.
//
// Usage: data_file_tool write FILE "Name=customer ID" ...
//            A new data file at FILE (its folder must not hold one), the entries in that order.
//        data_file_tool dump FILE
//            One line "name|customer ID" per live entry, in slot order. Exit 2 when two live
//            records share a name or a key, 1 when the file cannot be read.

#include "platform/PosixPlatform.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/FileFormatReader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <set>
#include <string>

namespace
{

int Write(const QString &path, const QStringList &entries)
{
    TV9LockvexTbl table(true);
    if (!table.OpenPool(path)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    for (const QString &entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? entry : entry.left(eq);
        TLockvexRec rec;
        rec.SetName(name);
        rec.SetCustID(eq < 0 ? QString() : entry.mid(eq + 1));
        if (table.WriteLockvexRec(table.AddLockvexIndexItem(name), &rec) != WriteOK) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return table.CloseTable().Ok() ? 0 : 1;
}

int Dump(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    std::set<std::string> names;
    std::set<int> keys;
    int status = 0;
    for (const docreader::Bytes &slot : docreader::ReadSlots(docreader::Bytes(bytes.begin(), bytes.end()))) {
        const docreader::Entry e = docreader::Decode(slot.data());
        if (e.state != docreader::State::Live)
            continue;
        if (!names.insert(e.name).second || !keys.insert(e.key).second)
            status = 2;
        std::printf("%s|%s\n", e.name.c_str(), e.custId.c_str());
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    platform::PosixPlatform desktop;
    platform::ScopedInstall installed(desktop);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == QLatin1String("write"))
        return Write(args[1], args.mid(2));
    if (args.size() == 2 && args[0] == QLatin1String("dump"))
        return Dump(args[1]);
    std::fprintf(stderr, "usage: data_file_tool write FILE Name=custID ... | dump FILE\n");
    return 64;
}
