#pragma once
// A reader of the data file written from docs/file-format.md alone (offsets, the cipher constant):
// it includes nothing of the store, so that a test can check what the store wrote against the
// document.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace docreader
{

constexpr int RecordSize = 1284;
constexpr int K = 0x5A3C;

using Bytes = std::vector<uint8_t>;

inline int32_t Int32(const uint8_t *rec, int offset)
{
    return int32_t(uint32_t(rec[offset]) | uint32_t(rec[offset + 1]) << 8 | uint32_t(rec[offset + 2]) << 16 |
                   uint32_t(rec[offset + 3]) << 24);
}

inline int16_t Int16(const uint8_t *rec, int offset)
{
    return int16_t(uint16_t(rec[offset] | rec[offset + 1] << 8));
}

inline double Double(const uint8_t *rec, int offset)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | rec[offset + i];
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// string[N]: a length byte, then the characters; a length above N reads as N.
inline std::string Short(const uint8_t *rec, int offset, int capacity)
{
    const int n = rec[offset] <= capacity ? rec[offset] : capacity;
    return std::string(reinterpret_cast<const char *>(rec + offset + 1), size_t(n));
}

// Section 4: bytes 4..1283, k starting at (fd - K) mod 256, k := the clear byte.
inline void Decipher(uint8_t *rec)
{
    const int32_t fd = Int32(rec, 0);
    if (fd == 0)
        return;
    uint8_t k = uint8_t((int64_t(fd) - K) & 0xFF);
    for (int i = 4; i < RecordSize; ++i) {
        const uint8_t p = uint8_t(rec[i] - k);
        rec[i] = p;
        k = p;
    }
}

enum class State { Blank, Live, Deleted };

struct Entry {
    int32_t filingDate;
    State state;
    double disposeDate;
    int16_t majorVersion, minorVersion;
    int32_t userId;
    std::string name, nameTag;
    int32_t key, alternateKey, creationDate;
    std::string url, custId, pin, password;
    std::string question[4], memData[4];
    std::string notes;
    bool entryPassword;
    double loginDateTime;
    bool autoPwCopy;
};

// Section 3, from the deciphered bytes of one slot.
inline Entry Decode(const uint8_t *rec)
{
    Entry e;
    e.filingDate = Int32(rec, 0);
    e.state = rec[5] ? State::Deleted : rec[4] ? State::Live : State::Blank;
    e.disposeDate = Double(rec, 6);
    e.majorVersion = Int16(rec, 14);
    e.minorVersion = Int16(rec, 16);
    e.userId = Int32(rec, 18);
    e.name = Short(rec, 24, 111);
    e.nameTag = Short(rec, 136, 15);
    e.key = Int32(rec, 152);
    e.alternateKey = Int32(rec, 156);
    e.creationDate = Int32(rec, 160);
    e.url = Short(rec, 192, 255);
    e.custId = Short(rec, 448, 31);
    e.pin = Short(rec, 480, 31);
    e.password = Short(rec, 512, 31);
    for (int i = 0; i < 4; ++i) {
        e.question[i] = Short(rec, 544 + 64 * i, 31);
        e.memData[i] = Short(rec, 576 + 64 * i, 31);
    }
    e.notes = Short(rec, 800, 255);
    e.entryPassword = rec[1056] != 0;
    e.loginDateTime = Double(rec, 1057);
    e.autoPwCopy = rec[1065] != 0;
    return e;
}

// Section 1: whole slots only; each deciphered.
inline std::vector<Bytes> ReadSlots(const Bytes &file)
{
    std::vector<Bytes> records;
    for (size_t start = 0; start + RecordSize <= file.size(); start += RecordSize) {
        Bytes rec(file.begin() + long(start), file.begin() + long(start + RecordSize));
        Decipher(rec.data());
        records.push_back(rec);
    }
    return records;
}

} // namespace docreader
