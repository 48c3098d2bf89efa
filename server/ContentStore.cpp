#include "ContentStore.h"

#include <sodium.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace vss::server {

namespace {

constexpr int kCompressionLevel = 3;

class Hasher {
public:
    Hasher() { crypto_generichash_init(&state_, nullptr, 0, crypto_generichash_BYTES); }
    void update(const char* data, std::size_t size) {
        crypto_generichash_update(&state_, reinterpret_cast<const unsigned char*>(data), size);
        size_ += static_cast<std::int64_t>(size);
        if (!binary_ && std::memchr(data, 0, size) != nullptr)
            binary_ = true;
    }
    Fingerprint finish() {
        unsigned char out[crypto_generichash_BYTES];
        crypto_generichash_final(&state_, out, sizeof out);
        return {std::string(reinterpret_cast<char*>(out), sizeof out), size_, binary_};
    }

private:
    crypto_generichash_state state_{};
    std::int64_t size_ = 0;
    bool binary_ = false;
};

struct CCtxDeleter {
    void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};

// Small files need no chunk-sized buffer.
std::size_t bufferSize(const LocalFile::Reader& reader) {
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(reader.size() + 1, 4096, ContentStore::kChunkSize));
}

DamagedContent corrupt(std::int64_t id, const std::string& why) {
    return DamagedContent("Stored content " + std::to_string(id) + " is damaged: " + why);
}

} // namespace

void ContentStore::DCtxDeleter::operator()(ZSTD_DCtx* d) const {
    ZSTD_freeDCtx(d);
}

Fingerprint ContentStore::fingerprint(const std::filesystem::path& file) {
    LocalFile::Reader reader(file);
    std::vector<char> buffer(bufferSize(reader));
    Hasher hasher;
    while (const std::size_t n = reader.read(buffer.data(), buffer.size()))
        hasher.update(buffer.data(), n);
    return hasher.finish();
}

std::string ContentStore::hex(const std::string& hash) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : hash) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

std::optional<ContentInfo> ContentStore::find(const std::string& hash) {
    auto q = store_.prepare("SELECT id, size, binary FROM contents WHERE hash = ?1");
    q.bindBlob(1, hash.data(), hash.size());
    if (!q.step())
        return std::nullopt;
    return ContentInfo{q.integer(0), hash, q.integer(1), q.integer(2) != 0};
}

ContentInfo ContentStore::info(std::int64_t id) {
    auto q = store_.prepare("SELECT hash, size, binary FROM contents WHERE id = ?1");
    q.bind(1, id);
    if (!q.step())
        throw corrupt(id, "it is missing");
    return ContentInfo{id, std::string(q.blob(0)), q.integer(1), q.integer(2) != 0};
}

ContentInfo ContentStore::put(const std::filesystem::path& file, const Fingerprint* known) {
    if (known) {
        if (auto existing = find(known->hash))
            return *existing;
    }
    LocalFile::Reader reader(file);
    if (sodium_init() < 0)
        throw VssError("The hashing library could not start.");
    // One pass stores and hashes; the row gets its real hash once the pass is done.
    unsigned char pending[crypto_generichash_BYTES + 1];
    pending[0] = 0; // never a digest length: cannot clash with a real hash
    randombytes_buf(pending + 1, crypto_generichash_BYTES);
    store_.prepare("INSERT INTO contents(hash, size, binary) VALUES(?1, 0, 0)")
        .bindBlob(1, pending, sizeof pending)
        .run();
    const std::int64_t id = store_.lastInsertId();
    const Fingerprint stored = storeChunks(id, reader);
    if (auto existing = find(stored.hash)) {
        store_.prepare("DELETE FROM chunks WHERE content_id = ?1").bind(1, id).run();
        store_.prepare("DELETE FROM contents WHERE id = ?1").bind(1, id).run();
        return *existing;
    }
    store_.prepare("UPDATE contents SET hash = ?2, size = ?3, binary = ?4 WHERE id = ?1")
        .bind(1, id)
        .bindBlob(2, stored.hash.data(), stored.hash.size())
        .bind(3, stored.size)
        .bind(4, stored.binary ? 1 : 0)
        .run();
    if (!verify(id))
        throw VssError("The content of " + quote(file.string()) +
                       " did not read back intact from the store; nothing was changed.");
    return ContentInfo{id, stored.hash, stored.size, stored.binary};
}

