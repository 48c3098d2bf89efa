// The three server benchmarks; each prints its figures to standard output.
#pragma once

#include <cstddef>
#include <filesystem>

namespace bench {

// A project of `files` files: build time, item path lookups, child snapshots and access into them.
void largeProject(int files);
// Add, check out, check in and get of one file of `mib` MiB by ss child processes, with their
// peak memory.
void largeFile(int mib);
// A get of the first `files` regular files under `tree` (sorted order) beside cp -r of them.
void sourceTree(const std::filesystem::path& tree, std::size_t files);

} // namespace bench
