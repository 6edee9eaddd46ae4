#include "import/ImportFileReader.h"

#include "common/Win1252.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include <sys/stat.h>

namespace
{

constexpr qsizetype ChunkSize = 64 * 1024;

// How many of the bytes, counted in steps of eight, are plain ASCII.
[[gnu::noinline]] size_t AsciiRun(const unsigned char *bytes, size_t count)
{
    size_t i = 0;
    uint64_t word;
    while (i + sizeof word <= count) {
        std::memcpy(&word, bytes + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            break;
        i += sizeof word;
    }
    return i;
}

// Strict UTF-8 check that can be fed a file chunk by chunk: no overlong forms, no surrogates,
// nothing above U+10FFFF, no sequence cut off at the end.
class Utf8Check
{
public:
    void Feed(const unsigned char *bytes, size_t count)
    {
        size_t i = 0;
        while (i < count && valid_) {
            // Plain ASCII, most of a CSV file, is passed over eight bytes at a time.
            if (need_ == 0) {
                i += AsciiRun(bytes + i, count - i);
                if (i >= count)
                    break;
            }
            Take(bytes[i++]);
        }
    }
    bool Failed() const { return !valid_; }
    bool Valid() const { return valid_ && need_ == 0; }
    bool SawMultiByte() const { return multiByte_; }

private:
    void Take(unsigned char b)
    {
        if (need_ > 0) {
            if (b < lo_ || b > hi_) {
                valid_ = false;
                return;
            }
            lo_ = 0x80;
            hi_ = 0xBF;
            --need_;
            return;
        }
        if (b < 0x80)
            return;
        multiByte_ = true;
        lo_ = 0x80;
        hi_ = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            need_ = 1;
        else if (b == 0xE0)
            need_ = 2, lo_ = 0xA0;
        else if (b == 0xED)
            need_ = 2, hi_ = 0x9F;
        else if (b >= 0xE1 && b <= 0xEF)
            need_ = 2;
        else if (b == 0xF0)
            need_ = 3, lo_ = 0x90;
        else if (b >= 0xF1 && b <= 0xF3)
            need_ = 3;
        else if (b == 0xF4)
            need_ = 3, hi_ = 0x8F;
        else
            valid_ = false;
    }

    int need_ = 0;
    unsigned char lo_ = 0x80, hi_ = 0xBF;
    bool valid_ = true;
    bool multiByte_ = false;
};

// UTF-16 without a byte-order mark: text files in 8-bit encodings hold no zero bytes, while in
// UTF-16 every ASCII character (digits, separators, line ends, the letters of web addresses)
// has one, always in the same half of its code unit. Nothing when the zero bytes of the start
// of the file show no such pattern.
std::optional<ImportFileEncoding> Utf16ByZeroBytes(const unsigned char *bytes, size_t count)
{
    const size_t units = count / 2;
    size_t evenZeros = 0, oddZeros = 0;
    for (size_t i = 0; i < units; ++i) {
        evenZeros += bytes[2 * i] == 0;
        oddZeros += bytes[2 * i + 1] == 0;
    }
    // One half holds most zero bytes, in at least an eighth of the code units (and in more than
    // one: a stray zero byte makes no file UTF-16).
    const size_t enough = std::max<size_t>(2, units / 8);
    if (oddZeros >= enough && evenZeros * 8 <= oddZeros)
        return ImportFileEncoding::Utf16LE;
    if (evenZeros >= enough && oddZeros * 8 <= evenZeros)
        return ImportFileEncoding::Utf16BE;
    return std::nullopt;
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

QString ReasonText(int code, const QString &name)
{
    QString reason = QString::fromLocal8Bit(std::strerror(code));
    return name.isEmpty() ? reason : reason + QStringLiteral(": ") + name;
}

} // namespace

TImportFileReader::~TImportFileReader()
{
    Close();
}

void TImportFileReader::Open(const QString &name)
{
    Close();
    OpenTextForRead(file_, name);
    try {
        struct stat info;
        fileSize_ = ::fstat(::fileno(file_.Handle), &info) == 0 ? info.st_size : 0;
        DetectEncoding();
    } catch (...) {
        Close();
        throw;
    }
}

void TImportFileReader::Close()
{
    if (file_.Handle) {
        try {
            CloseText(file_);
        } catch (const TextFileError &) {
            // The file was only read: nothing is lost when its close fails.
        }
    }
    decoder_.reset();
    heldSurrogate_.clear();
    buffer_.clear();
    pos_ = 0;
    endOfFile_ = false;
    skipLF_ = false;
    encoding_ = ImportFileEncoding::Windows1252;
    fileSize_ = 0;
    mixed_ = false;
    unconverted_.clear();
    notUtf8Lines_.clear();
    dropped_ = 0;
    lineNotUtf8_ = false;
}

qint64 TImportFileReader::BytesRead() const
{
    if (!IsOpen())
        return 0;
    const long at = std::ftell(file_.Handle);
    if (at < 0)
        return 0;
    // Windows-1252 lines are the file's own bytes: what waits in the buffer is not read yet.
    return decoder_ || mixed_ ? at : at - (buffer_.size() - pos_);
}

void TImportFileReader::FailRead(int code) const
{
    throw TextFileError(code ? code : EIO, ReasonText(code ? code : EIO, file_.Name));
}

// A byte-order mark decides at once; so do the zero bytes of UTF-16 without one. Else the whole
// file is checked: bytes that are valid UTF-8 and hold at least one multi-byte sequence are
// UTF-8; anything else (plain ASCII included, which reads the same either way) is Windows-1252,
// unless more of its lines with other than ASCII are UTF-8 than not (MostLinesUtf8).
void TImportFileReader::DetectEncoding()
{
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    auto *bytes = reinterpret_cast<const unsigned char *>(chunk.constData());
    size_t got = std::fread(chunk.data(), 1, ChunkSize, file_.Handle);
    if (got < ChunkSize && std::ferror(file_.Handle))
        FailRead(errno);

    long bomLength = 0;
    if (got >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        encoding_ = ImportFileEncoding::Utf8;
        bomLength = 3;
    } else if (got >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding_ = ImportFileEncoding::Utf16LE;
        bomLength = 2;
    } else if (got >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        encoding_ = ImportFileEncoding::Utf16BE;
        bomLength = 2;
    } else if (const auto utf16 = Utf16ByZeroBytes(bytes, got)) {
        encoding_ = *utf16;
    } else {
        Utf8Check check;
        check.Feed(bytes, got);
        while (!check.Failed() && got == ChunkSize) {
            got = std::fread(chunk.data(), 1, ChunkSize, file_.Handle);
            if (got < ChunkSize && std::ferror(file_.Handle))
                FailRead(errno);
            check.Feed(bytes, got);
        }
        if (check.Valid() && check.SawMultiByte())
            encoding_ = ImportFileEncoding::Utf8;
        else if (!check.Valid() && MostLinesUtf8())
            encoding_ = ImportFileEncoding::Utf8, mixed_ = true;
        else
            encoding_ = ImportFileEncoding::Windows1252;
    }

    if (std::fseek(file_.Handle, bomLength, SEEK_SET) != 0)
        FailRead(errno);
    switch (encoding_) {
    case ImportFileEncoding::Utf8:
        if (!mixed_)
            decoder_.emplace(QStringConverter::Utf8);
        break;
    case ImportFileEncoding::Utf16LE:
        decoder_.emplace(QStringConverter::Utf16LE);
        break;
    case ImportFileEncoding::Utf16BE:
        decoder_.emplace(QStringConverter::Utf16BE);
        break;
    case ImportFileEncoding::Windows1252:
        break;
    }
}

// A file that is not valid UTF-8 as a whole, read again a line at a time: true when more of its
// lines that hold other than ASCII are valid UTF-8 than not. Windows-1252 text rarely reads as
// UTF-8 (an accented letter would have to be followed by one of the code page's symbols), so a
// file whose accented lines are mostly UTF-8 is UTF-8 with a few lines from elsewhere.
bool TImportFileReader::MostLinesUtf8()
{
    if (std::fseek(file_.Handle, 0, SEEK_SET) != 0)
        FailRead(errno);
    int utf8Lines = 0, otherLines = 0;
    QByteArray line; // a line that runs on into the next chunk
    auto classify = [&](const char *bytes, qsizetype count) {
        Utf8Check check;
        check.Feed(reinterpret_cast<const unsigned char *>(bytes), static_cast<size_t>(count));
        if (!check.Valid())
            ++otherLines;
        else if (check.SawMultiByte())
            ++utf8Lines;
    };
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, ChunkSize, file_.Handle);
        if (got == 0) {
            if (std::ferror(file_.Handle))
                FailRead(errno);
            break;
        }
        const char *data = chunk.constData();
        const char *const end = data + got;
        for (const char *start = data;;) {
            const char *lineEnd = std::find_if(start, end, IsLineEnd);
            if (lineEnd == end) {
                line.append(start, end - start);
                break;
            }
            if (line.isEmpty()) {
                classify(start, lineEnd - start);
            } else {
                line.append(start, lineEnd - start);
                classify(line.constData(), line.size());
                line.clear();
            }
            start = lineEnd + 1;
        }
    }
    classify(line.constData(), line.size());
    return utf8Lines > otherLines;
}

