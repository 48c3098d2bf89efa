#include "CopyAhead.h"

#include "FileOperations.h"
#include "Names.h"
#include "Session.h"

#include <vss/VssInterfaces.h>

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace vss::server {

namespace {

// Ends a copy being written when the run is over.
struct Abandoned {};

} // namespace

bool CopyAhead::worthwhile() {
    static const bool twoOrMore = [] {
        cpu_set_t usable;
        CPU_ZERO(&usable);
        return ::sched_getaffinity(0, sizeof usable, &usable) == 0 && CPU_COUNT(&usable) >= 2;
    }();
    return twoOrMore;
}

CopyAhead::CopyAhead(OpenReader openReader) : openReader_(std::move(openReader)) {}

bool CopyAhead::start() {
    try {
        reader_ = openReader_();
        threadWriter_.session = reader_.get();
        threadWriter_.readsWholeProjects = true;
        thread_ = std::thread([this] { work(); });
        return true;
    } catch (const std::exception&) {
        reader_.reset();
        broken_ = true;
        return false;
    }
}

CopyAhead::~CopyAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    abandon_ = true;
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    removeAll(removals_);
}

void CopyAhead::removeAll(const std::vector<std::filesystem::path>& files) {
    std::error_code ignored; // one left behind is a stale temporary, which the sweep takes
    for (const std::filesystem::path& file : files)
        std::filesystem::remove(file, ignored);
}

void CopyAhead::removeLater(const std::filesystem::path& file) {
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable() && !broken_ && !stopping_) {
            removals_.push_back(file);
            // Woken for a batch, not for each file: waking costs more than removing one.
            if (removals_.size() % kRemovalBatch == 0)
                changed_.notify_all();
            return;
        }
    }
    removeAll({file});
}

void CopyAhead::announce(std::vector<std::string> specs, std::int32_t flags, bool replacing) {
    bool waking = false;
    {
        std::lock_guard lock(mutex_);
        jobs_.reserve(jobs_.size() + specs.size());
        for (std::string& spec : specs)
            jobs_.push_back({std::move(spec), flags, replacing, State::Waiting, {}, std::nullopt});
        waking = taking_; // before the first get, the thread has nothing to do yet
    }
    if (waking)
        changed_.notify_all();
}

CopyAhead::Job* CopyAhead::job(std::uint64_t sequence) {
    if (sequence < first_ || sequence >= jobs_.size())
        return nullptr;
    return &jobs_[static_cast<std::size_t>(sequence)];
}

std::optional<LocalFile::WrittenAhead> CopyAhead::take(Session& getter, const std::string& spec,
                                                       const Key& key) {
    std::unique_lock lock(mutex_);
    // The thread and its connection cost a run that writes no new copy nothing.
    if (broken_ || (!thread_.joinable() && !start()))
        return std::nullopt;
    bool wake = !std::exchange(taking_, true);
    const auto found = std::find_if(jobs_.begin() + static_cast<std::ptrdiff_t>(first_),
                                    jobs_.end(), [&](const Job& job) { return job.spec == spec; });
    if (found == jobs_.end())
        return std::nullopt;
    // The gets of the copies announced before it are over: give those up.
    for (auto it = jobs_.begin() + static_cast<std::ptrdiff_t>(first_); it != found; ++it)
        if (it->copy) {
            it->copy.reset();
            --untaken_;
        }
    first_ = static_cast<std::uint64_t>(found - jobs_.begin());
    next_ = std::max(next_, first_);
    awaitCopy(lock, getter);
    std::optional<LocalFile::WrittenAhead> copy = std::exchange(jobs_[first_].copy, std::nullopt);
    const Key written = jobs_[first_].key;
    ++first_;
    if (copy)
        --untaken_;
    if (resting_ && untaken_ <= kWindow / 2) {
        resting_ = false;
        wake = true;
    }
    lock.unlock();
    if (wake)
        changed_.notify_all();
    // A copy not begun yet is not waited for: the get writes it itself.
    if (!copy || !(written == key))
        return std::nullopt;
    return copy;
}

