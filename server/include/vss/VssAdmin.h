// Administration of a database, for the server's own command-line tool and tests: the parts
// of the work that the automation interfaces do not cover. Everything raises AdminError with a
// one-line message a user can act on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// Exported from libsourcesafe.so, which hides everything else.
#define VSS_ADMIN_API __attribute__((visibility("default")))

namespace vss::admin {

class VSS_ADMIN_API AdminError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Creates srcsafe.ini and the store in the folder (created when missing; must not hold a
// database yet), with one user `adminUser` without a password and the root project "$/".
// The database is private to its creator (folders 0700, files 0600) unless a group (name or
// number) is given to share it with: then folders are 2770 and files 0660, of that group.
VSS_ADMIN_API void createDatabase(const std::filesystem::path& folder,
                                  const std::string& adminUser = "Admin",
                                  const std::string& group = {});

// The database folder as Open would pick it for an empty ini path: $SSDIR, else the registry's
// current database, else the first registered one. Raises when there is none.
VSS_ADMIN_API std::filesystem::path defaultDatabaseFolder();

struct Login {
    std::string user; // as the database spells it
    bool administrator = false;
};
// Checks a user's password as opening the database does (an empty user name means $SSUSER,
// else the logon name); raises when the login is refused.
VSS_ADMIN_API Login login(const std::filesystem::path& folder, const std::string& user,
                          const std::string& password);
// Whether the user has a password; false for a user the database does not know.
VSS_ADMIN_API bool hasPassword(const std::filesystem::path& folder, const std::string& user);

// An empty password means the user has none.
VSS_ADMIN_API void addUser(const std::filesystem::path& folder, const std::string& user,
                           const std::string& password = {});
VSS_ADMIN_API void setPassword(const std::filesystem::path& folder, const std::string& user,
                               const std::string& password);
VSS_ADMIN_API std::vector<std::string> users(const std::filesystem::path& folder);

struct CheckoutInfo {
    std::string spec;
    std::string user;
    std::string localPath;
    std::int32_t version = 0;
    std::int64_t date = 0; // unix seconds
};
// Check-outs of the files under a project (recursively), in spec order.
VSS_ADMIN_API std::vector<CheckoutInfo> checkouts(const std::filesystem::path& folder,
                                                  const std::string& projectSpec = "$/");

// Labels an item: a new version without content that carries the label and the comment,
// recorded for `user`. Returns the new version's number.
VSS_ADMIN_API std::int32_t label(const std::filesystem::path& folder, const std::string& spec,
                                 const std::string& label, const std::string& user,
                                 const std::string& comment = {});

// Writes the content of a file's version (0 = the latest) to out, in bounded memory.
VSS_ADMIN_API void writeVersion(const std::filesystem::path& folder, const std::string& fileSpec,
                                std::int32_t version, std::ostream& out);

struct VerifyReport {
    std::vector<std::string> problems; // empty when the store is sound
    std::int64_t contentsChecked = 0;
    bool ok() const { return problems.empty(); }
};
// SQLite's integrity check plus a re-hash of every stored content.
VSS_ADMIN_API VerifyReport verify(const std::filesystem::path& folder);

} // namespace vss::admin
