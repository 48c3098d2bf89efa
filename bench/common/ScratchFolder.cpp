#include "ScratchFolder.h"

#include <system/System.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace bench {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& name) {
    std::string pattern = (sys::tempFolder() / (name + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    if (keep_)
        return;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

} // namespace bench
