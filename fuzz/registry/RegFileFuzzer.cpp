// Feeds arbitrary bytes to the .reg parser, both as an import file and as a hive. Whatever
// parses as a hive must reach its fixed point in one write: writing it, reading that back and
// writing again gives the same text, and an export of it reads back as the same hive.
#include <registry/Hive.h>
#include <registry/RegFile.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using reg::detail::Hive;

void require(bool condition, const char* what, const std::string& a, const std::string& b) {
    if (condition)
        return;
    std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        reg::detail::parseRegText(text, "input.reg", reg::detail::ParseMode::Import);
    } catch (const reg::RegistryError&) {
    }
    std::string written;
    try {
        written = Hive::parse(reg::Root::CurrentUser, text, "hive.reg").serialize();
    } catch (const reg::RegistryError&) {
        return 0;
    }
    // From here on nothing may be refused: the text is our own.
    const Hive again = Hive::parse(reg::Root::CurrentUser, written, "written.reg");
    require(again.serialize() == written, "the hive changed on its second write", written,
            again.serialize());
    const std::string exported = Hive::exportText(*again.find(""), "HKEY_CURRENT_USER");
    const std::string reimported =
        Hive::parse(reg::Root::CurrentUser, exported, "exported.reg").serialize();
    require(reimported == written, "an export read back differs", written, reimported);
    return 0;
}
