// Figures of the registry stand-in: bench_registry [--siblings N]. Imports N sibling keys and
// N values into one key, then a key at the deepest allowed level, and reports the time, the
// size of the files read and written, and the peak memory.
#include <registry/Registry.h>

#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long peakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void importAndReport(const char* what, const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    const fs::path hive = reg::hiveFile(reg::Root::CurrentUser);
    const std::uintmax_t before = fs::exists(hive) ? fs::file_size(hive) : 0;
    const auto start = std::chrono::steady_clock::now();
    reg::importFile(file);
    const double took = seconds(start);
    std::printf("%-30s %7.3f s  file %9zu bytes  hive grew %9ju bytes  peak %6ld KiB\n", what, took,
                text.size(), fs::file_size(hive) - before, peakKilobytes());
}

} // namespace

int main(int argc, char** argv) {
    int siblings = 30000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--siblings") {
            siblings = std::stoi(argv[i + 1]);
        } else {
            std::fprintf(stderr, "bench_registry: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    QTemporaryDir scratch;
    const fs::path root = scratch.path().toStdString();
    ::setenv(reg::kFolderVariable, (root / "registry").c_str(), 1);
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    try {
        std::string keys = header;
        for (int i = 0; i < siblings; ++i)
            keys += "[HKEY_CURRENT_USER\\Software\\Siblings\\Key " + std::to_string(i) + "]\r\n";
        importAndReport((std::to_string(siblings) + " sibling keys").c_str(), root / "keys.reg",
                        keys);
        std::string values = header + "[HKEY_CURRENT_USER\\Software\\Values]\r\n";
        for (int i = 0; i < siblings; ++i)
            values += "\"Value " + std::to_string(i) + "\"=dword:00000001\r\n";
        importAndReport((std::to_string(siblings) + " values in one key").c_str(),
                        root / "values.reg", values);
        std::string deep = header + "[HKEY_CURRENT_USER\\Software";
        for (std::size_t level = 1; level < reg::kMaxKeyDepth; ++level)
            deep += "\\Level";
        deep += "]\r\n\"V\"=\"deepest\"\r\n";
        importAndReport("a key 512 levels deep", root / "deep.reg", deep);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::string> names =
            reg::subkeyNames(reg::Root::CurrentUser, "Software\\Siblings");
        bool found = true;
        for (int i = 0; i < siblings; i += 7)
            found = found && reg::keyExists(reg::Root::CurrentUser,
                                            "software\\siblings\\KEY " + std::to_string(i));
        std::printf("%-30s %7.3f s  (%zu keys, all found: %s)\n", "lookups of every 7th key",
                    seconds(start), names.size(), found ? "yes" : "no");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_registry: %s\n", e.what());
        return 1;
    }
    return 0;
}
