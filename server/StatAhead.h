// Looks at the local files a run's gets are to find, on a thread of its own, ahead of the gets:
// a get then takes what was found rather than look itself. A look taken during the run stands
// for the file as a look of the get's own would, the file being anybody's to change at any time,
// unless this session changed the file itself after it: such a look is not given out.
#pragma once

#include "LocalFile.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vss::server {

class StatAhead {
public:
    // Announcements shorter than this are not worth a thread.
    static constexpr std::size_t kFewest = 64;
    // How far past the last look taken a get's path is looked for.
    static constexpr std::size_t kReach = 16;

    StatAhead();
    // Stops the thread.
    ~StatAhead();
    StatAhead(const StatAhead&) = delete;
    StatAhead& operator=(const StatAhead&) = delete;

    // Files that gets are to find, in the order of the gets, after those announced before.
    void announce(std::vector<std::string> paths);
    // What was found at `path` by a look that still stands; none when it was not announced
    // near here, not looked at yet, or changed by this session since. The looks announced
    // before it are given up.
    std::optional<LocalFile::Status> take(const std::string& path);
    // This session has changed the file at `path` (written it, or changed its mode): looks
    // taken before are not given out. Called once the change is complete.
    void changed(const std::string& path);
    // How many looks are done; the gets themselves never wait for one.
    std::size_t done();

private:
    enum State : int { Waiting, Looking, Done, Passed };
    struct Look {
        explicit Look(std::string p) : path(std::move(p)) {}
        const std::string path;
        std::atomic<int> state{Waiting};
        LocalFile::Status status;  // written before state turns Done
        std::uint64_t changes = 0; // how many changes were complete before the look
    };

    void work();

    std::mutex mutex_;
    std::condition_variable announced_;
    std::deque<Look> looks_; // a deque: a look stays where it is while more are announced
    std::size_t first_ = 0;  // the first look not yet taken or given up
    std::size_t next_ = 0;   // the thread's next look
    bool stopping_ = false;
    std::atomic<std::uint64_t> changes_{0};
    // By the path's hash: two paths that share one withhold each other's looks, never give one.
    std::unordered_map<std::size_t, std::uint64_t> changedAt_; // the gets' thread alone
    std::thread thread_; // last: it starts once the rest is in place
};

} // namespace vss::server
