// Each user's record of which version of a file a local copy holds: the base of a later merge,
// the answer of a time comparison, and what lets a get skip reading a file that is current.
// It is a cache, rebuilt from the local files and the permanent record whenever it is lost or
// wrong, so it is kept off the durable path: records are held in memory and written in batches
// whose commits are not flushed to disk. A crash or power cut loses at most the last records,
// which costs a re-check, never a wrong answer: a record vouches for a file only while the
// file's size, modification time and inode are still the recorded ones.
#pragma once

#include "Store.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace vss::server {

struct LocalCopy {
    std::int64_t itemId = 0;
    std::int32_t version = 0;
    std::int64_t modificationTime = 0; // nanoseconds; 0: never equal to the file's
    std::int64_t size = -1;            // -1: the record does not vouch for the content
    std::uint64_t inode = 0;

    bool operator==(const LocalCopy&) const = default;
};

class LocalCopies {
public:
    // Records held back before they are written together.
    static constexpr std::size_t kBatch = 256;

    explicit LocalCopies(Store& store) : store_(store) {}
    // Writes what is held; a failure only costs a re-check later.
    ~LocalCopies();
    LocalCopies(const LocalCopies&) = delete;
    LocalCopies& operator=(const LocalCopies&) = delete;

    std::optional<LocalCopy> find(std::int64_t userId, const std::string& path);
    // Holds the record unless it is the one known already.
    void record(std::int64_t userId, const std::string& path, const LocalCopy& copy);
    // Holds the record of a file just written, which no earlier record can equal.
    void recordWritten(std::int64_t userId, const std::string& path, const LocalCopy& copy) {
        pending_[{userId, path}] = copy;
    }
    // Writes the held records once a batch has gathered.
    void flushIfFull();
    // Writes the held records in one transaction.
    void flush();
    std::size_t pending() const { return pending_.size(); }

private:
    // Looks names up without making strings of them.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    // The records of one user's files in one folder, as of one state of the store.
    struct FolderRecords {
        std::int64_t userId = 0;
        std::string folder;
        std::uint32_t othersVersion = 0;
        std::unordered_map<std::string, LocalCopy, NameHash, std::equal_to<>> byName;
        bool complete = false; // false for a folder with too many records to keep
    };
    // Folders with more records than this (those below them included) are read a file at a
    // time.
    static constexpr int kFolderLimit = 16384;

    std::optional<LocalCopy> stored(std::int64_t userId, const std::string& path);
    // The stored record as the folder's records read at once have it: when the files of one
    // folder are asked for in turn, the folder is read at the second. None when not known so.
    std::optional<std::optional<LocalCopy>> storedInFolder(std::int64_t userId,
                                                           const std::string& path);
    void readFolder(std::int64_t userId, const std::string& folder, std::uint32_t othersVersion);
    // Brings the folder's records up to what this connection has just written.
    void noteWritten(const std::map<std::pair<std::int64_t, std::string>, LocalCopy>& written);

    using Key = std::pair<std::int64_t, std::string>;
    Store& store_;
    std::map<Key, LocalCopy> pending_;
    FolderRecords folder_;
    std::optional<std::tuple<std::int64_t, std::string, std::uint32_t>> lastFolder_;
    // The stored record looked up last: a get asks for it twice, to judge and to record.
    std::optional<std::pair<Key, std::optional<LocalCopy>>> lastStored_;
};

} // namespace vss::server
