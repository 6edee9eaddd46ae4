#include "store/Lockvextypes.h"

#include "common/CsvFields.h"
#include "common/PathRoutines.h"
#include "common/TextRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// ---------------------------------------------------------------------------------------------
// Control structures and initialisation

void ClearDeletedRecTbl(DeletedRecTbl &tbl)
{
    tbl.fill(NoKey);
}

void InitRecHeaderFields(BaseDAHeader &hdr)
{
    hdr.Name.Clear();
    hdr.NameTag.Clear();
    hdr.Key = NoKey;
    hdr.AlternateKey = NoKey;
    hdr.ActiveRecord = ToByteBool(true);
    hdr.DeletedRecord = ToByteBool(false);
    hdr.MajorVersion = LockvexMajorVersion;
    hdr.MinorVersion = LockvexMinorVersion;
    hdr.Permission = UpdatePermission;
    hdr.FilingDate = 0;
    hdr.CreationDate = NoDate;
    hdr.EffectiveFrom = NoDate;
    hdr.EffectiveTo = NoDate;
    hdr.UpdateAction = NotRelevant;
    hdr.Spares.Assign(QByteArray(SparesText));
}

void InitLockvexData(V9LockvexData &rec)
{
    std::memset(&rec, 0, sizeof rec);
    InitRecHeaderFields(rec.RecHdr);
    // The padding filler is a ShortString of length 96 (the pattern three times), zeros after it.
    const QByteArray filler = QByteArray(PaddingPattern).repeated(3);
    rec.Padding[0] = uint8_t(filler.size());
    std::memcpy(rec.Padding + 1, filler.constData(), size_t(filler.size()));
}

// ---------------------------------------------------------------------------------------------
// Pool file layout

int SlotCount(qint64 fileSize, int recSize)
{
    if (fileSize <= 0 || recSize <= 0)
        return 0;
    const qint64 count = fileSize / recSize;
    return count > INT32_MAX ? INT32_MAX : int(count);
}

bool DisposeDateAllowsReuse(TDateTime disposeDate, TDateTime today)
{
    // A damaged date (NaN) never allows reuse: the comparison is false.
    return std::trunc(disposeDate + 2) < std::trunc(today);
}

bool LockvexSlotIsSound(const uint8_t *record)
{
    // Read where the fields lie rather than copied whole: the open checks every slot.
    BaseDAHeader hdr;
    std::memcpy(&hdr, record, sizeof hdr);
    if (hdr.ActiveRecord > 1 || hdr.DeletedRecord > 1)
        return false;
    if (!hdr.ActiveRecord) {
        // Blank: growth writes zeros; a deleted record stays active.
        if (hdr.DeletedRecord)
            return false;
        return std::all_of(record + CipherPlainPrefix, record + LockvexRecSize, [](uint8_t b) { return b == 0; });
    }
    const auto fits = [](const auto &text) { return text.Len <= text.Capacity; };
    // A ShortString field of the record fits when its length byte is within its capacity.
    const auto fieldFits = [record](std::size_t offset, int capacity) { return record[offset] <= capacity; };
    constexpr int Short = Var31string::Capacity;
    return hdr.MajorVersion == LockvexMajorVersion && hdr.MinorVersion == LockvexMinorVersion && hdr.Key >= 0 &&
           fits(hdr.Name) && fits(hdr.NameTag) && fits(hdr.Spares) &&
           fieldFits(offsetof(V9LockvexData, CustID), Short) && fieldFits(offsetof(V9LockvexData, PIN), Short) &&
           fieldFits(offsetof(V9LockvexData, Password), Short) &&
           fieldFits(offsetof(V9LockvexData, Question1), Short) &&
           fieldFits(offsetof(V9LockvexData, MemData1), Short) &&
           fieldFits(offsetof(V9LockvexData, Question2), Short) &&
           fieldFits(offsetof(V9LockvexData, MemData2), Short) &&
           fieldFits(offsetof(V9LockvexData, Question3), Short) &&
           fieldFits(offsetof(V9LockvexData, MemData3), Short) &&
           fieldFits(offsetof(V9LockvexData, Question4), Short) &&
           fieldFits(offsetof(V9LockvexData, MemData4), Short) && record[offsetof(V9LockvexData, EntryPassword)] <= 1 &&
           record[offsetof(V9LockvexData, AutoPWCopy)] <= 1;
}

// ---------------------------------------------------------------------------------------------
// Record cipher

