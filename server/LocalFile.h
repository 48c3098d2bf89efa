// The local side of every operation: reading a working file safely, and writing one so that a
// crash never leaves it torn (temporary name in the same folder, fsync, rename).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vss::server {

class LocalFile {
public:
    // Receives the content to write, piece by piece.
    using Sink = std::function<void(const char* data, std::size_t size)>;
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

    struct WriteOptions {
        bool readOnly = true;
        std::optional<std::int64_t> modificationTime; // unix seconds; none: the current time
    };

    // Writes a new file content in place of `target`, atomically. The folder is created when
    // missing. Refuses a target that is a folder or a link.
    static void writeAtomically(const std::filesystem::path& target, const Producer& produce,
                                const WriteOptions& options);

    // Writes many files, each atomically, with one file-system sync for all of them instead of
    // one per file: contents go to temporary names first and are renamed into place only after
    // the sync. Temporary files left by a batch that is not committed are removed.
    class Batch {
    public:
        Batch() = default;
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

        // Writes the temporary file now (raising as writeAtomically does); `done` runs once
        // the file has its real name.
        void stage(const std::filesystem::path& target, const Producer& produce,
                   const WriteOptions& options, std::function<void()> done);
        // Syncs, then renames every staged file. Returns the failures, one message each.
        std::vector<std::string> commit();

    private:
        struct Staged {
            std::filesystem::path temp;
            std::filesystem::path target;
            std::function<void()> done;
        };
        std::vector<Staged> staged_;
    };

    enum class Kind { Missing, Plain, Folder, Link, Other };
    static Kind kind(const std::filesystem::path& file);
    // Any write permission bit set.
    static bool isWritable(const std::filesystem::path& file);
    static void setReadOnly(const std::filesystem::path& file, bool readOnly);
    static std::int64_t modificationTime(const std::filesystem::path& file);

    // Normalises a path handed in by a caller: "\" counts as a separator, doubled separators
    // collapse, a relative path is taken from the current folder, a trailing separator goes.
    static std::filesystem::path normalize(const std::string& path);

private:
    // Writes the content to a new temporary file beside the target and returns its name.
    static std::filesystem::path writeTemporary(const std::filesystem::path& target,
                                                const Producer& produce,
                                                const WriteOptions& options, bool sync);
};

} // namespace vss::server
