// The copies a run has announced it will get, written ahead on a thread of its own into
// unnamed files of their folders: each get then only gives its copy a name. The thread reads
// the store through a connection of its own; what it writes is invisible until a get takes it,
// and a copy nobody takes vanishes with its descriptor.
#pragma once

#include "ItemTable.h"
#include "LocalFile.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vss::server {

class Session;

class CopyAhead {
public:
    // Copies ready but not yet taken, at most: each holds an open descriptor.
    static constexpr std::size_t kWindow = 48;
    // How far ahead of the next get the thread begins a copy.
    static constexpr std::uint64_t kLead = 2;
    // How long a get spins for a copy being finished before it sleeps.
    static constexpr std::chrono::microseconds kSpin{200};
    // Files given to removeLater that wake the thread to remove them together.
    static constexpr std::size_t kRemovalBatch = 16;

    // Whether a second thread can run beside the gets: with one processor it would only
    // take turns with them.
    static bool worthwhile();

    // Opens a connection of the run's user, for the thread alone.
    using OpenReader = std::function<std::unique_ptr<Session>()>;
    explicit CopyAhead(OpenReader openReader);
    // Stops the thread; copies not taken vanish.
    ~CopyAhead();
    CopyAhead(const CopyAhead&) = delete;
    CopyAhead& operator=(const CopyAhead&) = delete;

    // Gets of the files at `specs` under `flags` that are to follow, after those announced
    // before; `replacing`: undone check-outs, which replace the file there.
    void announce(std::vector<std::string> specs, std::int32_t flags, bool replacing);

    // What a copy was written from and how; a get takes a copy only when its own agree.
    struct Key {
        std::string path;
        std::int64_t contentId = 0;
        bool readOnly = true;
        std::optional<std::int64_t> modificationTime;

        bool operator==(const Key&) const = default;
    };
    // The copy written ahead for the file at `spec`, waiting while it is being written; none
    // when the file was not announced, its copy could not be written ahead, or it was written
    // for another path, from another version or with other options. The copies announced
    // before it are given up: gets follow their announcements in order. While it waits, the
    // get writes copies announced after it itself, through its own session `getter`.
    std::optional<LocalFile::WrittenAhead> take(Session& getter, const std::string& spec,
                                                const Key& key);

    // Removes the file on the thread, before its next copy; at the latest when the run ends.
    void removeLater(const std::filesystem::path& file);

private:
    enum class State { Waiting, Writing, Done };
    struct Job {
        std::string spec;
        std::int32_t flags = 0;
        bool replacing = false;
        State state = State::Waiting;
        Key key;
        std::optional<LocalFile::WrittenAhead> copy;
    };

    // A session that writes copies ahead, with the project it looked at last.
    struct Writer {
        Session* session = nullptr;
        std::string projectSpec;
        std::optional<ItemRef> project;
        // The project's files by folded name, read at once: only for a session whose view of
        // the store holds still, as the thread's does for the whole run.
        bool readsWholeProjects = false;
        std::optional<std::unordered_map<std::string, ItemRef>> files;
        LocalFile::Listing listing;
    };

    // Starts the thread at the first get; false when it cannot be.
    bool start();
    void work();
    static void removeAll(const std::vector<std::filesystem::path>& files);
    void writeAnnounced();
    // Writes the copy of the job of that sequence number, begun under the lock, which is
    // released meanwhile; false when its folder was not there yet, and the job waits again.
    bool writeJob(std::unique_lock<std::mutex>& lock, Writer& writer, std::uint64_t sequence);
    // Writes one announced copy; none when it is not to be written ahead, or could not be
    // because its folder is not there yet (`noFolder`).
    std::optional<LocalFile::WrittenAhead> write(Writer& writer, const Job& job, Key& key,
                                                 bool& noFolder, std::size_t following);
    // Whether no file has that path, as far as the writer knows: a folder is listed once
    // rather than each of the `following` copies looked for on their own.
    static bool missing(Writer& writer, const std::string& path, std::size_t following);
    // The file at spec, as the writer's session sees it; none for a deleted one.
    static std::optional<ItemRef> lookup(Writer& writer, const std::string& spec,
                                         std::size_t following);
    // Runs of at least this many copies to come read their project's files at once.
    static constexpr std::size_t kWholeProjectRun = 64;
    // The next job to begin, if any and there is room for its copy.
    std::optional<std::uint64_t> nextToBegin(std::uint64_t lead) const;
    // Waits until the copy of the next get, being written, is done.
    void awaitCopy(std::unique_lock<std::mutex>& lock, Session& getter);
    // Spins a little while the job of that sequence number is being finished.
    void awaitBriefly(std::uint64_t sequence) const;
    // The job of that sequence number, if it is still queued.
    Job* job(std::uint64_t sequence);

    OpenReader openReader_;
    std::unique_ptr<Session> reader_;
    Writer threadWriter_; // the thread's session
    Writer getterWriter_; // the gets' own, while they wait
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::filesystem::path> removals_;
    std::vector<Job> jobs_;   // by sequence number, all kept until the run ends
    std::uint64_t first_ = 0; // the first job not yet taken or given up
    std::uint64_t next_ = 0;  // of the first job not yet begun
    std::size_t untaken_ = 0; // copies written and still queued
    // The thread writes once a get has come: the gets' folder may not be there before.
    bool taking_ = false;
    // The window was full: the thread waits until the gets have taken half of it rather than
    // waking for each copy taken.
    bool resting_ = false;
    bool stopping_ = false;
    bool broken_ = false; // the thread could not read the store: nothing is written ahead
    // Past the sequence number of the thread's last job done; the gets write theirs at once.
    std::atomic<std::uint64_t> finished_{0};
    std::atomic<bool> abandon_{false}; // read by the thread while it writes, without the lock
    std::thread thread_;
};

} // namespace vss::server
