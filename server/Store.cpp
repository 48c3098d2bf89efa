#include "Store.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <unistd.h>

namespace vss::server {

namespace {
constexpr int kBusyTimeoutMs = 30000;
constexpr std::int64_t kMappedBytes = std::int64_t{256} << 20;
constexpr int kAttempts = 50;

std::string uri(const std::filesystem::path& file) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "file:";
    for (unsigned char c : file.string()) {
        if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

bool isBusy(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}
} // namespace

Statement::Statement(sqlite3* db, sqlite3_stmt* stmt, bool* inUse)
    : db_(db), stmt_(stmt), inUse_(inUse) {}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)),
      inUse_(std::exchange(other.inUse_, nullptr)) {}

Statement::~Statement() {
    if (!stmt_)
        return;
    if (inUse_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        *inUse_ = false;
    } else {
        sqlite3_finalize(stmt_);
    }
}

static void checkBind(sqlite3* db, int rc) {
    if (rc != SQLITE_OK)
        throw VssError(std::string("The store refused a value: ") + sqlite3_errmsg(db));
}

Statement& Statement::bind(int index, std::int64_t value) {
    checkBind(db_, sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    checkBind(db_, sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                       SQLITE_UTF8));
    return *this;
}

Statement& Statement::bindNull(int index) {
    checkBind(db_, sqlite3_bind_null(stmt_, index));
    return *this;
}

Statement& Statement::bindBlob(int index, const void* data, std::size_t size) {
    checkBind(db_, sqlite3_bind_blob64(stmt_, index, size ? data : "", size, SQLITE_TRANSIENT));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    std::string message = std::string("Database store error: ") + sqlite3_errmsg(db_);
    if (isBusy(rc))
        throw BusyError("The database is busy (locked by another user); try again.");
    if ((rc & 0xff) == SQLITE_CONSTRAINT)
        throw VssError("Database store constraint failed: " + std::string(sqlite3_errmsg(db_)));
    throw VssError(message);
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string_view Statement::blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n))
             : std::string_view();
}

Store::Store(const std::filesystem::path& file, bool create) : file_(file) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (connect(file.string(), flags) && (create || probe())) {
        readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
        return;
    }
    const bool damaged = db_ != nullptr && lastFailureIsDamage();
    const std::string why = db_ != nullptr ? lastFailure() : std::string("out of memory");
    const bool unwritable = ::access(file.c_str(), W_OK) != 0 ||
                            ::access(file.parent_path().c_str(), W_OK) != 0 ||
                            (db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1);
    close();
    // Without write access the log index (-shm) cannot be made: a store nobody here can change
    // is read as it is on disk.
    if (!create && !damaged && unwritable) {
        if (connect(uri(file) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI) &&
            probe()) {
            readOnly_ = true;
            return;
        }
        close();
    }
    if (damaged)
        throw VssError("The database store " + quote(file.string()) +
                       " failed its integrity check: " + why);
    throw VssError("Cannot open the database store " + quote(file.string()) + ": " + why);
}

