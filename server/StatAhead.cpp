#include "StatAhead.h"

#include <algorithm>

namespace vss::server {

StatAhead::StatAhead() : thread_([this] { work(); }) {}

StatAhead::~StatAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    announced_.notify_all();
    thread_.join();
}

void StatAhead::announce(std::vector<std::string> paths) {
    {
        const std::lock_guard lock(mutex_);
        for (std::string& path : paths)
            looks_.emplace_back(std::move(path));
    }
    announced_.notify_all();
}

void StatAhead::work() {
    // Looks are taken a few at a time, each outside the lock.
    constexpr std::size_t kBatch = 16;
    std::vector<Look*> batch;
    LocalFile::Listing listing;
    std::unique_lock lock(mutex_);
    for (;;) {
        announced_.wait(lock, [&] { return stopping_ || std::max(next_, first_) < looks_.size(); });
        if (stopping_)
            return;
        next_ = std::max(next_, first_); // those the gets have passed are not looked at
        batch.clear();
        for (; next_ < looks_.size() && batch.size() < kBatch; ++next_)
            batch.push_back(&looks_[next_]);
        const std::size_t following = looks_.size() - next_ + batch.size();
        lock.unlock();
        for (Look* look : batch) {
            int waiting = Waiting;
            if (!look->state.compare_exchange_strong(waiting, Looking))
                continue;
            look->changes = changes_.load(std::memory_order_acquire);
            // A missing file is not worth a look of its own: the get that writes it looks again.
            if (listing.missing(look->path, following) != true)
                look->status = LocalFile::status(look->path);
            look->state.store(Done, std::memory_order_release);
        }
        lock.lock();
    }
}

std::optional<LocalFile::Status> StatAhead::take(const std::string& path) {
    Look* found = nullptr;
    {
        const std::lock_guard lock(mutex_);
        const std::size_t end = std::min(looks_.size(), first_ + kReach);
        for (std::size_t i = first_; i < end; ++i)
            if (looks_[i].path == path) {
                found = &looks_[i];
                first_ = i + 1;
                break;
            }
    }
    if (!found)
        return std::nullopt;
    // Not looked at yet, or being looked at: the get looks itself rather than wait.
    int state = Waiting;
    if (found->state.compare_exchange_strong(state, Passed, std::memory_order_acquire) ||
        state != Done)
        return std::nullopt;
    if (const auto it = changedAt_.find(std::hash<std::string>{}(path));
        it != changedAt_.end() && it->second > found->changes)
        return std::nullopt;
    return found->status;
}

void StatAhead::changed(const std::string& path) {
    changedAt_[std::hash<std::string>{}(path)] =
        changes_.fetch_add(1, std::memory_order_acq_rel) + 1;
}

std::size_t StatAhead::done() {
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(looks_.begin(), looks_.end(), [](const Look& look) {
            return look.state.load(std::memory_order_acquire) == Done;
        }));
}

} // namespace vss::server