int32_t RecordFilingDate(const uint8_t *record)
{
    int32_t filingDate;
    std::memcpy(&filingDate, record, sizeof filingDate);
    return filingDate;
}

uint8_t CipherStartValue(int32_t filingDate)
{
    // Unsigned arithmetic: the low byte of the difference, without signed overflow.
    return uint8_t(uint32_t(filingDate) - uint32_t(RecordCipherK));
}

void EncipherRecord(const uint8_t *clear, uint8_t *out, int size)
{
    if (size <= 0)
        return;
    const int prefix = size < CipherPlainPrefix ? size : CipherPlainPrefix;
    std::memcpy(out, clear, size_t(prefix));
    if (size <= CipherPlainPrefix)
        return;
    uint8_t k = CipherStartValue(RecordFilingDate(clear));
    for (int i = CipherPlainPrefix; i < size; ++i) {
        out[i] = uint8_t(clear[i] + k);
        k = clear[i];
    }
}

namespace
{

// Deciphering byte by byte waits on each clear byte before the next can be had. Written as a
// running sum it need not: with q[i] = q[i-1] + c[i] at even i and q[i-1] - c[i] at odd i,
// starting from q[3] = -k0, the clear byte p[i] is q[i] at even i and -q[i] at odd i (all mod
// 256), and the running sum of a block of bytes is taken at once, 32 at a time, with only the
// block's total carried to the next.
void DecipherBytes(const uint8_t *in, uint8_t *out, int from, int size, uint8_t k)
{
    for (int i = from; i < size; ++i) {
        const uint8_t p = uint8_t(in[i] - k);
        out[i] = p;
        k = p;
    }
}

#if defined(__x86_64__)

// Deciphers from CipherPlainPrefix on in blocks of 32 bytes; returns the position reached and
// leaves the last clear byte in k. The bytes of a block are read before any is written, so in
// and out may be the same record.
__attribute__((target("avx2"))) int DecipherBlocksAvx2(const uint8_t *in, uint8_t *out, int size, uint8_t &k)
{
    static_assert(CipherPlainPrefix % 2 == 0, "the sign of a byte follows the parity of its position");
    const __m256i odd = _mm256_set1_epi16(int16_t(0xFF00)); // all ones in the odd bytes
    const __m256i lastOfLane = _mm256_set1_epi8(15);
    __m256i carry = _mm256_set1_epi8(char(uint8_t(-k))); // q before the first byte, in every byte
    int i = CipherPlainPrefix;
    for (; i + 32 <= size; i += 32) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        __m256i q = _mm256_sub_epi8(_mm256_xor_si256(c, odd), odd); // odd bytes negated
        q = _mm256_add_epi8(q, _mm256_slli_si256(q, 1));            // running sums in each half
        q = _mm256_add_epi8(q, _mm256_slli_si256(q, 2));
        q = _mm256_add_epi8(q, _mm256_slli_si256(q, 4));
        q = _mm256_add_epi8(q, _mm256_slli_si256(q, 8));
        const __m256i totals = _mm256_shuffle_epi8(q, lastOfLane);               // each half's total, spread over it
        q = _mm256_add_epi8(q, _mm256_permute2x128_si256(totals, totals, 0x08)); // low half's total to the high
        q = _mm256_add_epi8(q, carry);
        carry = _mm256_add_epi8(carry, _mm256_add_epi8(_mm256_permute2x128_si256(totals, totals, 0x00),
                                                       _mm256_permute2x128_si256(totals, totals, 0x11)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_sub_epi8(_mm256_xor_si256(q, odd), odd));
    }
    if (i > CipherPlainPrefix)
        k = out[i - 1];
    return i;
}

// 64 bytes at a time, from a second form of the rule: p[i] = c[i] - p[i-1] = (c[i] - c[i-1]) +
// p[i-2], so the even bytes and the odd bytes are each a plain running sum of the differences
// d[i] = c[i] - c[i-1], with no signs to flip. Each quarter's running sums (steps of 2, 4 and 8
// bytes keep the two apart), then the last pair of the quarters before it, then the pair
// carried from the blocks before: the even one starts as c[3] - k (so that p[4] = c[4] - k) and
// the odd one as k. c[i-1] comes from a load one byte back, read before the block before it is
// written, so in and out may be the same record.
__attribute__((target("avx512f,avx512bw"))) int DecipherBlocksAvx512(const uint8_t *in, uint8_t *out, int size,
                                                                     uint8_t &k)
{
    static_assert(CipherPlainPrefix % 2 == 0 && CipherPlainPrefix >= 1, "blocks start at an even position");
    const __m512i lastPairOfLane = _mm512_set1_epi16(0x0F0E);
    const __m512i zero = _mm512_setzero_si512();
    // The masked forms with every element kept: the plain ones start from an undefined vector,
    // which GCC 12 takes for an uninitialised one.
    constexpr __mmask8 AllQwords = 0xFF;
    constexpr __mmask16 AllDwords = 0xFFFF;
    int i = CipherPlainPrefix;
    if (i + 64 > size)
        return i;
    __m512i carry = _mm512_set1_epi16(int16_t(uint16_t(uint8_t(in[i - 1] - k)) | uint16_t(uint16_t(k) << 8)));
    __m512i before = _mm512_loadu_si512(in + i - 1);
    for (; i + 64 <= size; i += 64) {
        const __m512i c = _mm512_loadu_si512(in + i);
        const __m512i nextBefore = i + 128 <= size ? _mm512_loadu_si512(in + i + 63) : zero;
        __m512i q = _mm512_sub_epi8(c, before);
        q = _mm512_add_epi8(q, _mm512_bslli_epi128(q, 2));
        q = _mm512_add_epi8(q, _mm512_bslli_epi128(q, 4));
        q = _mm512_add_epi8(q, _mm512_bslli_epi128(q, 8));
        const __m512i totals = _mm512_shuffle_epi8(q, lastPairOfLane); // each quarter's last pair, spread over it
        __m512i upTo = _mm512_add_epi8(totals, _mm512_maskz_alignr_epi64(AllQwords, totals, zero, 6));
        upTo = _mm512_add_epi8(upTo, _mm512_maskz_alignr_epi64(AllQwords, upTo, zero, 4));
        q = _mm512_add_epi8(q, _mm512_add_epi8(_mm512_sub_epi8(upTo, totals), carry));
        carry = _mm512_add_epi8(carry, _mm512_maskz_shuffle_i32x4(AllDwords, upTo, upTo, 0xFF));
        _mm512_storeu_si512(out + i, q);
        before = nextBefore;
    }
    k = out[i - 1];
    return i;
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool HasAvx512()
{
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return has;
}

#endif

} // namespace

void DecipherRecordFrom(const uint8_t *enciphered, uint8_t *out, int size)
{
    if (size <= 0)
        return;
    const int prefix = size < CipherPlainPrefix ? size : CipherPlainPrefix;
    if (out != enciphered)
        std::memmove(out, enciphered, size_t(prefix));
    if (size <= CipherPlainPrefix)
        return;
    uint8_t k = CipherStartValue(RecordFilingDate(enciphered));
    int from = CipherPlainPrefix;
#if defined(__x86_64__)
    if (HasAvx512())
        from = DecipherBlocksAvx512(enciphered, out, size, k);
    if (HasAvx2() && size - from >= 32) {
        // Taken up where the wider blocks ended, at an even position as the kernel expects.
        const int done = from - CipherPlainPrefix;
        from = done + DecipherBlocksAvx2(enciphered + done, out + done, size - done, k);
    }
#endif
    DecipherBytes(enciphered, out, from, size, k);
}

void DecipherRecord(uint8_t *record, int size)
{
    if (size <= CipherPlainPrefix)
        return;
    DecipherRecordFrom(record, record, size);
}

void DecipherIfEnciphered(uint8_t *record, int size)
{
    if (size >= CipherPlainPrefix && RecordFilingDate(record) != 0)
        DecipherRecord(record, size);
}

void RestampStoredRecord(uint8_t *record, int size, int32_t filingDate, int32_t userID, int32_t key)
{
    constexpr int keyEnd = int(offsetof(BaseDAHeader, Key) + sizeof(BaseDAHeader::Key));
    const auto stamp = [&](uint8_t *clear) {
        std::memcpy(clear + offsetof(BaseDAHeader, FilingDate), &filingDate, sizeof filingDate);
        std::memcpy(clear + offsetof(BaseDAHeader, UserID), &userID, sizeof userID);
        std::memcpy(clear + offsetof(BaseDAHeader, Key), &key, sizeof key);
    };
    if (RecordFilingDate(record) != 0 && filingDate != 0 && size > keyEnd) {
        // The header up to the first byte after Key is deciphered and stamped; only the bytes
        // whose clear byte or whose clear byte before changed get a new enciphered byte.
        uint8_t head[keyEnd + 1];
        std::memcpy(head, record, sizeof head);
        DecipherRecord(head, int(sizeof head));
        stamp(head);
        std::memcpy(record, head, CipherPlainPrefix);
        record[CipherPlainPrefix] = uint8_t(head[CipherPlainPrefix] + CipherStartValue(filingDate));
        for (const size_t field : {offsetof(BaseDAHeader, UserID), offsetof(BaseDAHeader, Key)})
            for (size_t i = field; i <= field + sizeof(int32_t); ++i)
                record[i] = uint8_t(head[i] + head[i - 1]);
        return;
    }
    if (size < keyEnd)
        return; // not a record of this store
    DecipherIfEnciphered(record, size);
    stamp(record);
    if (filingDate != 0) {
        std::vector<uint8_t> clear(record, record + size);
        EncipherRecord(clear.data(), record, size);
    }
}

void ReadRecordFrom(const uint8_t *stored, uint8_t *out, int size)
{
    if (size >= CipherPlainPrefix && RecordFilingDate(stored) != 0)
        DecipherRecordFrom(stored, out, size);
    else if (size > 0)
        std::memcpy(out, stored, size_t(size));
}

// ---------------------------------------------------------------------------------------------
// Companion files

namespace
{

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString DataFileFolder(const QString &dataFile)
{
    return dataFile.left(dataFile.lastIndexOf(QLatin1Char('/')) + 1);
}

QString CompanionBase(const QString &dataFile)
{
    QString ext, base;
    SplitAtFirstDot(FileNamePart(dataFile), ext, base);
    return DataFileFolder(dataFile) + base;
}

QString CompanionExt(const QString &dataFile)
{
    QString ext, base;
    SplitAtFirstDot(FileNamePart(dataFile), ext, base);
    return ext;
}

bool HasBackupCompanions(const QString &dataFile)
{
    return CompanionExt(dataFile) == QLatin1String("acsdb");
}

QString TempFileName(const QString &dataFile)
{
    return CompanionBase(dataFile) + QLatin1String(".TEMP");
}

QString NewerBackupName(const QString &dataFile)
{
    return CompanionBase(dataFile) + QLatin1String(".BAC0");
}

QString OlderBackupName(const QString &dataFile)
{
    return CompanionBase(dataFile) + QLatin1String(".BAC1");
}

namespace
{

void SplitDataFileName(const QString &dataFile, QString &name, QString &ext)
{
    QString dirIgnored;
    SplitFileName(FileNamePart(dataFile), dirIgnored, name, ext);
}

} // namespace

QString PoolYearOf(const QString &dataFile)
{
    QString name, ext;
    SplitDataFileName(dataFile, name, ext);
    if (ext == QLatin1String(".acsdb"))
        return QString();
    return ext.mid(1, Var4string::Capacity);
}

QString LogFileName(const QString &dataFile)
{
    QString name, ext;
    SplitDataFileName(dataFile, name, ext);
    return DataFileFolder(dataFile) + name + PoolYearOf(dataFile) + QLatin1String(".CSV");
}

// ---------------------------------------------------------------------------------------------
// CSV log

const char *const LockvexLogColumns[LockvexCSVFieldCount] = {
    "Name",       "Name Tag",   "Key",        "Alt Key",    "Creation Date", "Hdr Fld",    "URL",
    "Cust ID",    "PIN",        "Password",   "Question 1", "Mem Data 1",    "Question 2", "Mem Data 2",
    "Question 3", "Mem Data 3", "Question 4", "Mem Data 4", "Is login PW",   "Notes",      "Auto PW copy",
};

namespace
{

constexpr char Quote = '"';

// Any line break left after CR LF pairs became ";" (a lone CR or LF) is one too: a field must
// never split its log line in two.
QByteArray OneLine(QByteArray s)
{
    CRLFToSemicolon(s);
    s.replace('\r', ';');
    s.replace('\n', ';');
    return s;
}

QByteArray YesNo(ByteBool flag)
{
    return IsTrue(flag) ? QByteArrayLiteral("Yes") : QByteArrayLiteral("No");
}

bool IsYes(const QByteArray &field)
{
    return field == "Yes";
}

} // namespace

QByteArray LogFieldText(const QByteArray &value)
{
    QByteArray field = OneLine(TrimBlanks(value));
    field.replace('\0', '?');
    const bool enclosedByQuoting = field.contains(Quote) || field.contains(',');
    const bool holdsSemicolon = field.contains(';');
    QuoteCSVField(field);
    if (holdsSemicolon && !enclosedByQuoting)
        field = Quote + field + Quote;
    return field;
}

QByteArray LogFieldValue(const QByteArray &field)
{
    QByteArray value = TrimBlanks(field);
    if (value.size() >= 2 && value.startsWith(Quote) && value.endsWith(Quote)) {
        value = value.mid(1, value.size() - 2);
        value.replace("\"\"", "\"");
        return value;
    }
    UnquoteCSVField(value);
    return value;
}

QByteArray LockvexLogHeaderLine()
{
    QByteArray line;
    for (const char *column : LockvexLogColumns)
        line += LogFieldText(QByteArray(column)) + ',';
    return line;
}

QByteArray LockvexLogLine(const V9LockvexData &rec)
{
    const BaseDAHeader &hdr = rec.RecHdr;
    QByteArray notes = rec.AccountNotes.Bytes();
    SemicolonToCRLF(notes); // the notes as the entry shows them; the field makes them ";" again
    const QByteArray values[LockvexCSVFieldCount] = {
        hdr.Name.Bytes(),
        hdr.NameTag.Bytes(),
        QByteArray::number(hdr.Key),
        QByteArray::number(hdr.AlternateKey),
        QByteArray::number(hdr.CreationDate),
        QByteArray(),
        rec.URL.Bytes(),
        rec.CustID.Bytes(),
        rec.PIN.Bytes(),
        rec.Password.Bytes(),
        rec.Question1.Bytes(),
        rec.MemData1.Bytes(),
        rec.Question2.Bytes(),
        rec.MemData2.Bytes(),
        rec.Question3.Bytes(),
        rec.MemData3.Bytes(),
        rec.Question4.Bytes(),
        rec.MemData4.Bytes(),
        YesNo(rec.EntryPassword),
        notes,
        YesNo(rec.AutoPWCopy),
    };
    QByteArray line;
    for (const QByteArray &value : values)
        line += LogFieldText(value) + ',';
    return line;
}

namespace
{

// The fields of a line prepared by MarkCSVFieldEnds: each one is ended by a NUL.
QList<QByteArray> MarkedFields(const QByteArray &line)
{
    QByteArray marked = line;
    MarkCSVFieldEnds(marked);
    QList<QByteArray> fields = marked.split('\0');
    fields.removeLast(); // the text after the last end mark is not a field
    return fields;
}

} // namespace

void ReadLockvexLogLine(const QByteArray &line, V9LockvexData &rec)
{
    // Columns 8 to 18, in order.
    static constexpr Var31string V9LockvexData::*ShortColumns[] = {
        &V9LockvexData::CustID,   &V9LockvexData::PIN,       &V9LockvexData::Password, &V9LockvexData::Question1,
        &V9LockvexData::MemData1, &V9LockvexData::Question2, &V9LockvexData::MemData2, &V9LockvexData::Question3,
        &V9LockvexData::MemData3, &V9LockvexData::Question4, &V9LockvexData::MemData4};

    InitLockvexData(rec);
    const QList<QByteArray> fields = MarkedFields(line);
    BaseDAHeader &hdr = rec.RecHdr;
    for (int column = 1; column <= fields.size() && column <= LockvexCSVFieldCount; ++column) {
        const QByteArray value = LogFieldValue(fields[column - 1]);
        if (column == 1) {
            hdr.Name.Assign(value);
        } else if (column == 2) {
            hdr.NameTag.Assign(value);
        } else if (column == 3) {
            hdr.Key = StrToIntOrOne(value);
        } else if (column == 4) {
            hdr.AlternateKey = StrToIntOrOne(value);
        } else if (column == 5) {
            hdr.CreationDate = StrToIntOrOne(value);
        } else if (column == 7) { // column 6 has no field behind it
            rec.URL.Assign(value);
        } else if (column >= 8 && column <= 18) {
            (rec.*ShortColumns[column - 8]).Assign(value);
        } else if (column == 19) {
            rec.EntryPassword = ToByteBool(IsYes(value));
        } else if (column == 20) {
            QByteArray notes = value;
            CRLFToSemicolon(notes);
            rec.AccountNotes.Assign(notes);
        } else if (column == 21) {
            rec.AutoPWCopy = ToByteBool(IsYes(value));
        }
    }
}
