#include "BenchSupport.h"
#include "Benches.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 3;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Item names compare without regard to case, so of two paths that differ only in case (say
// xt_connmark.h and xt_CONNMARK.h) the database can hold one: the later one is skipped.
bool clashesInCase(const fs::path& file, std::map<std::string, std::string>& seen) {
    fs::path prefix;
    for (const auto& part : file) {
        prefix /= part;
        const auto [it, inserted] = seen.emplace(lowered(prefix.string()), prefix.string());
        if (!inserted && it->second != prefix.string())
            return true;
    }
    return false;
}

std::vector<fs::path> firstRegularFiles(const fs::path& tree, std::size_t count) {
    std::vector<fs::path> all;
    for (const auto& entry : fs::recursive_directory_iterator(tree))
        if (!entry.is_symlink() && entry.is_regular_file())
            all.push_back(entry.path().lexically_relative(tree));
    std::sort(all.begin(), all.end());
    std::vector<fs::path> files;
    std::map<std::string, std::string> seen;
    std::size_t skipped = 0;
    for (const auto& file : all) {
        if (files.size() == count)
            break;
        if (clashesInCase(file, seen))
            ++skipped;
        else
            files.push_back(file);
    }
    if (skipped > 0)
        std::printf("skipped %zu files whose paths differ from others only in case\n", skipped);
    return files;
}

// The project for a relative folder, made on first use.
class ProjectTree {
public:
    explicit ProjectTree(com::ComPtr<vss::IVSSItem> root) { projects_[fs::path()] = root; }
    vss::IVSSItem& project(const fs::path& folder) {
        auto it = projects_.find(folder);
        if (it != projects_.end())
            return *it->second;
        auto made = newProject(project(folder.parent_path()), folder.filename().string());
        return *(projects_[folder] = made);
    }

private:
    std::map<fs::path, com::ComPtr<vss::IVSSItem>> projects_;
};

void addAll(vss::IVSSItem& root, const fs::path& source, const std::vector<fs::path>& files) {
    ProjectTree tree(com::ComPtr<vss::IVSSItem>::share(&root));
    const Stopwatch watch;
    for (const auto& file : files) {
        com::ComPtr<vss::IVSSItem> added;
        check(tree.project(file.parent_path())
                  .Add(com::widen((source / file).string()), u"", vss::FlagWritable, added.put()),
              "Add " + file.string());
    }
    std::printf("added %zu files in %.2f s\n", files.size(), watch.seconds());
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double timedGet(vss::IVSSItem& root, const fs::path& target) {
    check(root.put_LocalSpec(com::widen(target.string())), "put_LocalSpec");
    std::u16string local;
    check(root.get_LocalSpec(&local), "get_LocalSpec");
    const Stopwatch watch;
    check(root.Get(&local, vss::FlagRecursiveYes), "Get");
    return watch.seconds();
}

double timedCopy(const fs::path& source, const fs::path& target) {
    const ChildResult r =
        runChild({"/bin/cp", "-r", source.string(), target.string()}, ChildOutput::discard);
    if (r.exitCode != 0)
        throw std::runtime_error("cp -r failed");
    return r.seconds;
}

} // namespace

void sourceTree(const fs::path& tree, std::size_t count) {
    std::printf("== get of a real source tree: %s ==\n", tree.c_str());
    const std::vector<fs::path> files = firstRegularFiles(tree, count);
    if (files.size() < count)
        std::printf("only %zu regular files there\n", files.size());
    const ScratchFolder scratch("bench-server");
    const fs::path source = scratch.path() / "source";
    std::uintmax_t bytes = 0;
    for (const auto& file : files) {
        fs::create_directories((source / file).parent_path());
        fs::copy_file(tree / file, source / file);
        bytes += fs::file_size(source / file);
    }
    std::printf("%zu files, %.1f MiB\n", files.size(), bytes / 1048576.0);

    auto db = createAndOpen(scratch.path() / "db");
    auto root = newProject(*item(*db, "$/"), "Tree");
    addAll(*root, source, files);

    double bestGet = 1e9, bestCopy = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path got = scratch.path() / ("get" + std::to_string(run));
        const double get = timedGet(*root, got);
        const double copy = timedCopy(source, scratch.path() / ("copy" + std::to_string(run)));
        std::printf("run %d: recursive Get %.3f s, cp -r %.3f s\n", run + 1, get, copy);
        bestGet = std::min(bestGet, get);
        bestCopy = std::min(bestCopy, copy);
        for (const auto& file : files)
            if (readAll(got / file) != readAll(source / file))
                throw std::runtime_error("the get gave a different " + file.string());
    }
    std::printf("best: Get %.3f s, cp -r %.3f s, ratio Get/cp %.1f\n", bestGet, bestCopy,
                bestGet / bestCopy);
}

} // namespace bench