void TImportFileReader::AppendDecoded(const char *bytes, qsizetype count, bool last)
{
    if (mixed_) {
        AppendLinesOfMixedFile(bytes, count, last);
        return;
    }
    if (!decoder_) {
        buffer_.append(bytes, count);
        return;
    }
    QString text = heldSurrogate_ + decoder_->decode(QByteArrayView(bytes, count));
    heldSurrogate_.clear();
    if (!last && !text.isEmpty() && text.back().isHighSurrogate()) {
        heldSurrogate_ = text.back();
        text.chop(1);
    }
    buffer_.append(win1252::FromUnicode(text, UnmappableByte));
}

// Converts the whole lines among the bytes, keeping the start of a line that goes on in the next
// chunk; line ends are the same bytes in either encoding.
void TImportFileReader::AppendLinesOfMixedFile(const char *bytes, qsizetype count, bool last)
{
    unconverted_.append(bytes, count);
    const char *data = unconverted_.constData();
    const char *const end = data + unconverted_.size();
    const char *start = data;
    for (const char *lineEnd; (lineEnd = std::find_if(start, end, IsLineEnd)) != end; start = lineEnd + 1) {
        AppendMixedLine(start, lineEnd - start);
        buffer_.append(*lineEnd);
    }
    if (last) {
        AppendMixedLine(start, end - start);
        start = end;
    }
    unconverted_.remove(0, start - data);
}

