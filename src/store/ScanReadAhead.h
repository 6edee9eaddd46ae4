#pragma once
// Reads the next block of a scan on a second thread while the scan works through the one before,
// so that the copying of the file's bytes and the deciphering and indexing of them overlap. One
// read at a time; the scan takes the block only once the read has ended (the wait is the hand
// over), so the pool file and its I/O layer are never used by two threads at once, provided the
// scan makes no other use of them while a read is under way. The open is such a scan. Each side
// waits for the other by spinning a short, bounded while before it sleeps (see the .cpp).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ScanReadAhead
{
public:
    // read(firstSlot, buffer, count) reads count slots from firstSlot on: 0 or an error code.
    using ReadFn = std::function<int(int firstSlot, uint8_t *buffer, int count)>;

    ScanReadAhead(ReadFn read, int slotSize);
    ~ScanReadAhead(); // waits for a read under way, then ends the thread
    ScanReadAhead(const ScanReadAhead &) = delete;
    ScanReadAhead &operator=(const ScanReadAhead &) = delete;

    // Starts reading count slots from firstSlot; a block read before and not taken is dropped.
    void Start(int firstSlot, int count);
    // True when the block started last is firstSlot.. with count slots.
    bool Holds(int firstSlot, int count) const { return started_ && first_ == firstSlot && count_ == count; }
    // Waits for the block started last, hands its bytes over by swapping them into block, and
    // gives the read's result.
    int Take(std::vector<uint8_t> &block);
    // Waits for a read under way and forgets it.
    void Drop();

private:
    void Run();
    void WaitIdle(); // until no read is asked for or under way

    ReadFn read_;
    const int slotSize_;
    std::vector<uint8_t> buffer_;
    int first_ = 0;
    int count_ = 0;
    bool started_ = false; // a block was asked for and not taken or dropped
    int result_ = 0;       // written by the reading thread before it clears asked_
    // Shared with the reading thread; changed under mutex_, so that a sleeping side is woken.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> asked_{false}; // a read is asked for or under way
    std::atomic<bool> quit_{false};
    std::thread thread_;
};
