// Figures of the server library: bench_server [--files N] [--mib M] [--tree-files K]
// [--tree DIR] [--only project|file|tree]. Defaults: 100000 files, 256 MiB, the first 2000
// Qt 6 headers.
#include "BenchSupport.h"
#include "Benches.h"

#include <com/Com.h>
#include <registry/Registry.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    int files = 100000;
    int mib = 256;
    std::size_t treeFiles = 2000;
    std::string tree = "/usr/include/x86_64-linux-gnu/qt6";
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--files")
            files = std::stoi(value);
        else if (option == "--mib")
            mib = std::stoi(value);
        else if (option == "--tree-files")
            treeFiles = std::stoul(value);
        else if (option == "--tree")
            tree = value;
        else if (option == "--only")
            only = value;
        else {
            std::fprintf(stderr, "bench_server: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    // The benchmark's databases are never registered; keep its processes off the user's
    // registry all the same.
    const bench::ScratchFolder registry("bench-server");
    ::setenv(reg::kFolderVariable, registry.path().c_str(), 1);
    com::CoInitialize();
    int code = 0;
    try {
        // The large file goes first: a child's ru_maxrss starts from the resident size of the
        // process that spawned it, which is smallest now.
        if (only.empty() || only == "file")
            bench::largeFile(mib);
        if (only.empty() || only == "project")
            bench::largeProject(files);
        if (only.empty() || only == "tree")
            bench::sourceTree(tree, treeFiles);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        code = 1;
    }
    com::CoUninitialize();
    return code;
}
