#include "store/IndexEntryBlocks.h"
#include "store/LockvexIndexRec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace
{

QByteArray NameOf(int id)
{
    // Names of every length up to the capacity, so that every byte of an entry is written.
    return QByteArray::number(id).leftJustified(1 + id % TTDStandardIndexRec::NameCapacity, 'x');
}

std::unique_ptr<TPoolIndexRec> MakeEntry(int id)
{
    auto entry = std::make_unique<TPoolIndexRec>();
    entry->SetKeyInIndex(id);
    entry->SetIndexedNameBytes(NameOf(id));
    entry->SetIndexedNameTagBytes(QByteArray::number(id % 1000));
    return entry;
}

bool Intact(const TPoolIndexRec &entry, int id)
{
    return entry.GetKeyFromIndex() == id && entry.IndexedNameBytes() == NameOf(id) &&
           entry.IndexedNameTagBytes() == QByteArray::number(id % 1000);
}

} // namespace

// Entries of a full data file and more, freed in random order and made again: no entry shares
// memory with another, and when the last is freed the chunks are given back (one small one may
// stay for the next entry).
TEST(IndexEntryBlocks, EntriesKeepTheirContentAcrossChunksAndChunksAreGivenBack)
{
    const int chunksBefore = index_entry_blocks::ChunksInUse();
    std::mt19937 random(17);
    std::vector<std::unique_ptr<TPoolIndexRec>> entries;
    std::vector<int> ids;
    int next = 0;
    for (; next < 40000; ++next) {
        entries.push_back(MakeEntry(next));
        ids.push_back(next);
    }
    if (index_entry_blocks::Chunked())
        EXPECT_GE(index_entry_blocks::ChunksInUse(), chunksBefore + 4); // one small and large ones

    // Free two thirds at random, make as many again: freed blocks are taken again.
    for (int round = 0; round < 2; ++round) {
        std::vector<size_t> order(entries.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        for (size_t i = 0; i < order.size() * 2 / 3; ++i)
            entries[order[i]].reset();
        for (auto &entry : entries)
            if (!entry) {
                entry = MakeEntry(next);
                ids[size_t(&entry - entries.data())] = next++;
            }
        for (size_t i = 0; i < entries.size(); ++i)
            ASSERT_TRUE(Intact(*entries[i], ids[i])) << "entry " << i << " of round " << round;
    }

    entries.clear();
    if (index_entry_blocks::Chunked())
        EXPECT_LE(index_entry_blocks::ChunksInUse(), std::max(chunksBefore, 1));
}
