// File contents, addressed by their hash (BLAKE2b-256), compressed with zstd in chunks of
// 1 MiB, deduplicated. Memory stays bounded by the chunk size whatever the file's size.
#pragma once

#include "LocalFile.h"
#include "Store.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ZSTD_DCtx_s;

namespace vss::server {

// Stored content that does not read back as it was stored: a chunk is missing or damaged, or
// the bytes do not match the content's hash.
class DamagedContent : public VssError {
public:
    using VssError::VssError;
};

struct ContentInfo {
    std::int64_t id = 0;
    std::string hash; // raw digest bytes
    std::int64_t size = 0;
    bool binary = false; // holds a NUL byte
};

// The digest, size and binary state of a byte stream.
struct Fingerprint {
    std::string hash;
    std::int64_t size = 0;
    bool binary = false;
};

class ContentStore {
public:
    static constexpr std::size_t kChunkSize = 1 << 20;

    explicit ContentStore(Store& store) : store_(store) {}

    // Reads a local file once and returns its fingerprint.
    static Fingerprint fingerprint(const std::filesystem::path& file);
    static std::string hex(const std::string& hash);

    // Stores a local file's content (inside the caller's write transaction) unless the same
    // content is stored already. New content is read back and re-hashed before returning, so
    // a transaction never commits content that does not match its hash. A fingerprint the
    // caller has just taken saves a pass over a file whose content is stored already.
    ContentInfo put(const std::filesystem::path& file, const Fingerprint* known = nullptr);

    std::optional<ContentInfo> find(const std::string& hash);
    ContentInfo info(std::int64_t id);

    // Streams the content to sink, chunk by chunk, hashing it on the way. The last chunk is
    // handed over only once the whole content matched its hash, so content of one chunk never
    // reaches the sink when it is damaged. Raises DamagedContent.
    void read(std::int64_t id, const LocalFile::Sink& sink);
    // The same for one version of a file: damage is reported with the file's spec and the
    // version's number.
    void readVersion(std::int64_t id, const std::string& spec, std::int32_t version,
                     const LocalFile::Sink& sink);
    // Whole content of a file's version in memory, for the text merge only.
    std::string readAll(std::int64_t id, const std::string& spec, std::int32_t version,
                        std::int64_t limit);
    // Re-hashes the stored content; false when it does not match its recorded hash.
    bool verify(std::int64_t id);
    // Byte-for-byte comparison of the stored content with a local file.
    bool equalsFile(std::int64_t id, const std::filesystem::path& file);

private:
    Fingerprint storeChunks(std::int64_t id, LocalFile::Reader& reader);

    struct DCtxDeleter {
        void operator()(ZSTD_DCtx_s* d) const;
    };

    Store& store_;
    std::unique_ptr<ZSTD_DCtx_s, DCtxDeleter> dctx_; // reused across reads
    // The two buffers decompressed chunks alternate between, made once at a chunk's full size
    // and left uninitialized: memory is touched only as far as the largest chunk read reaches,
    // and no growth copies or clears what is overwritten anyway.
    std::unique_ptr<char[]> held_, buffer_;
};

} // namespace vss::server
