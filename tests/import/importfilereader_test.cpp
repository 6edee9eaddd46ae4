#include "common/TextFiles.h"
#include "common/Win1252.h"
#include "import/ImportFileReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class ImportFileReaderTest : public ::testing::Test
{
protected:
    QString Write(const QByteArray &bytes)
    {
        QString name = dir_.filePath(QStringLiteral("in.csv"));
        QFile f(name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return name;
    }

    QList<QByteArray> ReadAll(const QString &name, ImportFileEncoding *encoding = nullptr)
    {
        TImportFileReader reader;
        reader.Open(name);
        if (encoding)
            *encoding = reader.Encoding();
        QList<QByteArray> lines;
        QByteArray line;
        while (!reader.AtEnd()) {
            reader.ReadLine(line);
            lines.append(line);
        }
        reader.ReadLine(line);
        EXPECT_TRUE(line.isEmpty()) << "a read at the end of the file gives an empty line";
        return lines;
    }

    QList<QByteArray> ReadFixture(const char *fixture, ImportFileEncoding *encoding = nullptr)
    {
        return ReadAll(QStringLiteral(LOCKVEX_TEST_DATA "/") + QLatin1String(fixture), encoding);
    }

    QTemporaryDir dir_;
};

QByteArray Cp1252(const QString &text)
{
    return win1252::FromUnicode(text);
}

TEST_F(ImportFileReaderTest, EveryKindOfLineEndEndsALine)
{
    EXPECT_EQ(ReadFixture("import-line-ends.csv"),
              (QList<QByteArray>{"One,1", "Two,2", "Three,3", "Four,\"four", "a\"", "Five,5"}));
    // blank lines stay lines of their own, whatever ends them
    EXPECT_EQ(ReadAll(Write("a\r\n\r\nb\n\nc\r\rd\r")), (QList<QByteArray>{"a", "", "b", "", "c", "", "d"}));
    EXPECT_EQ(ReadAll(Write("")), QList<QByteArray>{});
    EXPECT_EQ(ReadAll(Write("\r\n")), QList<QByteArray>{""});
}

TEST_F(ImportFileReaderTest, ConvertsUnicodeFilesToWindows1252)
{
    // Two data lines as Windows-1252 can hold them: the Japanese name and the key symbol
    // outside the basic plane become UnmappableByte, one for each character.
    const QList<QByteArray> expected{"Name,Notes", Cp1252(QStringLiteral("Caf\u00e9 \u20ac,na\u00efve")),
                                     "\x7f\x7f,\x7f key"};
    struct Case {
        const char *fixture;
        ImportFileEncoding encoding;
    };
    const Case cases[] = {
        {"import-utf8-bom.csv", ImportFileEncoding::Utf8},
        {"import-utf8.csv", ImportFileEncoding::Utf8},
        {"import-utf16le.csv", ImportFileEncoding::Utf16LE},
        {"import-utf16be.csv", ImportFileEncoding::Utf16BE},
    };
    for (const Case &c : cases) {
        ImportFileEncoding found{};
        EXPECT_EQ(ReadFixture(c.fixture, &found), expected) << c.fixture;
        EXPECT_EQ(found, c.encoding) << c.fixture;
    }
    ImportFileEncoding found{};
    EXPECT_EQ(ReadFixture("import-cp1252.csv", &found), expected.mid(0, 2));
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
}

// A file is UTF-8 when more of its lines with other than ASCII are valid UTF-8 than not; a tie
// is Windows-1252.
TEST_F(ImportFileReaderTest, TakesMostlyValidUtf8AsUtf8)
{
    ImportFileEncoding found{};
    // plain ASCII reads the same either way
    ReadAll(Write("a,b\r\n"), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
    // one valid UTF-8 line, then a Windows-1252 line far beyond the first chunk
    QByteArray mixed = QByteArray("Caf\xc3\xa9\r\n") + QByteArray(200000, 'x') + "\r\nna\xefve";
    QList<QByteArray> lines = ReadAll(Write(mixed), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QByteArray("Caf\xc3\xa9"));
    EXPECT_EQ(lines[2], QByteArray("na\xefve"));
    // an overlong form and an encoded surrogate are not UTF-8
    ReadAll(Write("a\xc0\xaf"), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
    ReadAll(Write("a\xed\xa0\x80"), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
    // a sequence cut off by the end of the file
    ReadAll(Write("Caf\xc3\xa9,\xe2\x82"), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
    // Windows-1252 text where one line happens to read as UTF-8 ("Ã©" is C3 A9)
    ReadAll(Write("\xc3\xa9t\xe9\r\nna\xefve\r\ncaf\xe9\r\n"), &found);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
}

// A UTF-8 file with a few lines in Windows-1252 (pasted in from elsewhere) is read as UTF-8, each
// of those lines as Windows-1252, and the reader says which lines those were.
TEST_F(ImportFileReaderTest, ReadsTheFewLinesThatAreNotUtf8AsWindows1252)
{
    const QByteArray utf8Line = "p\xc3\xa9"
                                "1,caf\xc3\xa9";
    const QByteArray cp1252Line = "Z\xfcrich,na\xefve";
    QByteArray far(100000, 'x'); // puts the second bad line beyond the first chunk
    const QByteArray text = "Name,Notes\r\n" + utf8Line + "\r\n" + cp1252Line + "\r\n" + utf8Line + "\n" + utf8Line +
                            "\r" + far + "\r\n" + utf8Line + "\r\n" + cp1252Line;
    TImportFileReader reader;
    reader.Open(Write(text));
    EXPECT_EQ(reader.Encoding(), ImportFileEncoding::Utf8);
    QList<QByteArray> lines;
    QList<int> flagged;
    QByteArray line;
    while (!reader.AtEnd()) {
        reader.ReadLine(line);
        if (reader.LineNotUtf8())
            flagged.append(lines.size());
        lines.append(line);
    }
    const QByteArray read = Cp1252(QStringLiteral("p\u00e91,caf\u00e9"));
    EXPECT_EQ(lines, (QList<QByteArray>{"Name,Notes", read, cp1252Line, read, read, far, read, cp1252Line}));
    EXPECT_EQ(flagged, (QList<int>{2, 7}));

    // in such a file, a character of a UTF-8 line that the code page cannot hold is marked as in
    // a file that is UTF-8 throughout, so the import can tell it from a "?" of the file's own
    TImportFileReader mixed;
    mixed.Open(Write("p\xc3\xa9,\xce\xa9?\r\ncaf\xc3\xa9,a\r\nZ\xfcrich,y\r\n"));
    ASSERT_EQ(mixed.Encoding(), ImportFileEncoding::Utf8);
    mixed.ReadLine(line);
    EXPECT_EQ(line, QByteArray("p\xe9,\x7f?"));
}

// UTF-16 without a byte-order mark shows itself by the zero bytes of its ASCII characters.
TEST_F(ImportFileReaderTest, RecognisesUtf16WithoutAByteOrderMark)
{
    const QString text =
        QStringLiteral("Name,Notes\r\nCaf\u00e9 \u20ac,na\u00efve\r\n\u043f\u0430\u0440\u043e\u043b\u044c,"
                       "\u0441\u043b\u043e\u0432\u043e\r\n");
    const QList<QByteArray> expected{"Name,Notes", Cp1252(QStringLiteral("Caf\u00e9 \u20ac,na\u00efve")),
                                     "\x7f\x7f\x7f\x7f\x7f\x7f,\x7f\x7f\x7f\x7f\x7f"};
    for (auto [converter, encoding] : {std::pair{QStringConverter::Utf16LE, ImportFileEncoding::Utf16LE},
                                       std::pair{QStringConverter::Utf16BE, ImportFileEncoding::Utf16BE}}) {
        QStringEncoder encoder(converter);
        ImportFileEncoding found{};
        EXPECT_EQ(ReadAll(Write(encoder.encode(text)), &found), expected) << converter;
        EXPECT_EQ(found, encoding) << converter;
    }
    // a stray zero byte does not make a Windows-1252 file UTF-16
    ImportFileEncoding found{};
    EXPECT_EQ(ReadAll(Write(QByteArray("Name,Notes\r\nCaf\xe9,a\0b\r\nShop,x\r\n", 29)), &found).size(), 3);
    EXPECT_EQ(found, ImportFileEncoding::Windows1252);
}

TEST_F(ImportFileReaderTest, UnicodeSurvivesChunkBoundaries)
{
    // Multi-byte characters and CR LF pairs straddle the reader's 64 KiB chunks somewhere.
    QString line = QStringLiteral("\u00e9\u20ac\U0001F511x");
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += line + (i % 3 == 0 ? QStringLiteral("\r\n") : i % 3 == 1 ? QStringLiteral("\n") : QStringLiteral("\r"));
    const QByteArray expectedLine("\xe9\x80\x7fx");

    for (auto encoding : {QStringConverter::Utf8, QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        QList<QByteArray> lines = ReadAll(Write(encoder.encode(text)));
        ASSERT_EQ(lines.size(), 20000) << encoding;
        EXPECT_EQ(lines.count(expectedLine), 20000) << encoding;
    }
}

TEST_F(ImportFileReaderTest, OddUtf16FilesDoNotBreakTheReader)
{
    // a cut-off last code unit and a lone surrogate
    QByteArray bytes("\xff\xfe"
                     "a\0,\0\x00\xd8,\0b\0",
                     12);
    bytes.append('\x41');
    QList<QByteArray> lines = ReadAll(Write(bytes));
    EXPECT_EQ(lines, QList<QByteArray>{"a,\x7f,b"});
}

TEST_F(ImportFileReaderTest, ReportsAFileThatCannotBeOpenedWithTheReason)
{
    TImportFileReader reader;
    try {
        reader.Open(dir_.filePath(QStringLiteral("missing.csv")));
        FAIL() << "opened a missing file";
    } catch (const TextFileError &e) {
        EXPECT_EQ(e.Code(), ENOENT);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("missing.csv")));
    }
    EXPECT_FALSE(reader.IsOpen());
    // a folder opens but cannot be read
    try {
        reader.Open(dir_.path());
        FAIL() << "read a folder";
    } catch (const TextFileError &e) {
        EXPECT_EQ(e.Code(), EISDIR);
    }
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_TRUE(reader.AtEnd());
}

} // namespace
