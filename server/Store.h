// One SQLite connection to a database's store, with its statement cache and the transaction
// discipline every call follows: one write transaction per call, taken with BEGIN IMMEDIATE and
// retried whole when another process holds the lock. Changes to the permanent record commit
// durably; what can be rebuilt from it commits without a flush to disk.
#pragma once

#include "Errors.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace vss::server {

// SQLITE_BUSY or SQLITE_LOCKED: another connection holds a lock; the transaction is retried.
class BusyError : public VssError {
public:
    using VssError::VssError;
};

// A prepared statement taken from the cache; reset and handed back when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt, bool* inUse);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindNull(int index);
    Statement& bindBlob(int index, const void* data, std::size_t size);

    // Steps once; true while a row is available.
    bool step();
    // Steps to the end, for statements without rows.
    void run();
    // Makes the statement ready to run again with new values.
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;
    std::string_view blob(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_;
    bool* inUse_; // null for a statement owned by this object (cache slot busy)
};

class Store {
public:
    // Opens an existing store, or creates the file when create is true.
    Store(const std::filesystem::path& file, bool create);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& file() const { return file_; }
    // A store that this process cannot change (a read-only file, folder or file system) is
    // opened for reading only; write() then raises.
    bool readOnly() const { return readOnly_; }
    // Why the last failing call failed, in words a user can act on: a full disk, a read-only
    // or unreadable store, damage.
    std::string lastFailure() const;
    // The last failing call found the file damaged or not a store at all.
    bool lastFailureIsDamage() const;

    // A cached statement; when the cached one is in use (nested iteration) a fresh one.
    Statement prepare(const std::string& sql);
    Statement prepare(const char* sql);
    void exec(const std::string& sql);
    // Reads the file through a memory map rather than copies in the connection's own cache: for
    // a connection that reads much of the store once, as a run's copying thread does.
    void mapForReading();

    // Runs body in one write transaction (BEGIN IMMEDIATE ... COMMIT), retried whole on busy,
    // rolled back on any failure, and on disk before it returns. A nested call joins the outer
    // transaction.
    void write(const std::function<void()>& body);
    // The same for changes to what can be rebuilt from the permanent record: the commit is not
    // flushed to disk, so a power cut may lose it (never tear it), and the next durable commit
    // carries it along.
    void writeCache(const std::function<void()>& body);
    // Runs body in one read transaction, for a consistent view across several statements.
    // Within a group the read stays open for the group's next reads, until the group ends or
    // something is written: the calls of a run read one state of the store.
    void read(const std::function<void()>& body);
    bool inTransaction() const { return depth_ > 0; }

    // A group of calls whose durable changes reach the disk together, with one flush when the
    // outermost group ends: until then they commit as the rebuildable ones do, safe against the
    // process's death but not against a power cut. Groups nest.
    void beginGroup() { ++groups_; }
    // Ends the group begun last; the outermost end flushes the group's changes to disk. Raises
    // without an open group, or when the flush fails: the group has ended all the same, and
    // the next durable commit takes its changes to disk.
    void endGroup();
    int groupDepth() const { return groups_; }

    // Changes whenever the store changes, through this connection or any other, as seen by the
    // transaction this connection began last.
    std::uint32_t dataVersion() const;
    // The same as of now: outside a transaction it begins and ends a read to look.
    std::uint32_t currentDataVersion();
    // Changes only with the commits of other connections, as seen by the transaction this
    // connection began last; this connection's own commits leave it.
    std::uint32_t othersVersion() const { return dataVersion() - ownCommits_; }
    // The same as of now.
    std::uint32_t currentOthersVersion() { return currentDataVersion() - ownCommits_; }

    // Counts this connection's changes to what places projects on disk (their links and the
    // working folders), which those who cache the places watch along with othersVersion().
    void notePlacesChanged() { ++placeChanges_; }
    std::uint64_t placeChanges() const { return placeChanges_; }

    // othersVersion() where it is current, inside a transaction; none outside one.
    std::optional<std::uint32_t> othersVersionInTransaction() const;

    std::int64_t lastInsertId() const;
    int changes() const;

    // Raises for a failing result code, with the connection's message.
    void check(int rc, std::string_view what) const;

private:
    enum class Sync { Full, Normal };
    void transaction(const char* begin, std::optional<Sync> sync,
                     const std::function<void()>& body);
    void setSync(Sync sync);
    sqlite3_stmt* compile(const std::string& sql);
    // Runs body in the read the group holds open, beginning it when none is.
    void readInGroup(const std::function<void()>& body);
    // Ends the read the group holds open, if any.
    void releaseRead();
    // Flushes the write-ahead log, where every commit of the group lies until a checkpoint.
    void flushLog();
    // Opens and sets up the connection; false, with the connection's error kept, on failure.
    bool connect(const std::string& name, int flags);
    void close();
    // Reads the store's header; false, with the connection's error kept, when that fails.
    bool probe();

    struct Cached {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
        bool writes = false; // the statement changes the store
    };
    // Hands out the cached statement of that text, compiling it first when needed.
    Statement use(Cached& slot, const std::string& sql);

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Cached>> cache_;
    // The entries of cache_ by the address of the text last asked for with.
    std::unordered_map<const char*, std::pair<const std::string, std::unique_ptr<Cached>>*>
        byAddress_;
    int depth_ = 0;
    Sync sync_ = Sync::Full;
    bool readOnly_ = false;
    int groups_ = 0;
    bool readHeld_ = false;        // a read transaction is open between calls of a group
    std::uint32_t ownCommits_ = 0; // how far this connection's commits moved dataVersion()
    std::uint64_t placeChanges_ = 0;
    bool groupUnflushed_ = false; // a durable change of the open group is not yet on disk
};

} // namespace vss::server
