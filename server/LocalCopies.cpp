#include "LocalCopies.h"

namespace vss::server {

LocalCopies::~LocalCopies() {
    try {
        flush();
    } catch (...) {
        // Lost records are found out by the next comparison.
    }
}

std::optional<LocalCopy> LocalCopies::find(std::int64_t userId, const std::string& path) {
    if (auto it = pending_.find({userId, path}); it != pending_.end())
        return it->second;
    return stored(userId, path);
}

std::optional<LocalCopy> LocalCopies::stored(std::int64_t userId, const std::string& path) {
    if (lastStored_ && lastStored_->first.first == userId && lastStored_->first.second == path)
        return lastStored_->second;
    auto q = store_.prepare("SELECT item_id, version, mtime, size, inode FROM local_copies "
                            "WHERE user_id = ?1 AND path = ?2");
    q.bind(1, userId).bind(2, path);
    std::optional<LocalCopy> found;
    if (q.step())
        found = LocalCopy{q.integer(0), static_cast<std::int32_t>(q.integer(1)), q.integer(2),
                          q.integer(3), static_cast<std::uint64_t>(q.integer(4))};
    lastStored_.emplace(Key{userId, path}, found);
    return found;
}

void LocalCopies::record(std::int64_t userId, const std::string& path, const LocalCopy& copy) {
    if (find(userId, path) == copy)
        return;
    pending_[{userId, path}] = copy;
}

void LocalCopies::flushIfFull() {
    if (pending_.size() < kBatch)
        return;
    try {
        flush();
    } catch (const VssError&) {
        // Kept for the next attempt; the operation that gathered them has succeeded.
    }
}

void LocalCopies::flush() {
    if (pending_.empty())
        return;
    lastStored_.reset();
    store_.writeCache([&] {
        auto upsert = store_.prepare(
            "INSERT INTO local_copies(user_id, path, item_id, version, mtime, size, inode) "
            "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT(user_id, path) DO UPDATE SET "
            "item_id = excluded.item_id, version = excluded.version, mtime = excluded.mtime, "
            "size = excluded.size, inode = excluded.inode");
        for (const auto& [key, copy] : pending_) {
            upsert.bind(1, key.first).bind(2, key.second).bind(3, copy.itemId);
            upsert.bind(4, copy.version).bind(5, copy.modificationTime).bind(6, copy.size);
            upsert.bind(7, static_cast<std::int64_t>(copy.inode)).run();
            upsert.reset();
        }
    });
    pending_.clear();
}

} // namespace vss::server
