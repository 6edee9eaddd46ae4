#include "common/TextFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace
{

class TextFilesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char *name) const { return dir.filePath(name); }

    void WriteRaw(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QList<QByteArray> ReadAllLines(const QString &path)
    {
        TextFile f;
        QList<QByteArray> lines;
        OpenTextForRead(f, path);
        while (!AtEndOfText(f)) {
            QByteArray line;
            EXPECT_TRUE(ReadTextLine(f, line));
            lines.append(line);
        }
        EXPECT_TRUE(CloseText(f));
        return lines;
    }
};

TEST_F(TextFilesTest, WrittenLinesEndWithCRLFAndReadBack)
{
    TextFile f;
    EXPECT_TRUE(OpenTextForWrite(f, Path("out.csv")));
    EXPECT_TRUE(WriteTextLine(f, "first,line"));
    EXPECT_TRUE(WriteTextLine(f, ""));
    EXPECT_TRUE(WriteTextLine(f, "caf\xE9"));
    EXPECT_TRUE(CloseText(f));

    QFile raw(Path("out.csv"));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.readAll(), QByteArray("first,line\r\n\r\ncaf\xE9\r\n"));
    EXPECT_EQ(ReadAllLines(Path("out.csv")), (QList<QByteArray>{"first,line", "", "caf\xE9"}));

    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(Path("out.csv")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(TextFilesTest, ReadingCopesWithLineEndsNulBytesAndLongLines)
{
    QByteArray longLine(3 * 1024 * 1024, 'x');
    WriteRaw(Path("in.txt"), QByteArray("unix\nwin\r\nlone\rcr\n") + QByteArray("nul\0inside\n", 11) + longLine);
    QList<QByteArray> lines = ReadAllLines(Path("in.txt"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "unix");
    EXPECT_EQ(lines[1], "win");
    EXPECT_EQ(lines[2], "lone\rcr");
    EXPECT_EQ(lines[3], QByteArray("nul\0inside", 10));
    EXPECT_EQ(lines[4], longLine);

    TextFile f;
    OpenTextForRead(f, Path("in.txt"));
    QByteArray line = "stale";
    for (int i = 0; i < 6; ++i)
        ReadTextLine(f, line);
    EXPECT_TRUE(line.isEmpty()); // past the end: an empty line
    CloseText(f);
}

TEST_F(TextFilesTest, FailuresCarryTheSystemsReason)
{
    struct Case {
        std::function<void(TextFile &)> operation;
        int code;
    } cases[] = {
        {[&](TextFile &f) { OpenTextForRead(f, Path("missing.csv")); }, ENOENT},
        {[&](TextFile &f) { OpenTextForWrite(f, Path("no/such/folder/x.csv")); }, ENOENT},
        {[&](TextFile &f) { OpenTextForWrite(f, dir.path()); }, EISDIR},
        {[](TextFile &f) { CloseText(f); }, EBADF},
        {[](TextFile &f) {
             QByteArray line;
             ReadTextLine(f, line);
         },
         EBADF},
        {[](TextFile &f) { WriteTextLine(f, "x"); }, EBADF},
    };
    for (const Case &c : cases) {
        TextFile f;
        try {
            c.operation(f);
            ADD_FAILURE() << "no error for code " << c.code;
        } catch (const TextFileError &e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_TRUE(e.Message().contains(QString::fromLocal8Bit(std::strerror(c.code))))
                << e.Message().toStdString();
        }
    }
    try {
        TextFile f;
        OpenTextForRead(f, Path("missing.csv"));
    } catch (const TextFileError &e) {
        EXPECT_TRUE(e.Message().contains("missing.csv")) << e.Message().toStdString(); // says which file
    }
}

TEST_F(TextFilesTest, AFileOpenForWritingCannotBeRead)
{
    TextFile f;
    OpenTextForWrite(f, Path("w.txt"));
    QByteArray line;
    EXPECT_THROW(ReadTextLine(f, line), TextFileError);
    EXPECT_THROW(AtEndOfText(f), TextFileError);
    EXPECT_TRUE(CloseText(f));
    EXPECT_THROW(CloseText(f), TextFileError); // closed twice
}

} // namespace
