// The local side of every operation: reading a working file safely, and writing one so that a
// crash never leaves it torn (temporary name in the same folder, rename).
#pragma once

#include "Errors.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vss::server {

class LocalFile {
public:
    // A write for a target it found missing met a file there: that file, not looked at, is left
    // alone.
    class Appeared : public VssError {
    public:
        using VssError::VssError;
    };

    // Receives the content to write, piece by piece.
    using Sink = std::function<void(const char* data, std::size_t size)>;
    // A producer may be asked for the content a second time, when the first file it went into
    // cannot take the target's name.
    using Producer = std::function<void(const Sink& sink)>;

    // A plain file opened for reading; raises with a clear reason for a missing or unreadable
    // file, a folder, a link or any other special file.
    class Reader {
    public:
        explicit Reader(const std::filesystem::path& file);
        ~Reader();
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;

        // Bytes read, 0 at the end.
        std::size_t read(char* buffer, std::size_t size);
        void rewind();
        std::int64_t size() const { return size_; }

    private:
        std::filesystem::path file_;
        int fd_ = -1;
        std::int64_t size_ = 0;
    };

    struct Status;
    struct WriteOptions {
        bool readOnly = true;
        std::optional<std::int64_t> modificationTime; // unix seconds; none: the current time
        // Flushed to disk before it takes the target's name: for content that exists nowhere
        // else (a merge). A copy of a stored version needs no flush: lost in a power cut, it is
        // fetched again.
        bool durable = false;
        // A read-only copy of a stored version, which the next get checks and mends: the file
        // it replaces is swapped out instead of renamed over, which spares the file system's
        // push of the new content to disk (a power cut may then leave it empty, never torn).
        bool rebuildable = false;
        // What a look at the target found just before (kind and mode): saves a second look.
        const Status* known = nullptr;
    };

    // Removes the temporary files that writes into the folder left behind when their process
    // died: those older than a minute, of one target name or (name empty) of any. Returns
    // the paths removed.
    static std::vector<std::filesystem::path>
    removeStaleTemporaries(const std::filesystem::path& folder, const std::string& name = {});

    // A temporary file of a write, as one listing of its folder found it.
    struct Temporary {
        std::string name;
        std::int64_t modificationTime = 0; // unix seconds
    };
    // The plain files in the folder that carry a temporary's name, in one pass.
    static std::vector<Temporary> listTemporaries(const std::filesystem::path& folder);
    // Whether a temporary's name is of writes of the target name (of any, for an empty one).
    static bool isTemporaryOf(const std::string& entry, const std::string& target);
    // Older than a minute at `now` (unix seconds): its writer is gone.
    static bool isStale(const Temporary& temporary, std::int64_t now);
    // Removes the folder's temporary if the file there is still a stale one; true if removed.
    static bool removeIfStale(const std::filesystem::path& folder, const std::string& entry);

    enum class Kind { Missing, Plain, Folder, Link, Other };

    // What a file's metadata says, from one lstat.
    struct Status {
        Kind kind = Kind::Missing;
        std::int64_t size = 0;
        std::int64_t modificationTime = 0; // nanoseconds since the epoch
        std::uint64_t inode = 0;
        bool writable = false;         // any write permission bit set
        std::uint32_t permissions = 0; // the mode's permission bits
        // No later change of the file can leave this modification time: it lies before the
        // clock tick that stamps the next change (checked with a wide margin for a file found,
        // exactly for a file written here).
        bool settled = false;
    };
    static Status status(const char* file);
    static Status status(const std::filesystem::path& file) { return status(file.c_str()); }
    // Most paths are at hand as text: no path object is made of them for one look.
    static Status status(const std::string& file) { return status(file.c_str()); }

    // Writes a new file content in place of `target`, atomically, and returns the new file's
    // status. The folder is created when missing. Refuses a target that is a folder or a link.
    // Without a given time the file is stamped with the current time, as the clock's last tick
    // (so that it is settled at once).
    static Status writeAtomically(const std::filesystem::path& target, const Producer& produce,
                                  const WriteOptions& options);

