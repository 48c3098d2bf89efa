// The known contents the fault tests and their helper agree on: file i at version v holds
// `size` bytes of text that no other file or version holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace sstest {

inline std::string fileName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "f%03d.txt", index);
    return name;
}

inline std::string knownContent(int index, int version, std::size_t size) {
    std::uint64_t state = static_cast<std::uint64_t>(index) * 1000003u + version;
    std::string text;
    text.reserve(size + 64);
    for (int line = 0; text.size() < size; ++line) {
        // splitmix64: cheap, and different for every file, version and line
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "file %d version %d line %d %016llx\n", index, version,
                      line, static_cast<unsigned long long>(z));
        text += buffer;
    }
    text.resize(size);
    return text;
}

} // namespace sstest
