#include "common/TextFiles.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

[[noreturn]] void Fail(int code, const QString &name)
{
    QString reason = QString::fromLocal8Bit(std::strerror(code));
    throw TextFileError(code, name.isEmpty() ? reason : reason + QStringLiteral(": ") + name);
}

void RequireOpen(const TextFile &f, bool forWrite)
{
    if (!f.Handle || f.ForWrite != forWrite)
        Fail(EBADF, f.Name);
}

// Closes a handle left open before the file is bound again.
void Release(TextFile &f)
{
    if (f.Handle)
        std::fclose(f.Handle);
    f.Handle = nullptr;
}

} // namespace

TextFileError::TextFileError(int code, const QString &message) : std::runtime_error(message.toStdString()), code_(code)
{
}

QString TextFileError::Message() const
{
    return QString::fromStdString(what());
}

TextFile::~TextFile()
{
    Release(*this);
}

bool OpenTextForRead(TextFile &f, const QString &name)
{
    Release(f);
    f.Name = name;
    f.ForWrite = false;
    errno = 0;
    f.Handle = std::fopen(QFile::encodeName(name).constData(), "rbe");
    if (!f.Handle)
        Fail(errno ? errno : ENOENT, name);
    return true;
}

bool OpenTextForWrite(TextFile &f, const QString &name)
{
    Release(f);
    f.Name = name;
    f.ForWrite = true;
    // The file may hold entries (an import log, a view copy): only its owner may read it.
    int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail(errno, name);
    return OpenTextForWriteOn(f, fd, name);
}

bool OpenTextForWriteOn(TextFile &f, int handle, const QString &name)
{
    Release(f);
    f.Name = name;
    f.ForWrite = true;
    f.Handle = ::fdopen(handle, "wb");
    if (!f.Handle) {
        int code = errno;
        ::close(handle);
        Fail(code, name);
    }
    return true;
}

bool CloseText(TextFile &f)
{
    if (!f.Handle)
        Fail(EBADF, f.Name);
    errno = 0;
    bool flushed = std::fflush(f.Handle) == 0;
    int code = errno;
    bool closed = std::fclose(f.Handle) == 0;
    if (!closed && code == 0)
        code = errno;
    f.Handle = nullptr;
    if (!flushed || !closed)
        Fail(code ? code : EIO, f.Name);
    return true;
}

bool ReadTextLine(TextFile &f, QByteArray &line)
{
    RequireOpen(f, false);
    line.clear();
    char *buffer = nullptr;
    size_t capacity = 0;
    errno = 0;
    // getline copes with NUL bytes inside a line and with lines of any length.
    ssize_t length = ::getline(&buffer, &capacity, f.Handle);
    int code = errno;
    if (length < 0) {
        std::free(buffer);
        if (std::ferror(f.Handle))
            Fail(code ? code : EIO, f.Name);
        return true; // end of the file: an empty line
    }
    if (length > 0 && buffer[length - 1] == '\n') {
        --length;
        if (length > 0 && buffer[length - 1] == '\r')
            --length;
    }
    line = QByteArray(buffer, length);
    std::free(buffer);
    return true;
}

bool WriteTextLine(TextFile &f, const QByteArray &line)
{
    return WriteTextLine(f, QByteArray(), line);
}

bool WriteTextLine(TextFile &f, const QByteArray &prefix, const QByteArray &line)
{
    RequireOpen(f, true);
    errno = 0;
    const auto written = [&f](const QByteArray &text) {
        return std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), f.Handle) ==
               static_cast<size_t>(text.size());
    };
    if (!written(prefix) || !written(line) || std::fwrite("\r\n", 1, 2, f.Handle) != 2)
        Fail(errno ? errno : EIO, f.Name);
    return true;
}

bool AtEndOfText(TextFile &f)
{
    RequireOpen(f, false);
    int c = std::fgetc(f.Handle);
    if (c == EOF) {
        if (std::ferror(f.Handle))
            Fail(errno ? errno : EIO, f.Name);
        return true;
    }
    std::ungetc(c, f.Handle);
    return false;
}
