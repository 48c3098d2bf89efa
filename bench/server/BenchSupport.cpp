#include "BenchSupport.h"

#include <system/System.h>
#include <vss/VssAdmin.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>

extern "C" com::HRESULT ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out);
extern char** environ;

namespace bench {

namespace fs = std::filesystem;

void check(com::HRESULT hr, std::string_view call) {
    if (com::succeeded(hr))
        return;
    const auto info = com::takeErrorInfo();
    throw std::runtime_error(std::string(call) + ": " +
                             (info ? com::narrow(*info) : "status " + std::to_string(hr)));
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (sys::tempFolder() / "bench-server-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

com::ComPtr<vss::IVSSDatabase> createAndOpen(const fs::path& folder) {
    vss::admin::createDatabase(folder, sys::logonName());
    com::ComPtr<vss::IVSSDatabase> db;
    check(ComGetClassObject(&vss::CLSID_VSSDatabase, &vss::IVSSDatabase::kIid, db.putVoid()),
          "ComGetClassObject");
    check(db->Open(com::widen((folder / "srcsafe.ini").string()), u"", u""), "Open");
    return db;
}

com::ComPtr<vss::IVSSItem> item(vss::IVSSDatabase& db, const std::string& path) {
    com::ComPtr<vss::IVSSItem> result;
    check(db.get_VSSItem(com::widen(path), com::kFalse, result.put()), "get_VSSItem " + path);
    return result;
}

com::ComPtr<vss::IVSSItem> newProject(vss::IVSSItem& parent, const std::string& name) {
    com::ComPtr<vss::IVSSItem> project;
    check(parent.NewSubproject(com::widen(name), u"", project.put()), "NewSubproject " + name);
    return project;
}

ChildResult runChild(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args(argv);
    std::vector<char*> pointers;
    for (auto& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    ChildResult result;
    const Stopwatch watch;
    pid_t pid = 0;
    const int rc =
        ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(rc));
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds = watch.seconds();
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

fs::path ssTool() {
    return QM_SS_PATH;
}

} // namespace bench