void CopyAhead::awaitCopy(std::unique_lock<std::mutex>& lock, Session& getter) {
    bool helping = true;
    while (jobs_[first_].state == State::Writing) {
        // Rather than wait idle, the get writes a later copy itself; not again where a folder
        // was missing.
        if (const auto later = nextToBegin(1); helping && later) {
            getterWriter_.session = &getter;
            helping = writeJob(lock, getterWriter_, *later);
            continue;
        }
        // The copy is about done: waking from a sleep would take longer than a short spin.
        lock.unlock();
        awaitBriefly(first_);
        lock.lock();
        changed_.wait(lock, [&] {
            return jobs_[first_].state != State::Writing || (helping && nextToBegin(1));
        });
    }
}

std::optional<std::uint64_t> CopyAhead::nextToBegin(std::uint64_t lead) const {
    const std::uint64_t sequence = std::max(next_, first_ + lead);
    if (sequence >= jobs_.size() || untaken_ >= kWindow)
        return std::nullopt;
    return sequence;
}

void CopyAhead::awaitBriefly(std::uint64_t sequence) const {
    const auto until = std::chrono::steady_clock::now() + kSpin;
    for (unsigned round = 1; finished_.load(std::memory_order_acquire) <= sequence; ++round)
        if (round % 64 == 0 && std::chrono::steady_clock::now() > until)
            return;
}

void CopyAhead::work() {
    try {
        // One state of the store for the whole run, read without a transaction per copy: a
        // get takes only a copy of the version it found itself.
        reader_->beginRun();
        writeAnnounced();
        reader_->endRun();
    } catch (...) {
        // The gets write their copies themselves.
        std::lock_guard lock(mutex_);
        broken_ = true;
        for (Job& job : jobs_)
            if (job.state == State::Writing)
                job.state = State::Waiting;
    }
    changed_.notify_all();
}

void CopyAhead::writeAnnounced() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // The gets write the copies they reach before this thread: it keeps a lead on them,
        // so that a get seldom has to wait for a copy being written.
        changed_.wait(lock, [&] {
            return stopping_ || !removals_.empty() || (taking_ && !resting_ && nextToBegin(kLead));
        });
        if (stopping_)
            return;
        if (!removals_.empty()) {
            const std::vector<std::filesystem::path> files = std::exchange(removals_, {});
            lock.unlock();
            removeAll(files);
            lock.lock();
            continue;
        }
        const std::uint64_t sequence = *nextToBegin(kLead);
        if (writeJob(lock, threadWriter_, sequence))
            finished_.store(sequence + 1, std::memory_order_release);
        else
            taking_ = false; // the first get makes the folder: wait for the next one
        changed_.notify_all();
    }
}

bool CopyAhead::writeJob(std::unique_lock<std::mutex>& lock, Writer& writer,
                         std::uint64_t sequence) {
    next_ = sequence + 1;
    Job& queued = *job(sequence);
    queued.state = State::Writing;
    const Job announced{queued.spec, queued.flags, queued.replacing, State::Writing, {}, {}};
    const std::size_t following = jobs_.size() - static_cast<std::size_t>(sequence);
    lock.unlock();
    Key key;
    std::optional<LocalFile::WrittenAhead> copy;
    bool noFolder = false;
    try {
        copy = write(writer, announced, key, noFolder, following);
    } catch (...) {
        // The get itself writes the copy and reports what goes wrong.
        copy.reset();
    }
    lock.lock();
    Job* done = job(sequence);
    if (done && noFolder) {
        // Tried again once a get has made the folder.
        done->state = State::Waiting;
        next_ = std::min(next_, sequence);
        return false;
    }
    if (done) {
        done->state = State::Done;
        done->key = std::move(key);
        if (copy) {
            done->copy = std::move(copy);
            // A full window rests the thread until the gets have taken half of it.
            if (++untaken_ >= kWindow)
                resting_ = true;
        }
    }
    return true;
}

