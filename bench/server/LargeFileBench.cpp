#include "BenchSupport.h"
#include "Benches.h"

#include <system/System.h>
#include <vss/VssAdmin.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 1 << 20;
constexpr long kLimitKiB = 64 * 1024;

// Incompressible content, the hardest case for a store that compresses.
class RandomBytes {
public:
    explicit RandomBytes(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    void fill(std::string& chunk) {
        for (std::size_t i = 0; i + 8 <= chunk.size(); i += 8) {
            state_ ^= state_ >> 12;
            state_ ^= state_ << 25;
            state_ ^= state_ >> 27;
            const std::uint64_t v = state_ * 0x2545F4914F6CDD1Dull;
            std::memcpy(chunk.data() + i, &v, 8);
        }
    }

private:
    std::uint64_t state_;
};

void writeContent(const fs::path& file, int mib, std::uint64_t seed) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    RandomBytes random(seed);
    std::string chunk(kChunk, '\0');
    for (int i = 0; i < mib; ++i) {
        random.fill(chunk);
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + file.string());
}

bool hasContent(const fs::path& file, int mib, std::uint64_t seed) {
    std::ifstream in(file, std::ios::binary);
    RandomBytes random(seed);
    std::string expected(kChunk, '\0'), actual(kChunk, '\0');
    for (int i = 0; i < mib; ++i) {
        random.fill(expected);
        if (!in.read(actual.data(), static_cast<std::streamsize>(actual.size())) ||
            actual != expected)
            return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

void ss(const fs::path& db, const std::vector<std::string>& args, const char* label, int mib) {
    std::vector<std::string> argv{ssTool().string(), "--db", db.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const ChildResult r = runChild(argv, ChildOutput::discard);
    if (r.exitCode != 0)
        throw std::runtime_error(std::string("ss ") + args[0] + " failed");
    if (label == nullptr)
        return;
    char rate[32] = "";
    if (mib > 0)
        std::snprintf(rate, sizeof rate, "%8.1f MiB/s", mib / r.seconds);
    std::printf("%-26s %7.2f s  %14s  peak memory %6.1f MiB  %s\n", label, r.seconds, rate,
                r.peakKiB / 1024.0, r.peakKiB < kLimitKiB ? "(under 64 MiB)" : "(OVER 64 MiB)");
    std::fflush(stdout);
}

} // namespace

void largeFile(int mib) {
    std::printf("== one file of %d MiB, each step an ss process ==\n", mib);
    const ScratchFolder scratch("bench-server");
    const fs::path db = scratch.path() / "db";
    const fs::path work = scratch.path() / "work";
    const fs::path file = work / "big.bin";
    vss::admin::createDatabase(db, sys::logonName());
    fs::create_directories(work);
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("(a child's peak starts from its spawner's resident size: bench_server's peak is "
                "%.1f MiB)\n",
                self.ru_maxrss / 1024.0);
    ss(db, {"--help"}, "ss --help (baseline)", 0);
    ss(db, {"mkproj", "$/Large"}, nullptr, 0);
    ss(db, {"workfold", "$/Large", work.string()}, nullptr, 0);

    writeContent(file, mib, 1);
    ss(db, {"add", "$/Large", file.string()}, "add (first check-in)", mib);
    ss(db, {"checkout", "$/Large/big.bin"}, "checkout", mib);
    writeContent(file, mib, 2);
    ss(db, {"checkin", "$/Large/big.bin"}, "checkin", mib);
    fs::remove(file);
    ss(db, {"get", "$/Large/big.bin"}, "get", mib);
    std::printf("got content %s\n", hasContent(file, mib, 2) ? "matches" : "DIFFERS");
    ss(db, {"cat", "$/Large/big.bin", "-v", "1"}, "cat -v 1 (to /dev/null)", mib);
}

} // namespace bench
