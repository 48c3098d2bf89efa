// Commands that administer a database as a whole: create it, its users, its registration and
// its integrity. They work on the database folder directly, through the admin API.
#include "Command.h"
#include "Errors.h"

#include <com/Com.h>
#include <registry/Registry.h>
#include <vss/VssAdmin.h>
#include <vss/VssInterfaces.h>

#include <dlfcn.h>
#include <filesystem>
#include <iostream>
#include <link.h>

namespace ss {

namespace fs = std::filesystem;

namespace {

constexpr char kSourceSafeKey[] = "Software\\Microsoft\\SourceSafe";
constexpr char kDatabasesKey[] = "Software\\Microsoft\\SourceSafe\\Databases";

// A folder as the registry and the server keep it: absolute, normal, no trailing separator.
fs::path absoluteFolder(const fs::path& folder) {
    fs::path result = fs::absolute(folder).lexically_normal();
    if (!result.has_filename() && result.has_relative_path())
        result = result.parent_path();
    return result;
}

void requireAdministrator(const vss::admin::Login& login, const std::string& what) {
    if (!login.administrator)
        throw RefusedError("only the database's administrator may " + what + "; " + login.user +
                           " is not the administrator");
}

// User names compare without regard to ASCII case, as the database keeps them.
bool sameUser(std::string a, std::string b) {
    auto lower = [](std::string& s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    };
    lower(a);
    lower(b);
    return a == b;
}

int runCreate(Context&, const ParsedArguments& args) {
    const std::string admin = args.value("--admin").value_or("Admin");
    if (admin.empty())
        throw UsageError("option '--admin' needs a non-empty name");
    const std::string group = args.value("--group").value_or("");
    if (args.has("--group") && group.empty())
        throw UsageError("option '--group' needs a group name");
    const fs::path folder = absoluteFolder(args.positional[0]);
    vss::admin::createDatabase(folder, admin, group);
    std::cout << "Created the database in " << folder.string() << " with the user " << admin
              << "\n";
    return kExitOk;
}

int runAddUser(Context& context, const ParsedArguments& args) {
    requireAdministrator(context.logIn(), "add users");
    std::string password;
    if (args.has("--password-stdin"))
        password = context.readStdinLine("the new user's password");
    vss::admin::addUser(context.databaseFolder(), args.positional[0], password);
    return kExitOk;
}

int runPassword(Context& context, const ParsedArguments& args) {
    const vss::admin::Login login = context.logIn();
    if (!sameUser(login.user, args.positional[0]))
        requireAdministrator(login, "set another user's password");
    const std::string password = context.readStdinLine("the new password");
    vss::admin::setPassword(context.databaseFolder(), args.positional[0], password);
    return kExitOk;
}

int runUsers(Context& context, const ParsedArguments&) {
    context.logIn();
    for (const std::string& user : vss::admin::users(context.databaseFolder()))
        std::cout << user << "\n";
    return kExitOk;
}

// The server library this tool runs on, wherever the run path found it (beside ss in a build,
// in ../lib in an installed layout).
fs::path defaultLibrary() {
    const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / "libsourcesafe.so";
    void* handle = dlopen("libsourcesafe.so", RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr)
        return beside;
    const link_map* library = nullptr;
    fs::path loaded;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &library) == 0 && library != nullptr &&
        library->l_name != nullptr && library->l_name[0] == '/')
        loaded = fs::path(library->l_name).lexically_normal();
    dlclose(handle);
    return loaded.empty() ? beside : loaded;
}

int runRegister(Context& context, const ParsedArguments& args) {
    const fs::path folder = absoluteFolder(context.databaseFolder());
    if (!fs::is_regular_file(folder / "srcsafe.ini"))
        throw RefusedError("no database in " + folder.string() + " (srcsafe.ini is missing)");
    context.logIn();
    const std::string name = args.value("--name").value_or(folder.filename().string());
    if (name.empty())
        throw UsageError("option '--name' needs a non-empty name");
    const fs::path library =
        args.has("--library") ? fs::absolute(*args.value("--library")) : defaultLibrary();
    if (!fs::is_regular_file(library))
        throw RefusedError("the server library " + library.string() + " does not exist");

    com::registerServerLibrary(vss::CLSID_VSSDatabase, library.string());
    reg::writeValue(reg::Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                    reg::Value::fromString(library.string()));
    reg::writeValue(reg::Root::LocalMachine, kDatabasesKey, name,
                    reg::Value::fromString(folder.string()));
    if (args.has("--current"))
        reg::writeValue(reg::Root::LocalMachine, kSourceSafeKey, "APICurrentDatabase",
                        reg::Value::fromString(folder.string()));
    return kExitOk;
}

int runVerify(Context& context, const ParsedArguments&) {
    context.logIn();
    const vss::admin::VerifyReport report = vss::admin::verify(context.databaseFolder());
    for (const std::string& problem : report.problems)
        std::cout << problem << "\n";
    std::cout << report.contentsChecked << " contents checked, " << report.problems.size()
              << " problems\n";
    if (!report.ok())
        throw RefusedError("the database failed its integrity check (" +
                           std::to_string(report.problems.size()) + " problems)");
    return kExitOk;
}

} // namespace

std::vector<Command> databaseCommands() {
    return {
        {"create",
         "DIR [--admin NAME] [--group GROUP]",
         "Create a new database in DIR with one administrator without a password.",
         "  --admin NAME    the administrator's name (default: Admin)\n"
         "  --group GROUP   share the database with the members of GROUP (default: it is "
         "yours alone)\n"
         "DIR is created when missing and must not hold a database yet. Its folders and files "
         "are open to you alone (0700, 0600), or with --group to GROUP as well (2770, 0660).",
         {{"--admin", true}, {"--group", true}},
         1,
         1,
         runCreate},
        {"adduser",
         "NAME [--password-stdin]",
         "Add a user to the database (the administrator only).",
         "  --password-stdin   read the user's password from standard input (the line after "
         "your own password, if you have one)\n"
         "Without it the user has no password. Passwords are never taken from the command "
         "line.",
         {{"--password-stdin", false}},
         1,
         1,
         runAddUser},
        {"password",
         "NAME",
         "Set a user's password to a line of standard input (an empty line removes it).",
         "Your own password, if you have one, comes first on standard input, the new one on the "
         "next line. Only the administrator sets another user's password.",
         {},
         1,
         1,
         runPassword},
        {"users", "", "List the database's users.", "", {}, 0, 0, runUsers},
        {"register",
         "[--name NAME] [--current] [--library PATH]",
         "Register the server and the database in the registry.",
         "  --name NAME      the name under \"Databases\" (default: the folder's name)\n"
         "  --current        also make it the current database (APICurrentDatabase)\n"
         "  --library PATH   the server library (default: the libsourcesafe.so ss runs on)\n"
         "Writes the server's class, SCCServerPath and the database's folder under "
         "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SourceSafe.",
         {{"--name", true}, {"--current", false}, {"--library", true}},
         0,
         0,
         runRegister},
        {"verify",
         "",
         "Check the store's integrity and re-hash every stored content.",
         "Prints each problem found; exits with 1 when there is any.",
         {},
         0,
         0,
         runVerify},
    };
}

} // namespace ss