std::optional<LocalFile::WrittenAhead> CopyAhead::write(Writer& writer, const Job& job, Key& key,
                                                        bool& noFolder, std::size_t following) {
    Session& s = *writer.session;
    std::optional<LocalFile::WrittenAhead> copy;
    s.store.read([&] {
        copy.reset();
        noFolder = false;
        // An undo that leaves the local copy writes none.
        if (job.replacing && (job.flags & kMaskLocalCopy) == FlagLeaveLocal)
            return;
        const auto file = lookup(writer, job.spec, following);
        if (!file || file->isProject())
            return;
        const VersionRow latest = s.items.latestContentBrief(file->id);
        key.path = s.localSpec(*file);
        // A get writes only over a missing copy: an existing one may hold work or be current.
        if (key.path.empty() || (!job.replacing && !missing(writer, key.path, following)))
            return;
        const bool readOnly = (job.flags & kMaskReadOnly) != FlagWritable;
        const LocalFile::WriteOptions options =
            FileOperations::copyOptions(latest, job.flags, readOnly);
        key.contentId = latest.contentId;
        key.readOnly = readOnly;
        key.modificationTime = options.modificationTime;
        copy = LocalFile::writeAhead(
            key.path,
            [&](const LocalFile::Sink& sink) {
                s.contents.readVersion(latest.contentId, file->spec, latest.number,
                                       [&](const char* data, std::size_t size) {
                                           if (abandon_.load(std::memory_order_relaxed))
                                               throw Abandoned{};
                                           sink(data, size);
                                       });
            },
            options);
        // What an undone check-out replaces is there: its copy takes a name beside it now, and
        // the get only swaps the two.
        if (copy && job.replacing)
            LocalFile::nameAhead(*copy, key.path);
        const auto place = LocalFile::place(key.path);
        noFolder = !copy && place &&
                   LocalFile::kind(std::string(place->folder)) == LocalFile::Kind::Missing;
        if (noFolder)
            writer.listing.forget(); // listed again once it is made
    });
    return copy;
}

bool CopyAhead::missing(Writer& writer, const std::string& path, std::size_t following) {
    if (const auto listed = writer.listing.missing(path, following))
        return *listed;
    return LocalFile::kind(path) == LocalFile::Kind::Missing;
}

std::optional<ItemRef> CopyAhead::lookup(Writer& writer, const std::string& spec,
                                         std::size_t following) {
    // The files of a run mostly share their project: it is looked up once.
    const std::size_t slash = spec.rfind('/');
    if (slash == std::string::npos || slash + 1 == spec.size())
        return std::nullopt;
    const std::string projectSpec = slash <= 1 ? spec.substr(0, slash + 1) : spec.substr(0, slash);
    if (projectSpec != writer.projectSpec) {
        writer.project = writer.session->items.lookup(projectSpec, false);
        writer.projectSpec = projectSpec;
        writer.files.reset();
        // Worth it where most of the project's files are to come: reading one costs about a
        // third of looking one up.
        if (writer.project && writer.project->isProject() && writer.readsWholeProjects &&
            following >= kWholeProjectRun &&
            writer.session->items.childCount(*writer.project) <= 2 * following) {
            writer.files.emplace();
            for (ItemRef& file : writer.session->items.children(*writer.project, true))
                writer.files->emplace(Names::fold(file.name), std::move(file));
        }
    }
    if (!writer.project || !writer.project->isProject())
        return std::nullopt;
    std::optional<ItemRef> file;
    if (writer.files) {
        if (const auto it = writer.files->find(Names::fold(spec.substr(slash + 1)));
            it != writer.files->end())
            file = it->second;
    } else {
        file = writer.session->items.child(*writer.project, spec.substr(slash + 1));
    }
    if (!file || file->deleted)
        return std::nullopt;
    return file;
}

} // namespace vss::server
