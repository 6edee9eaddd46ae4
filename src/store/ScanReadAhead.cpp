#include "store/ScanReadAhead.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace
{

// A hand-over between the two threads comes every few tens of microseconds. Waking a thread
// that went to sleep takes about as long on a virtual machine, so each side first spins a
// little while (bounded, then it sleeps as usual).
constexpr int SpinRounds = 20000;

void Pause()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

} // namespace

ScanReadAhead::ScanReadAhead(ReadFn read, int slotSize) : read_(std::move(read)), slotSize_(slotSize)
{
    thread_ = std::thread([this] { Run(); });
}

ScanReadAhead::~ScanReadAhead()
{
    WaitIdle();
    {
        std::lock_guard lock(mutex_);
        quit_.store(true);
    }
    changed_.notify_all();
    thread_.join();
}

void ScanReadAhead::WaitIdle()
{
    for (int i = 0; i < SpinRounds && asked_.load(std::memory_order_acquire); ++i)
        Pause();
    if (!asked_.load(std::memory_order_acquire))
        return;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !asked_.load(); });
}

void ScanReadAhead::Start(int firstSlot, int count)
{
    Drop();
    buffer_.resize(size_t(count) * size_t(slotSize_));
    first_ = firstSlot;
    count_ = count;
    started_ = true;
    {
        std::lock_guard lock(mutex_);
        asked_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
}

int ScanReadAhead::Take(std::vector<uint8_t> &block)
{
    WaitIdle();
    started_ = false;
    block.swap(buffer_);
    return result_;
}

void ScanReadAhead::Drop()
{
    WaitIdle();
    started_ = false;
}

void ScanReadAhead::Run()
{
    for (;;) {
        for (int i = 0; i < SpinRounds && !asked_.load(std::memory_order_acquire) && !quit_.load(); ++i)
            Pause();
        if (!asked_.load(std::memory_order_acquire)) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return asked_.load() || quit_.load(); });
        }
        if (quit_.load())
            return;
        // The block and its place were set before the read was asked for (the release above),
        // and are left alone until it has ended.
        result_ = read_(first_, buffer_.data(), count_);
        {
            std::lock_guard lock(mutex_);
            asked_.store(false, std::memory_order_release);
        }
        changed_.notify_all();
    }
}
