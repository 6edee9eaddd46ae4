// docs/file-format.md is meant to let another program read the data file. The reader below is
// written from that document alone (offsets, the cipher constant, the log rules): it includes
// nothing of the store. The tests have the store's code write records and check that the
// reader gets every byte and every field back.

#include "store/Lockvextypes.h"
#include "store/RecDALockvex.h"
#include "support/FileFormatReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace docreader
{

// Section 6, writing one field.
std::string LogField(std::string v)
{
    auto blank = [](char c) { return uint8_t(c) <= 32; };
    while (!v.empty() && blank(v.back()))
        v.pop_back();
    while (!v.empty() && blank(v.front()))
        v.erase(0, 1);
    std::string oneLine;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n') {
            oneLine += ';';
            ++i;
        } else if (v[i] == '\r' || v[i] == '\n') {
            oneLine += ';';
        } else {
            oneLine += v[i] == '\0' ? '?' : v[i];
        }
    }
    std::string doubled;
    bool enclose = false;
    for (char c : oneLine) {
        if (c == '"')
            doubled += '"';
        doubled += c;
        enclose = enclose || c == '"' || c == ',' || c == ';';
    }
    return enclose ? '"' + doubled + '"' : doubled;
}

std::string LogLine(const Entry &e)
{
    std::string notes; // stored ";" are line breaks; the field makes them ";" again
    for (char c : e.notes)
        notes += c == ';' ? std::string("\r\n") : std::string(1, c);
    const std::string columns[21] = {
        e.name,
        e.nameTag,
        std::to_string(e.key),
        std::to_string(e.alternateKey),
        std::to_string(e.creationDate),
        "",
        e.url,
        e.custId,
        e.pin,
        e.password,
        e.question[0],
        e.memData[0],
        e.question[1],
        e.memData[1],
        e.question[2],
        e.memData[2],
        e.question[3],
        e.memData[3],
        e.entryPassword ? "Yes" : "No",
        notes,
        e.autoPwCopy ? "Yes" : "No",
    };
    std::string line;
    for (const std::string &c : columns)
        line += LogField(c) + ',';
    return line;
}

} // namespace docreader

namespace
{

using docreader::Bytes;
using docreader::State;

// An entry with a value in every field, text beyond ASCII included.
void FillEntry(TLockvexRec &rec, int key)
{
    rec.SetName(QString::fromUtf8("Café € Bank, \"main\""));
    rec.SetNameTag("tag");
    rec.SetKey(key);
    rec.SetAlternateKey(-1);
    rec.SetCreationDate(46000);
    rec.SetURL("https://bank.example/login?a=1;b=2");
    rec.SetCustID("alice");
    rec.SetPIN("1234");
    rec.SetPassword(QString::fromUtf8("pä;ss\"w,rd"));
    rec.SetQuestion1("First pet?");
    rec.SetMemData1("Rex");
    rec.SetQuestion2("Town?");
    rec.SetMemData2(QString::fromUtf8("Zürich"));
    rec.SetQuestion3("Q3");
    rec.SetMemData3("M3");
    rec.SetQuestion4("Q4");
    rec.SetMemData4("M4");
    rec.SetAccountNotes("line one\r\nline two");
    rec.SetEntryPassword(true);
    rec.SetLoginDateTime(46090.604);
    rec.SetAutoPWCopy(true);
}

// What a record write puts into a slot: UserID 0, FilingDate the filing day (0 = in clear),
// enciphered when the day is not 0.
Bytes SlotBytes(TLockvexRec &rec, int32_t filingDay)
{
    rec.SetUserID(0);
    rec.LockvexData.RecHdr.FilingDate = filingDay;
    Bytes clear(LockvexRecSize);
    rec.Store(clear.data());
    if (filingDay == 0)
        return clear;
    Bytes stored(LockvexRecSize);
    EncipherRecord(clear.data(), stored.data(), LockvexRecSize);
    return stored;
}

Bytes MemoryBytes(const TLockvexRec &rec)
{
    Bytes b(LockvexRecSize);
    rec.Store(b.data());
    return b;
}

TEST(FileFormatDocument, AReaderWrittenFromItDecodesWhatTheStoreWrote)
{
    TLockvexRec live, deleted, clear;
    FillEntry(live, 7);
    FillEntry(deleted, 8);
    deleted.SetDeleted();
    deleted.SetDisposeDate(46080);
    FillEntry(clear, 9);
    clear.SetPassword("in clear");

    Bytes file(LockvexRecSize, 0); // slot 0: blank
    for (TLockvexRec *rec : {&live, &deleted})
        for (uint8_t b : SlotBytes(*rec, 46090))
            file.push_back(b);
    for (uint8_t b : SlotBytes(clear, 0))
        file.push_back(b);
    file.insert(file.end(), 20, 0x77); // a partial record that must not count

    // Through a real file, as another program would read it.
    QTemporaryDir dir;
    const QString path = dir.path() + "/TrelLockvex.acsdb";
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char *>(file.data()), qint64(file.size()));
    out.close();
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray read = in.readAll();
    const Bytes onDisk(read.begin(), read.end());