bool Store::connect(const std::string& name, int flags) {
    if (sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                        nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    const char* const setup[] = {
        "PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL",
        // A large check-in grows the write-ahead log; give the space back after checkpoints.
        "PRAGMA journal_size_limit = 67108864"};
    for (const char* pragma : setup)
        if (sqlite3_exec(db_, pragma, nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    return (flags & SQLITE_OPEN_CREATE) == 0 ||
           sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void Store::mapForReading() {
    // The map only reserves addresses; a larger store is read the usual way beyond it.
    exec("PRAGMA mmap_size = " + std::to_string(kMappedBytes));
}

void Store::close() {
    for (auto& [sql, cached] : cache_)
        sqlite3_finalize(cached->stmt);
    byAddress_.clear();
    cache_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Store::probe() {
    return sqlite3_exec(db_, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) ==
           SQLITE_OK;
}

bool Store::lastFailureIsDamage() const {
    const int primary = sqlite3_errcode(db_) & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string Store::lastFailure() const {
    const int code = sqlite3_errcode(db_);
    const int error = sqlite3_system_errno(db_);
    const std::string message = sqlite3_errmsg(db_);
    switch (code & 0xff) {
    case SQLITE_FULL:
        return "the disk is full (" + message + ")";
    case SQLITE_READONLY:
        return "it is read-only (" + message + ")";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return message;
    default:
        break;
    }
    if (error == ENOSPC || error == EDQUOT)
        return "the disk is full (" + message + ")";
    if (error == EROFS)
        return "the file system is read-only (" + message + ")";
    if (error == EACCES || error == EPERM)
        return "permission denied (" + message + ")";
    if (error != 0)
        return message + " (" + std::strerror(error) + ")";
    return message;
}

Store::~Store() {
    releaseRead();
    // A group left open by its caller still ends on disk.
    if (groupUnflushed_) {
        try {
            flushLog();
        } catch (const VssError&) {
            // Closing the last connection checkpoints, which flushes once more.
        }
    }
    close();
}

void Store::check(int rc, std::string_view what) const {
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return;
    if (isBusy(rc))
        throw BusyError("The database is busy (locked by another user); try again.");
    throw VssError("Database store error (" + std::string(what) + "): " + sqlite3_errmsg(db_));
}

sqlite3_stmt* Store::compile(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    check(sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                             SQLITE_PREPARE_PERSISTENT, &stmt, nullptr),
          "prepare");
    return stmt;
}

Statement Store::prepare(const std::string& sql) {
    auto& slot = cache_[sql];
    if (!slot)
        slot = std::make_unique<Cached>();
    return use(*slot, sql);
}

Statement Store::prepare(const char* sql) {
    // Most statements are literals, asked for from the same place each time: found by their
    // address, then checked to the letter, they cost no copy and no hash of their text.
    if (const auto it = byAddress_.find(sql);
        it != byAddress_.end() && std::strcmp(it->second->first.c_str(), sql) == 0)
        return use(*it->second->second, it->second->first);
    auto [entry, added] = cache_.try_emplace(sql);
    if (added)
        entry->second = std::make_unique<Cached>();
    byAddress_[sql] = &*entry;
    return use(*entry->second, entry->first);
}

Statement Store::use(Cached& slot, const std::string& sql) {
    if (!slot.stmt) {
        slot.stmt = compile(sql);
        slot.writes = !sqlite3_stmt_readonly(slot.stmt);
    }
    // A change made outside a transaction commits on its own, never inside a held read.
    if (readHeld_ && depth_ == 0 && slot.writes)
        releaseRead();
    if (!slot.inUse) {
        slot.inUse = true;
        return Statement(db_, slot.stmt, &slot.inUse);
    }
    return Statement(db_, compile(sql), nullptr);
}

void Store::exec(const std::string& sql) {
    if (depth_ == 0)
        releaseRead();
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        if (isBusy(rc))
            throw BusyError("The database is busy (locked by another user); try again.");
        throw VssError("Database store error: " + message);
    }
}

void Store::write(const std::function<void()>& body) {
    if (readOnly_ && depth_ == 0)
        throw VssError("The database store " + quote(file_.string()) +
                       " is read-only: it can be read, but nothing in it can be changed.");
    if (groups_ > 0) {
        groupUnflushed_ = true;
        transaction("BEGIN IMMEDIATE", Sync::Normal, body);
        return;
    }
    transaction("BEGIN IMMEDIATE", Sync::Full, body);
}

void Store::endGroup() {
    if (groups_ == 0)
        throw VssError("No run of calls is open.", com::E_UNEXPECTED);
    if (--groups_ > 0)
        return;
    releaseRead();
    if (!groupUnflushed_)
        return;
    groupUnflushed_ = false;
    flushLog();
}

void Store::flushLog() {
    sqlite3_file* log = nullptr;
    check(sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log), "flush");
    // Without an open log, every commit has gone through a checkpoint, which flushes.
    if (log == nullptr || log->pMethods == nullptr)
        return;
    const int rc = log->pMethods->xSync(log, SQLITE_SYNC_NORMAL);
    if (rc != SQLITE_OK)
        throw VssError("Cannot flush the database store " + quote(file_.string()) +
                       " to disk: " + sqlite3_errstr(rc));
}

void Store::writeCache(const std::function<void()>& body) {
    if (readOnly_ && depth_ == 0)
        throw VssError("The database store " + quote(file_.string()) +
                       " is read-only: it can be read, but nothing in it can be changed.");
    transaction("BEGIN IMMEDIATE", Sync::Normal, body);
}

void Store::read(const std::function<void()>& body) {
    if (groups_ > 0 && depth_ == 0) {
        readInGroup(body);
        return;
    }
    transaction("BEGIN", std::nullopt, body);
}

void Store::readInGroup(const std::function<void()>& body) {
    try {
        if (!readHeld_) {
            prepare("BEGIN").run();
            readHeld_ = true;
        }
        depth_ = 1;
        body();
        depth_ = 0;
    } catch (const BusyError&) {
        depth_ = 0;
        releaseRead();
        // The usual way, with its retries.
        transaction("BEGIN", std::nullopt, body);
    } catch (...) {
        depth_ = 0;
        releaseRead();
        throw;
    }
}

void Store::releaseRead() {
    if (!readHeld_)
        return;
    readHeld_ = false;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK &&
        !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

// In WAL mode FULL flushes the log at every commit; NORMAL only at checkpoints. The level can
// change only between transactions.
void Store::setSync(Sync sync) {
    if (sync == sync_)
        return;
    exec(sync == Sync::Full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
    sync_ = sync;
}

void Store::transaction(const char* begin, std::optional<Sync> sync,
                        const std::function<void()>& body) {
    if (depth_ > 0) {
        if (sync == Sync::Full && sync_ != Sync::Full)
            throw VssError("Internal error: a durable change inside a transaction that is not.");
        body();
        return;
    }
    releaseRead();
    if (sync)
        setSync(*sync);
    std::optional<std::minstd_rand> random; // seeded only when a retry needs it
    for (int attempt = 1;; ++attempt) {
        try {
            prepare(begin).run();
            depth_ = 1;
            // A write's BEGIN has taken its snapshot: from here on only the commit moves the
            // version (a read takes its snapshot later, and never moves it by committing).
            const std::uint32_t before = dataVersion();
            body();
            prepare("COMMIT").run();
            depth_ = 0;
            if (sync)
                ownCommits_ += dataVersion() - before;
            return;
        } catch (const BusyError&) {
            depth_ = 0;
            if (!sqlite3_get_autocommit(db_))
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            if (attempt >= kAttempts)
                throw;
            if (!random)
                random.emplace(std::random_device{}());
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + (*random)() % 50));
        } catch (...) {
            depth_ = 0;
            if (!sqlite3_get_autocommit(db_))
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

std::uint32_t Store::dataVersion() const {
    unsigned int version = 0;
    check(sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version), "version");
    return version;
}

std::uint32_t Store::currentDataVersion() {
    if (depth_ == 0)
        prepare("PRAGMA data_version").run();
    return dataVersion();
}

std::optional<std::uint32_t> Store::othersVersionInTransaction() const {
    // Outside a transaction the version seen is that of the last one, which may be stale.
    if (depth_ == 0)
        return std::nullopt;
    return othersVersion();
}

std::int64_t Store::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Store::changes() const {
    return sqlite3_changes(db_);
}

} // namespace vss::server
