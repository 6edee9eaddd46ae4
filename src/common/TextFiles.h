#pragma once
// Thin wrappers over files of 8-bit text lines. A failure to open, read or write throws
// TextFileError carrying the operating system's reason; success returns true.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <stdexcept>

class TextFileError : public std::runtime_error {
public:
    TextFileError(int code, const QString &message);
    int Code() const { return code_; }
    QString Message() const;

private:
    int code_;
};

struct TextFile {
    TextFile() = default;
    ~TextFile(); // closes a file left open, without throwing
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    std::FILE *Handle = nullptr;
    QString Name;
    bool ForWrite = false;
};

bool OpenTextForRead(TextFile &f, const QString &name);
bool OpenTextForWrite(TextFile &f, const QString &name);
// Binds f to a file already open for writing (handle), which it then owns and closes.
bool OpenTextForWriteOn(TextFile &f, int handle, const QString &name);
bool CloseText(TextFile &f);
bool ReadTextLine(TextFile &f, QByteArray &line);
bool WriteTextLine(TextFile &f, const QByteArray &line);
// Writes prefix and line as one line, without joining them first.
bool WriteTextLine(TextFile &f, const QByteArray &prefix, const QByteArray &line);
bool AtEndOfText(TextFile &f); // no more lines to read