    const std::vector<Bytes> records = docreader::ReadSlots(onDisk);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], Bytes(LockvexRecSize, 0));
    EXPECT_EQ(records[1], MemoryBytes(live)) << "deciphered byte for byte";
    EXPECT_EQ(records[2], MemoryBytes(deleted));
    EXPECT_EQ(records[3], MemoryBytes(clear));
    EXPECT_NE(Bytes(onDisk.begin() + LockvexRecSize, onDisk.begin() + 2 * LockvexRecSize), records[1])
        << "the live record is enciphered on disk";

    EXPECT_EQ(docreader::Decode(records[0].data()).state, State::Blank);
    EXPECT_EQ(docreader::Decode(records[2].data()).state, State::Deleted);
    EXPECT_EQ(docreader::Decode(records[2].data()).disposeDate, 46080.0);
    EXPECT_EQ(docreader::Decode(records[3].data()).password, "in clear");
    EXPECT_EQ(docreader::Decode(records[3].data()).filingDate, 0);

    const docreader::Entry e = docreader::Decode(records[1].data());
    EXPECT_EQ(e.state, State::Live);
    EXPECT_EQ(e.filingDate, 46090);
    EXPECT_EQ(e.majorVersion, 9);
    EXPECT_EQ(e.minorVersion, 0);
    EXPECT_EQ(e.userId, 0);
    EXPECT_EQ(e.name, "Caf\xE9 \x80 Bank, \"main\""); // Windows-1252
    EXPECT_EQ(e.nameTag, "tag");
    EXPECT_EQ(e.key, 7);
    EXPECT_EQ(e.alternateKey, -1);
    EXPECT_EQ(e.creationDate, 46000);
    EXPECT_EQ(e.url, "https://bank.example/login?a=1;b=2");
    EXPECT_EQ(e.custId, "alice");
    EXPECT_EQ(e.pin, "1234");
    EXPECT_EQ(e.password, "p\xE4;ss\"w,rd");
    EXPECT_EQ(e.question[0], "First pet?");
    EXPECT_EQ(e.memData[1], "Z\xFCrich");
    EXPECT_EQ(e.question[3], "Q4");
    EXPECT_EQ(e.memData[3], "M4");
    EXPECT_EQ(e.notes, "line one;line two");
    EXPECT_TRUE(e.entryPassword);
    EXPECT_EQ(e.loginDateTime, 46090.604);
    EXPECT_TRUE(e.autoPwCopy);
}

TEST(FileFormatDocument, WorkedCipherExampleMatchesTheCode)
{
    TLockvexRec fresh;
    const Bytes stored = SlotBytes(fresh, 46090);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 8), (Bytes{0x0A, 0xB4, 0x00, 0x00, 0xCF, 0x01, 0x00, 0x00}));
}

TEST(FileFormatDocument, LogLineRulesMatchTheCode)
{
    TLockvexRec rec;
    FillEntry(rec, 7);
    rec.SetQuestion3(QString(30, QLatin1Char(';'))); // enough semicolons to outnumber the commas
    rec.SetMemData3("  spaced  ");
    rec.SetPIN(QString("a") + QChar(0) + "b");
    const docreader::Entry e = docreader::Decode(MemoryBytes(rec).data());
    const QByteArray line = LockvexLogLine(rec.LockvexData);
    EXPECT_EQ(line.toStdString(), docreader::LogLine(e));
}

} // namespace
