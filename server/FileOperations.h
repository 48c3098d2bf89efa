// The file side of the automation calls: Get, Checkout, Checkin and UndoCheckout of one file,
// and the recursive Get of a project. A check-out, check-in or undo is one durable write
// transaction; a get only reads the permanent record.
#pragma once

#include "Session.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vss::server {

class FileOperations {
public:
    FileOperations(Session& session, const ItemRef& item) : s_(session), item_(item) {}

    // local is in and out: empty means the item's local spec; a folder means the file's name
    // in it. On return it holds the path that was written (or the project's folder).
    void get(std::string& local, std::int32_t flags);
    void checkout(const std::string& comment, const std::string& local, std::int32_t flags);
    void checkin(const std::string& comment, const std::string& local, std::int32_t flags);
    void undoCheckout(const std::string& local, std::int32_t flags);
    // The content of a version (0: the latest content); nothing is written or recorded.
    std::string readVersion(std::int32_t number);

    // How a copy of the version is written under the flags' time group.
    static LocalFile::WriteOptions copyOptions(const VersionRow& version, std::int32_t flags,
                                               bool readOnly);

private:
    enum class Outcome { Written, Unchanged, Skipped, Merged };

    // The file's local path: the given one (a folder there means the file's name in it), else
    // the item's local spec. The status of a given file path is handed out through `found`.
    std::string fileLocalPath(const std::string& given, bool required,
                              std::optional<LocalFile::Status>* found = nullptr);
    void requireFile(const char* operation);
    void requireNotDeleted();
    void requireCheckoutByMe(Checkout& out);

    // Whether a comparison may take the local-copy record's word for a file it vouches for,
    // or must read the file.
    enum class Trust { Record, Content };

    // Brings one file's local copy to the latest version under the flags' replace, compare,
    // time and read-only groups.
    // The status of the file at path, when known, saves taking it again.
    Outcome getFile(const ItemRef& file, const std::string& path, std::int32_t flags,
                    bool forCheckout, const std::optional<LocalFile::Status>& known = {});
    // Whether the local-copy record vouches that the file, as a look taken ahead of the call
    // found it there, is the latest version. Only such a verdict, which changes nothing, may rest
    // on a look taken earlier in the run; one that writes rests on the file as it is now.
    bool currentAsLooked(const ItemRef& file, const std::string& path, std::int32_t flags,
                         const LocalFile::Status& looked);
    // The get of this file at `local` on the strength of a look taken ahead: only where the look
    // found it current, or found none (what appears meanwhile is never written over); false
    // where the get must look itself.
    bool getAsLooked(std::string& local, std::int32_t flags);
    void getProject(const ItemRef& project, const std::string& folder, std::int32_t flags,
                    std::vector<std::string>& problems);
    // `known`: what a look at path found just before.
    static LocalCopy recordOf(const ItemRef& file, std::int32_t version,
                              const LocalFile::Status& local);
    void writeVersion(const ItemRef& file, const VersionRow& version, const std::string& path,
                      std::int32_t flags, bool readOnly, const LocalFile::Status* known);
    void merge(const ItemRef& file, const VersionRow& latest, const std::string& path);
    // True when the local file holds the version's content, as the compare mode judges.
    // A fingerprint taken on the way is handed out through `taken`.
    bool matches(const ItemRef& file, const VersionRow& version, const std::string& path,
                 const LocalFile::Status& local, std::int32_t flags, Trust trust,
                 Fingerprint* taken = nullptr);
    // What the local-copy record says of the file as `local` found it, where it has a say:
    // under a time comparison, whether it is that version; otherwise only that it is.
    std::optional<bool> recordVerdict(const ItemRef& file, const VersionRow& version,
                                      const std::string& path, const LocalFile::Status& local,
                                      std::int32_t flags);
    void record(const ItemRef& file, std::int32_t version, const std::string& path,
                const LocalFile::Status& local);
    bool checkedOutByMe(const ItemRef& file);

    Session& s_;
    ItemRef item_;
};

} // namespace vss::server
