#include "store/ScanReadAhead.h"

ScanReadAhead::ScanReadAhead(ReadFn read, int slotSize) : read_(std::move(read)), slotSize_(slotSize)
{
    thread_ = std::thread([this] { Run(); });
}

ScanReadAhead::~ScanReadAhead()
{
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !asked_; });
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
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
        asked_ = true;
    }
    changed_.notify_all();
}

int ScanReadAhead::Take(std::vector<uint8_t> &block)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !asked_; });
    started_ = false;
    block.swap(buffer_);
    return result_;
}

void ScanReadAhead::Drop()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !asked_; });
    started_ = false;
}

void ScanReadAhead::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return asked_ || quit_; });
        if (quit_)
            return;
        // The block and its place are set before the read is asked for and left alone until it
        // is taken, so the read runs without the lock.
        const int first = first_;
        uint8_t *buffer = buffer_.data();
        const int count = count_;
        lock.unlock();
        const int result = read_(first, buffer, count);
        lock.lock();
        result_ = result;
        asked_ = false;
        changed_.notify_all();
    }
}
