#pragma once
// What the first line of an import file says about its columns. Browsers and password managers
// write a header line that names each column; the import finds the entry fields among those
// names (one table of known names), tells which program's export has exactly these columns, and
// finds the column of a one-time-password secret, which has no field of its own.
//
// Names match whatever their letter case, blanks, quotes, "_" and "-", and a byte-order mark.

#include "import/LockvexImport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// What a header line tells.
struct TImportLayout {
    // The line names a password column and a name, address or customer ID column: it is a header
    // line and its columns fill the mapping.
    bool Recognised = false;
    // The program whose export has exactly these columns ("Bitwarden"), or empty.
    QString Exporter;
    // Columns[k]: the column (counted from 1) of entry field k (1 to 14), 0 when none is named.
    std::array<int, ImportedEntryFields + 1> Columns{};
    // The column of a one-time-password secret, 0 when none is named.
    int TotpColumn = 0;
    // The line's column names as written.
    QStringList Headings;
    // The names as matched, joined: the same for every file of the same header line.
    QString Key;
};

// A known program's export: its name and its header line as the program writes it.
struct TKnownExport {
    const char *Exporter;
    const char *HeaderLine;
};
const QList<TKnownExport> &KnownExports();

// A column name as it is matched: without letter case, blanks, quotes, "_", "-" and byte-order mark.
QString NormalisedHeading(const QString &heading);

// Reads a header line (Windows-1252 text, as the import file reader hands it over).
TImportLayout RecogniseHeaderLine(const QByteArray &line);

// The first line of the file that is not blank, as the import reads it; empty when it has none or
// is no regular file. Throws TextFileError when the file cannot be opened or read.
QByteArray ReadFirstImportLine(const QString &fileName);

// The settings key under which the mapping last used for this header line is kept.
QString LayoutSettingKey(const TImportLayout &layout);

// The host of a web address, as a name for an entry: "https://www.bank.example:443/login" gives
// "bank.example" (lower case, without "www."). An address without a host (blank, "mailto:...",
// a path) gives an empty text.
QString HostNameOf(const QString &address);