void TImportFileReader::AppendMixedLine(const char *bytes, qsizetype count)
{
    Utf8Check check;
    check.Feed(reinterpret_cast<const unsigned char *>(bytes), static_cast<size_t>(count));
    if (check.Valid()) {
        buffer_.append(win1252::FromUnicode(QString::fromUtf8(bytes, count), UnmappableByte));
    } else {
        notUtf8Lines_.push_back(dropped_ + buffer_.size());
        buffer_.append(bytes, count);
    }
}

// Reads the next chunk behind what is left of the buffer. False when the file has nothing more.
bool TImportFileReader::Fill()
{
    if (endOfFile_)
        return false;
    buffer_.remove(0, pos_);
    dropped_ += pos_;
    pos_ = 0;
    char chunk[ChunkSize];
    size_t n = std::fread(chunk, 1, sizeof chunk, file_.Handle);
    if (n == 0) {
        if (std::ferror(file_.Handle))
            FailRead(errno);
        endOfFile_ = true;
        qsizetype before = buffer_.size();
        AppendDecoded(chunk, 0, true);
        return buffer_.size() > before;
    }
    AppendDecoded(chunk, static_cast<qsizetype>(n), false);
    return true;
}

void TImportFileReader::SkipLineFeedAfterCR()
{
    if (!skipLF_)
        return;
    while (pos_ >= buffer_.size())
        if (!Fill())
            break;
    if (pos_ < buffer_.size() && buffer_[pos_] == '\n')
        ++pos_;
    skipLF_ = false;
}

void TImportFileReader::ReadLine(QByteArray &line)
{
    line.resize(0); // keeps the room of the line before, which most lines fit in
    if (!IsOpen())
        FailRead(EBADF);
    SkipLineFeedAfterCR();
    const qint64 start = dropped_ + pos_;
    for (;;) {
        const char *data = buffer_.constData();
        qsizetype end = buffer_.size();
        const void *cr = std::memchr(data + pos_, '\r', end - pos_);
        const qsizetype limit = cr ? static_cast<const char *>(cr) - data : end;
        const void *lf = std::memchr(data + pos_, '\n', limit - pos_);
        const qsizetype i = lf ? static_cast<const char *>(lf) - data : limit;
        line.append(data + pos_, i - pos_);
        if (i < end) {
            skipLF_ = data[i] == '\r';
            pos_ = i + 1;
            break;
        }
        pos_ = end;
        if (!Fill())
            break; // the last line of the file has no line end
    }
    lineNotUtf8_ = false;
    if (!notUtf8Lines_.empty()) {
        while (!notUtf8Lines_.empty() && notUtf8Lines_.front() < start)
            notUtf8Lines_.pop_front();
        lineNotUtf8_ = !notUtf8Lines_.empty() && notUtf8Lines_.front() < start + line.size();
    }
}

bool TImportFileReader::AtEnd()
{
    if (!IsOpen())
        return true;
    SkipLineFeedAfterCR();
    while (pos_ >= buffer_.size())
        if (!Fill())
            return true;
    return false;
}
