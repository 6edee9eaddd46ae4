// The rebuild of a lost data file from an arbitrary CSV log: the entry table is opened where
// only the log exists. It must open, every rebuilt record must carry a key of its own that the
// index finds, and the data file must open again after the close with the same records. Each
// line of the input also goes through the log line reader and writer: a line written from a
// record read back reads back to the same line.
//
// Input: the log's content.

#include "FuzzSupport.h"

#include "store/Lockvextypes.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <set>

using namespace fuzz_support;

namespace
{

// The keys of the live records, in slot order; every key must be new.
std::set<int> LiveKeys(TV9LockvexTbl &table)
{
    std::set<int> keys;
    TLockvexRec rec;
    int slot = NoKey;
    for (bool more = table.ReadFirst(slot, &rec, SkipDeleted); more; more = table.ReadNext(slot, &rec, SkipDeleted)) {
        Require(keys.insert(rec.GetKey()).second, "two rebuilt records share a key");
        Require(table.FindIndexItem(rec.GetKey()) != nullptr, "a rebuilt record is not in the index");
    }
    return keys;
}

void CheckLineRoundTrip(const QByteArray &line)
{
    V9LockvexData first{}, second{};
    ReadLockvexLogLine(line, first);
    const QByteArray written = LockvexLogLine(first);
    ReadLockvexLogLine(written, second);
    Require(LockvexLogLine(second) == written, "a log line written from a record does not read back the same");
}

QByteArray LogOf(const QList<QByteArray> &lines)
{
    QByteArray log = LockvexLogHeaderLine() + "\r\n";
    for (const QByteArray &line : lines)
        log += line + "\r\n";
    return log;
}

// The log line of an entry.
QByteArray Entry(const QString &name, int key, const QString &password)
{
    TLockvexRec rec;
    rec.SetName(name);
    rec.SetKey(key);
    rec.SetPassword(password);
    rec.SetURL(QStringLiteral("https://example.com/") + name);
    rec.SetAccountNotes("line one;line two");
    rec.SetEntryPassword(key % 2 == 0);
    return LockvexLogLine(rec.LockvexData);
}

void WriteSeeds()
{
    WriteSeed("program-log", LogOf({Entry("Bank, \"main\"", 0, "a;b"), Entry("Shop", 1, "pw"), Entry("Mail", 5, "")}));
    WriteSeed("duplicate-and-negative-keys",
              LogOf({Entry("One", 3, "x"), Entry("Two", 3, "y"), Entry("Three", -7, "z"), Entry("Four", 2147483647, "")}));
    WriteSeed("other-program",
              "Name;Tag;Key\n\n  Bank ; t ; $1F ;;;;http://x;id;pin;\"p\"\"w\";q;a\nShort\n\"open quote,1\n   \n");
    WriteSeed("header-only", LockvexLogHeaderLine() + "\r\n");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (SeedFolder().isEmpty())
        return 0;
    WriteSeeds();
    std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Environment::Get();
    const QByteArray log(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &line : log.split('\n'))
        CheckLineRoundTrip(line.endsWith('\r') ? line.chopped(1) : line);

    Scratch scratch;
    scratch.Write(QStringLiteral("TrelLockvex.CSV"), log);
    const QString dataFile = scratch.PathOf(QStringLiteral("TrelLockvex.acsdb"));
    std::set<int> keys;
    {
        TV9LockvexTbl table(true);
        Require(table.OpenPool(dataFile), "the entry table does not open from its log");
        keys = LiveKeys(table);
        Require(int(keys.size()) == table.GetItemsUsed(), "the live count differs from the records scanned");
    }
    TV9LockvexTbl reopened(true);
    Require(reopened.OpenPool(dataFile), "the rebuilt data file does not open again");
    Require(LiveKeys(reopened) == keys, "the rebuilt data file holds other records after the close");
    return 0;
}
