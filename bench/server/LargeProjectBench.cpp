#include "BenchSupport.h"
#include "Benches.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace bench {

namespace {

namespace fs = std::filesystem;

std::string fileName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%06d.txt", i);
    return name;
}

// Adds files from..to-1, one Add each (the automation interface has no bulk add).
void build(vss::IVSSItem& project, const fs::path& local, int from, int to) {
    const Stopwatch watch;
    for (int i = from; i < to; ++i) {
        const fs::path file = local / fileName(i);
        std::ofstream(file) << "file " << i << "\n";
        com::ComPtr<vss::IVSSItem> added;
        check(project.Add(com::widen(file.string()), u"", 0, added.put()), "Add");
    }
    const double s = watch.seconds();
    std::printf("build: files %d..%d added in %.1f s (%.2f ms per Add)\n", from + 1, to, s,
                s * 1000 / (to - from));
}

void lookups(vss::IVSSDatabase& db, int files, std::mt19937& random) {
    constexpr int kLookups = 20000;
    std::vector<std::u16string> paths;
    for (int i = 0; i < kLookups; ++i)
        paths.push_back(com::widen("$/Big/" + fileName(static_cast<int>(random() % files))));
    const Stopwatch watch;
    for (const auto& path : paths) {
        com::ComPtr<vss::IVSSItem> found;
        check(db.get_VSSItem(path, com::kFalse, found.put()), "get_VSSItem");
    }
    std::printf("item path lookup (get_VSSItem of a file): %.1f us on average over %d lookups\n",
                watch.seconds() * 1e6 / kLookups, kLookups);
}

void snapshot(vss::IVSSItem& project, int files, std::mt19937& random) {
    constexpr int kSnapshots = 5;
    com::ComPtr<vss::IVSSItems> items;
    const Stopwatch watch;
    for (int i = 0; i < kSnapshots; ++i)
        check(project.get_Items(com::kFalse, items.put()), "get_Items");
    std::printf("get_Items snapshot of %d children: %.1f ms on average\n", files,
                watch.seconds() * 1000 / kSnapshots);
    std::int32_t count = 0;
    check(items->get_Count(&count), "get_Count");
    if (count != files)
        throw std::runtime_error("the snapshot holds " + std::to_string(count) + " items");

    constexpr int kAccesses = 20000;
    std::vector<com::Variant> byIndex, byName;
    for (int i = 0; i < kAccesses; ++i) {
        const int n = static_cast<int>(random() % files);
        byIndex.emplace_back(n + 1);
        byName.emplace_back(com::widen(fileName(n)));
    }
    for (const auto* keys : {&byIndex, &byName}) {
        const Stopwatch access;
        for (const auto& key : *keys) {
            com::ComPtr<vss::IVSSItem> child;
            check(items->get_Item(key, child.put()), "get_Item");
        }
        std::printf("get_Item by %s on the snapshot: %.2f us on average\n",
                    keys == &byIndex ? "index" : "name", access.seconds() * 1e6 / kAccesses);
    }
}

} // namespace

void largeProject(int files) {
    std::printf("== a project of %d files ==\n", files);
    const ScratchFolder scratch("bench-server");
    auto db = createAndOpen(scratch.path() / "db");
    auto big = newProject(*item(*db, "$/"), "Big");
    fs::create_directories(scratch.path() / "local");
    std::mt19937 random(12345);
    // Figures at every tenfold size on the way, so a long build shows how they grow.
    int built = 0;
    for (int size = 1000; built < files; size *= 10) {
        const int target = std::min(size, files);
        build(*big, scratch.path() / "local", built, target);
        built = target;
        std::printf("-- at %d files:\n", built);
        lookups(*db, built, random);
        snapshot(*big, built, random);
        std::fflush(stdout);
    }
}

} // namespace bench
