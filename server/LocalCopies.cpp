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
    if (auto known = storedInFolder(userId, path))
        return *known;
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

std::optional<std::optional<LocalCopy>> LocalCopies::storedInFolder(std::int64_t userId,
                                                                    const std::string& path) {
    // Only this connection's flushes, which update the folder's records, and other connections
    // change the records.
    const std::optional<std::uint32_t> stamp = store_.othersVersionInTransaction();
    const std::size_t slash = path.rfind('/');
    if (!stamp || slash == std::string::npos)
        return std::nullopt;
    const std::string_view folder(path.data(), slash);
    if (folder_.userId != userId || folder_.folder != folder || folder_.othersVersion != *stamp) {
        const bool again = lastFolder_ && std::get<0>(*lastFolder_) == userId &&
                           std::get<1>(*lastFolder_) == folder &&
                           std::get<2>(*lastFolder_) == *stamp;
        if (!again) {
            lastFolder_.emplace(userId, std::string(folder), *stamp);
            return std::nullopt;
        }
        readFolder(userId, std::string(folder), *stamp);
    }
    if (!folder_.complete)
        return std::nullopt;
    const auto it = folder_.byName.find(std::string_view(path).substr(slash + 1));
    if (it == folder_.byName.end())
        return std::optional<LocalCopy>();
    return std::optional<LocalCopy>(it->second);
}

void LocalCopies::readFolder(std::int64_t userId, const std::string& folder,
                             std::uint32_t othersVersion) {
    folder_ = {userId, folder, othersVersion, {}, false};
    // The paths in the folder and below it sort between "folder/" and "folder0".
    auto q = store_.prepare("SELECT path, item_id, version, mtime, size, inode FROM local_copies "
                            "WHERE user_id = ?1 AND path > ?2 AND path < ?3 LIMIT ?4");
    q.bind(1, userId).bind(2, folder + "/").bind(3, folder + "0").bind(4, kFolderLimit + 1);
    int rows = 0;
    while (q.step()) {
        if (++rows > kFolderLimit) {
            folder_.byName.clear();
            return;
        }
        std::string name = q.text(0).substr(folder.size() + 1);
        if (name.find('/') != std::string::npos)
            continue; // below the folder
        folder_.byName.emplace(std::move(name),
                               LocalCopy{q.integer(1), static_cast<std::int32_t>(q.integer(2)),
                                         q.integer(3), q.integer(4),
                                         static_cast<std::uint64_t>(q.integer(5))});
    }
    folder_.complete = true;
}

void LocalCopies::noteWritten(const std::map<Key, LocalCopy>& written) {
    if (!folder_.complete)
        return;
    for (const auto& [key, copy] : written) {
        const std::size_t slash = key.second.rfind('/');
        if (key.first == folder_.userId && slash == folder_.folder.size() &&
            key.second.compare(0, slash, folder_.folder) == 0)
            folder_.byName[key.second.substr(slash + 1)] = copy;
    }
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
    noteWritten(pending_);
    pending_.clear();
}

} // namespace vss::server