    static Kind kind(const char* file);
    static Kind kind(const std::filesystem::path& file) { return kind(file.c_str()); }
    static Kind kind(const std::string& file) { return kind(file.c_str()); }

    // A path's folder ("/" for one at the root) and last name; none for a path without a
    // separator or ending in one.
    struct Place {
        std::string_view folder;
        std::string_view name;
    };
    static std::optional<Place> place(std::string_view path);

    // The names in a folder, from one listing: empty for a missing folder, none for one that
    // holds more than `limit` entries or cannot be read.
    static std::optional<std::unordered_set<std::string>> names(const std::filesystem::path& folder,
                                                                std::size_t limit);

    // The folder listed last and the names in it, for files looked for one after another mostly
    // in one folder: a folder is listed once rather than each file looked up on its own.
    class Listing {
    public:
        // Whether no file has that path, as the listing shows; none where it cannot tell (no
        // folder in the path, or one with many more entries than the `following` files to come).
        std::optional<bool> missing(const std::string& path, std::size_t following);
        // Lists the folder again at its next file (it was made meanwhile).
        void forget() { folder_.reset(); }

    private:
        std::optional<std::string> folder_;
        std::optional<std::unordered_set<std::string>> names_;
    };

    // A complete copy in an unnamed file of its target's folder, written ahead of the call that
    // names it; it vanishes, leaving nothing behind, when it is dropped or its process dies.
    class WrittenAhead {
    public:
        WrittenAhead(int fd, const Status& status) : fd_(fd), status_(status) {}
        ~WrittenAhead();
        WrittenAhead(WrittenAhead&& other) noexcept;
        WrittenAhead& operator=(WrittenAhead&& other) noexcept;
        WrittenAhead(const WrittenAhead&) = delete;
        WrittenAhead& operator=(const WrittenAhead&) = delete;

        const Status& status() const { return status_; }

    private:
        friend class LocalFile;
        int fd_ = -1;
        Status status_;
        std::filesystem::path temp_; // its temporary name, if named ahead; removed with it
    };
    // Writes a new copy of `target` ahead, as writeAtomically would for a missing target; none
    // where the folder is missing or has no unnamed files (nothing is created then).
    static std::optional<WrittenAhead> writeAhead(const std::filesystem::path& target,
                                                  const Producer& produce,
                                                  const WriteOptions& options);
    // Gives a copy written ahead a temporary name in its target's folder, so that putting it in
    // place later takes one step less; false, with the copy left unnamed, where that fails.
    static bool nameAhead(WrittenAhead& copy, const std::filesystem::path& target);
    // Removes a file that is no longer wanted, now or a little later.
    using RemoveLater = std::function<void(const std::filesystem::path& file)>;
    // Puts a copy written ahead in the target's place, as writeAtomically would put its new
    // file over what a look at the target found (`existing`); none, with nothing changed, where
    // the file system takes no link to it. A file it swaps out goes to `removeLater` when given:
    // until it is removed it is a temporary, which the sweep takes once it is stale.
    static std::optional<Status> placeAhead(WrittenAhead& copy, const std::filesystem::path& target,
                                            const WriteOptions& options, const Status& existing,
                                            const RemoveLater& removeLater = {});

private:
    // One attempt at writeAtomically, through an unnamed file where one can be linked in; none
    // when the unnamed file could not be linked.
    static std::optional<Status> writeVia(const std::filesystem::path& target,
                                          const Producer& produce, const WriteOptions& options,
                                          const Status& existing, bool unnamed);

public:
    // Any write permission bit set.
    static bool isWritable(const std::filesystem::path& file);
    static void setReadOnly(const std::filesystem::path& file, bool readOnly);
    // Unix seconds.
    static std::int64_t modificationTime(const std::filesystem::path& file);

    // Normalises a path handed in by a caller: "\" counts as a separator, doubled separators
    // collapse, a relative path is taken from the current folder, a trailing separator goes.
    static std::filesystem::path normalize(const std::string& path);
    // The same as text, which for a path that is normal already is the path itself.
    static std::string normalizedText(const std::string& path);
};

} // namespace vss::server
