#pragma once
// The import file as lines of Windows-1252 text. Spreadsheets and password tools write CSV in
// Windows-1252, in UTF-8 (with or without a byte-order mark) or in UTF-16 (with a byte-order
// mark, or without one, when the zero bytes of its ASCII characters show it); the reader finds
// out which when the file opens and hands every line over in Windows-1252, a character the code
// page cannot hold becoming UnmappableByte. A byte-order mark is never part of the first line. CR LF, LF
// and a lone CR all end a line.
//
// A file that is UTF-8 but for a few lines (text pasted in from a Windows-1252 file) is read as
// UTF-8, and each line that is not valid UTF-8 as the Windows-1252 it most likely is; the reader
// tells which lines those were (LineNotUtf8).

#include "common/TextFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <deque>
#include <optional>

// What a character the code page cannot hold becomes: DEL, a control character that no entry
// field keeps, so that the import can tell it from a "?" the file itself holds.
inline constexpr char UnmappableByte = '\x7f';

enum class ImportFileEncoding : uint8_t { Windows1252, Utf8, Utf16LE, Utf16BE };

class TImportFileReader
{
public:
    TImportFileReader() = default;
    ~TImportFileReader();
    TImportFileReader(const TImportFileReader &) = delete;
    TImportFileReader &operator=(const TImportFileReader &) = delete;

    // Opens the file and finds its encoding. Throws TextFileError with the operating system's
    // reason when the file cannot be opened or read; the reader is then closed.
    void Open(const QString &name);
    // Releases the file. Closing a file that was only read loses nothing, so it never fails.
    void Close();
    bool IsOpen() const { return file_.Handle != nullptr; }
    ImportFileEncoding Encoding() const { return encoding_; }

    // The next line without its line end; empty at the end of the file. Throws TextFileError
    // when the file cannot be read.
    void ReadLine(QByteArray &line);
    // True when no line is left to read.
    bool AtEnd();
    // True when the line last read is not valid UTF-8 in a file read as UTF-8, and was read as
    // Windows-1252.
    bool LineNotUtf8() const { return lineNotUtf8_; }

    // How much of the file the lines handed over so far took (for a file converted from UTF-8
    // or UTF-16, what was read ahead counts too), and the file's size, in bytes: the import's
    // progress.
    qint64 BytesRead() const;
    qint64 FileSize() const { return fileSize_; }

private:
    void DetectEncoding();
    bool MostLinesUtf8();
    bool Fill();
    void SkipLineFeedAfterCR();
    void AppendDecoded(const char *bytes, qsizetype count, bool last);
    void AppendLinesOfMixedFile(const char *bytes, qsizetype count, bool last);
    void AppendMixedLine(const char *bytes, qsizetype count);
    [[noreturn]] void FailRead(int code) const;

    TextFile file_;
    ImportFileEncoding encoding_ = ImportFileEncoding::Windows1252;
    std::optional<QStringDecoder> decoder_;
    QString heldSurrogate_;  // a high surrogate at the end of a chunk waits for its partner
    QByteArray buffer_;      // Windows-1252 text read ahead
    qsizetype pos_ = 0;      // next unread byte of buffer_
    bool endOfFile_ = false; // the file has been read to its end
    bool skipLF_ = false;    // the last line ended with CR: a LF straight after it belongs to it
    qint64 fileSize_ = 0;
    // A UTF-8 file with lines that are not: it is converted a line at a time. Bytes read but not
    // yet converted (the start of a line), where the lines read as Windows-1252 begin (counted
    // from the first byte ever put into buffer_), and how many bytes buffer_ has dropped.
    bool mixed_ = false;
    QByteArray unconverted_;
    std::deque<qint64> notUtf8Lines_;
    qint64 dropped_ = 0;
    bool lineNotUtf8_ = false;
};
