// SourceSafe paths and names: a spec that parses yields valid names, and the spec rebuilt from
// them parses to the same names; folding is stable; validation agrees with the problem text.
#include "Errors.h"
#include "Names.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using vss::server::Names;
using vss::server::VssError;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string why = Names::problem(input);
    bool valid = true;
    try {
        Names::validate(input);
    } catch (const VssError&) {
        valid = false;
    }
    check(valid == why.empty());
    if (valid) {
        check(input.find('/') == std::string::npos && input.find('\\') == std::string::npos);
        check(input != "." && input != "..");
    }

    const std::string folded = Names::fold(input);
    check(Names::fold(folded) == folded);
    check(Names::equal(input, folded));

    std::vector<std::string> parts;
    try {
        parts = Names::parseSpec(input);
    } catch (const VssError&) {
        return 0;
    }
    std::string spec = "$/";
    for (const std::string& part : parts) {
        check(Names::problem(part).empty());
        spec = Names::childSpec(spec, part);
    }
    check(Names::parseSpec(spec) == parts);
    return 0;
}
