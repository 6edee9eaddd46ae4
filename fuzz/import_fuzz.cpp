// The CSV import engine over arbitrary file content, with a column mapping and a header line
// count taken from the input. Every record the engine offers is accepted and saved into a real
// entry table through the item manager, as the import window does. No record offered may bear
// the name of an entry, every save must succeed and the table must then hold one live record per
// saved record.
//
// Input: two bytes of header line count text, fourteen bytes of column mapping (entry fields 1
// to 14), then the file content.

#include "FuzzSupport.h"

#include "common/Win1252.h"

#include "app/MgrImportFiles.h"
#include "app/RunState.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"
#include "import/LockvexImport.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

using namespace fuzz_support;

namespace
{

constexpr size_t HeaderBytes = 2;
constexpr size_t MappingBytes = ImportedEntryFields;

// Mostly the first columns, where the records have their fields; sometimes any column at all.
int ColumnOf(uint8_t byte)
{
    return (byte & 0x80) ? byte : byte % 24;
}

QByteArray Seed(const char *headerLines, const QByteArray &mapping, const QByteArray &content)
{
    return QByteArray(headerLines).leftJustified(HeaderBytes, ' ', true) +
           mapping.leftJustified(MappingBytes, '\0', true) + content;
}

void WriteSeeds()
{
    QByteArray inOrder;
    for (char k = 1; k <= char(MappingBytes); ++k)
        inOrder.append(k);
    const QByteArray nameAndPassword("\001\000\000\000\002", 5);
    const QByteArray nameLast("\003\001", 2);
    WriteSeed("header-all-fields",
              Seed("1", inOrder,
                   "Name,URL,ID,PIN,Password,Q1,A1,Q2,A2,Q3,A3,Q4,A4,Notes\r\n"
                   "Bank,https://bank.example,me,1234,secret,pet,cat,town,york,car,vw,food,rice,note\r\n"
                   "Shop,https://shop.example,,,pw2,,,,,,,,,\r\n"));
    WriteSeed("semicolons-quotes",
              Seed("0", nameAndPassword, "Bank;\"a;b\";x\n\"Shop \"\"big\"\"\";pw;y\n;blank;z\nBank;dupe;w\n"));
    WriteSeed("multiline-field",
              Seed("0", inOrder,
                   "Mail,https://mail.example,u,,p,,,,,,,,,\"line one\r\nline two\"\r\nNext,,,,,,,,,,,,,\"open\r\n"));
    WriteSeed("bad-quotes", Seed("2", nameLast, "h1\nh2\na\"b,c\"\"d,\"e\nlast,row,only\n"));
    WriteSeed("utf8-bom", Seed("0", nameAndPassword,
                               "\xEF\xBB\xBF"
                               "Caf\xC3\xA9,p\xC3\xA4ss\r\n"));
    WriteSeed("utf16le", Seed("0", nameAndPassword, QByteArray("\xFF\xFEN\0a\0m\0e\0,\0p\0w\0\r\0\n\0", 20)));
    WriteSeed("large-columns", Seed("x", QByteArray("\x81\xFF\x02", 3), "a,b,c\nd,e,f\n"));
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
    if (size < HeaderBytes + MappingBytes)
        return 0;
    Environment::Get();
    Scratch scratch;
    const QString importFile = scratch.PathOf(QStringLiteral("import.csv"));
    scratch.Write(QStringLiteral("import.csv"),
                  QByteArray(reinterpret_cast<const char *>(data) + HeaderBytes + MappingBytes,
                             qsizetype(size - HeaderBytes - MappingBytes)));

    TV9LockvexTbl table(true);
    Require(table.OpenPool(scratch.PathOf(QStringLiteral("TrelLockvex.acsdb"))), "a new entry table does not open");
    TLockvexRec sharedRec;
    TItemManager items(&table, &sharedRec, nullptr);

    const TRunFolders folders;                 // no settings file: the log is named nowhere
    TImportFiles importFiles{folders};         // the log the engine writes, removed at the end
    TImportExport engine(importFiles, &table); // the table whose names are taken
    engine.ImpExFormat.ImpExFileName = importFile;
    engine.ImpExFormat.HeaderLines = QByteArray(reinterpret_cast<const char *>(data), HeaderBytes);
    for (size_t k = 1; k <= MappingBytes; ++k)
        engine.ImpExFormat.ImportFields[k] = ColumnOf(data[HeaderBytes + k - 1]);

    int saved = 0;
    try {
        ItemManagerParams params;
        for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params)) {
            FUZZ_TRACE("offered [%s]\n",
                       qPrintable(QString::fromLatin1(win1252::FromUnicode(params.ItemName).toHex())));
            Require(!TrimBlankChars(params.ItemName).isEmpty(), "the engine offered a record without a name");
            Require(!table.DupeNameExists(params.ItemName), "the engine offered a record whose name an entry bears");
            for (const EntryTextField &field : EntryTextFields)
                Require(FirstUnkeptChar(params.*field.Member, field.Member == &ItemManagerParams::ItemDescr) < 0,
                        "the engine offered a character that an entry field does not keep");
            ItemManagerParams output = params;
            output.NewItem = true;
            const int key = items.AddItem(QStringLiteral("New Web entry"));
            Require(key != NoKey, "no key for an imported record");
            Require(items.SaveWebItem(key, output), "an imported record was not saved");
            ++saved;
            engine.ImportCSVUserAction(ImportUserAction::Accepted);
        }
    } catch (const TextFileError &) {
        // A file that cannot be read is reported to the user; nothing to check.
    }
    Require(!engine.IsOpen(), "the import is still open at its end");
    Require(table.GetItemsUsed() == saved, "the entry table does not hold every saved record");
    return 0;
}
