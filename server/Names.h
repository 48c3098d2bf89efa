// Item names and specs ("$/Project/File.pas"): validation, parsing and case-blind comparison.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vss::server {

class Names {
public:
    static constexpr std::size_t kMaxNameLength = 255;

    // Raises (quoting the name) unless it is a valid item name.
    static void validate(const std::string& name);
    // Why a name is not valid; empty when it is.
    static std::string problem(const std::string& name);
    // Raises unless a name read back from the store may become a file or folder name: the
    // store may have been changed behind the server's back, so names leaving it are checked by
    // the same rules as names entering it.
    static void validateStored(const std::string& name);

    // The names along a spec, root excluded: "$/A/B" -> {"A", "B"}; "$/" and "$" -> {}.
    // One trailing "/" is accepted. Raises, quoting the spec, for anything malformed.
    static std::vector<std::string> parseSpec(const std::string& spec);
    static std::string childSpec(const std::string& parentSpec, const std::string& name);

    // Names compare without regard to case: Unicode simple case folding (sys::foldCase), the
    // folding the store's name index holds.
    static std::string fold(std::string_view name);
    static bool equal(std::string_view a, std::string_view b);
};

} // namespace vss::server