Fingerprint ContentStore::storeChunks(std::int64_t id, LocalFile::Reader& reader) {
    std::unique_ptr<ZSTD_CCtx, CCtxDeleter> cctx(ZSTD_createCCtx());
    if (!cctx)
        throw std::bad_alloc();
    std::vector<char> buffer(bufferSize(reader));
    std::vector<char> packed(ZSTD_compressBound(buffer.size()));
    Hasher hasher;
    auto insert = store_.prepare("INSERT INTO chunks(content_id, seq, size, data) "
                                 "VALUES(?1, ?2, ?3, ?4)");
    for (std::int64_t seq = 0;; ++seq) {
        const std::size_t n = reader.read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        hasher.update(buffer.data(), n);
        const std::size_t m = ZSTD_compressCCtx(cctx.get(), packed.data(), packed.size(),
                                                buffer.data(), n, kCompressionLevel);
        if (ZSTD_isError(m))
            throw VssError(std::string("Compression failed: ") + ZSTD_getErrorName(m));
        insert.bind(1, id).bind(2, seq).bind(3, static_cast<std::int64_t>(n));
        insert.bindBlob(4, packed.data(), m).run();
        insert.reset();
    }
    return hasher.finish();
}

void ContentStore::read(std::int64_t id, const LocalFile::Sink& sink) {
    if (!dctx_)
        dctx_.reset(ZSTD_createDCtx());
    if (!dctx_)
        throw std::bad_alloc();
    Hasher hasher;
    // Decompressed chunks alternate between two buffers: one waits while the next is checked.
    if (!held_) {
        held_ = std::make_unique_for_overwrite<char[]>(kChunkSize);
        buffer_ = std::make_unique_for_overwrite<char[]>(kChunkSize);
    }
    char* held = held_.get();
    char* buffer = buffer_.get();
    std::size_t heldSize = 0;
    bool holding = false;
    // What the content must hash to comes with its chunks; an empty content has none.
    auto q = store_.prepare("SELECT c.seq, c.size, c.data, t.hash, t.size FROM chunks c "
                            "JOIN contents t ON t.id = c.content_id WHERE c.content_id = ?1 "
                            "ORDER BY c.seq");
    q.bind(1, id);
    std::optional<ContentInfo> expected;
    std::int64_t expectedSeq = 0;
    while (q.step()) {
        if (!expected)
            expected = ContentInfo{id, std::string(q.blob(3)), q.integer(4), false};
        if (q.integer(0) != expectedSeq++)
            throw corrupt(id, "a chunk is missing");
        const std::int64_t size = q.integer(1);
        if (size < 0 || size > static_cast<std::int64_t>(kChunkSize))
            throw corrupt(id, "a chunk has a wrong size");
        const auto n = static_cast<std::size_t>(size);
        const std::string_view data = q.blob(2);
        const std::size_t got =
            ZSTD_decompressDCtx(dctx_.get(), buffer, n, data.data(), data.size());
        if (ZSTD_isError(got) || got != n)
            throw corrupt(id, "a chunk does not decompress");
        hasher.update(buffer, n);
        if (holding)
            sink(held, heldSize);
        std::swap(held, buffer);
        heldSize = n;
        holding = true;
    }
    if (!expected)
        expected = info(id);
    const Fingerprint actual = hasher.finish();
    if (actual.size != expected->size || actual.hash != expected->hash)
        throw corrupt(id, "it does not match its hash");
    if (holding)
        sink(held, heldSize);
}

void ContentStore::readVersion(std::int64_t id, const std::string& spec, std::int32_t version,
                               const LocalFile::Sink& sink) {
    try {
        read(id, sink);
    } catch (const DamagedContent& e) {
        throw DamagedContent("Version " + std::to_string(version) + " of " + quote(spec) +
                             " cannot be handed out: " + e.what() +
                             ". Run 'ss verify' on the database.");
    }
}

std::string ContentStore::readAll(std::int64_t id, const std::string& spec, std::int32_t version,
                                  std::int64_t limit) {
    if (info(id).size > limit)
        throw VssError("The file is too large for a text merge.");
    std::string all;
    readVersion(id, spec, version,
                [&](const char* data, std::size_t size) { all.append(data, size); });
    return all;
}

bool ContentStore::verify(std::int64_t id) {
    try {
        read(id, [](const char*, std::size_t) {});
    } catch (const DamagedContent&) {
        return false;
    }
    return true;
}

bool ContentStore::equalsFile(std::int64_t id, const std::filesystem::path& file) {
    if (LocalFile::kind(file) != LocalFile::Kind::Plain)
        return false;
    LocalFile::Reader reader(file);
    if (reader.size() != info(id).size)
        return false;
    std::vector<char> local(kChunkSize);
    bool same = true;
    read(id, [&](const char* data, std::size_t size) {
        if (!same)
            return;
        const std::size_t n = reader.read(local.data(), size);
        same = n == size && std::memcmp(local.data(), data, size) == 0;
    });
    char extra;
    return same && reader.read(&extra, 1) == 0;
}

} // namespace vss::server
