#include "Names.h"

#include "Errors.h"

#include <system/CaseFold.h>

#include <array>

namespace vss::server {

namespace {

std::size_t codePoints(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

enum class Refused : unsigned char { No, Control, Reserved };

// What each byte of a name is, looked up once a byte.
constexpr std::array<Refused, 256> refusedBytes() {
    std::array<Refused, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[static_cast<std::size_t>(c)] = Refused::Control;
    table[0x7f] = Refused::Control;
    for (char c : std::string_view("/\\:*?\"<>|"))
        table[static_cast<unsigned char>(c)] = Refused::Reserved;
    return table;
}
constexpr std::array<Refused, 256> kRefused = refusedBytes();

} // namespace

std::string Names::problem(const std::string& name) {
    if (name.empty())
        return "a name cannot be empty";
    if (name == "." || name == "..")
        return "\".\" and \"..\" are not names";
    if (codePoints(name) > kMaxNameLength)
        return "a name has at most " + std::to_string(kMaxNameLength) + " characters";
    if (name.front() == '$')
        return "a name cannot start with \"$\"";
    if (name.front() == ' ' || name.back() == ' ')
        return "a name cannot start or end with a blank";
    for (unsigned char c : name) {
        switch (kRefused[c]) {
        case Refused::No:
            break;
        case Refused::Control:
            return "a name cannot hold control characters";
        case Refused::Reserved:
            return std::string("a name cannot hold \"") + static_cast<char>(c) + "\"";
        }
    }
    return {};
}

void Names::validate(const std::string& name) {
    const std::string why = problem(name);
    if (!why.empty())
        throw invalidArgument("Invalid name " + quote(name) + ": " + why + ".");
}

void Names::validateStored(const std::string& name) {
    const std::string why = problem(name);
    if (!why.empty())
        throw VssError("The database holds an item named " + quote(name) +
                       ", which is not allowed (" + why +
                       "); nothing was written for it. Run 'ss verify' on the database.");
}

std::vector<std::string> Names::parseSpec(const std::string& spec) {
    if (spec == "$" || spec == "$/")
        return {};
    if (spec.size() < 3 || spec.compare(0, 2, "$/") != 0)
        throw invalidArgument("Invalid SourceSafe path " + quote(spec) +
                              ": a path starts with \"$/\".");
    std::string rest = spec.substr(2);
    if (rest.back() == '/')
        rest.pop_back();
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = rest.find('/', start);
        std::string part = rest.substr(start, slash == std::string::npos ? slash : slash - start);
        const std::string why = problem(part);
        if (!why.empty())
            throw invalidArgument("Invalid SourceSafe path " + quote(spec) + ": " + why + ".");
        parts.push_back(std::move(part));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

std::string Names::childSpec(const std::string& parentSpec, const std::string& name) {
    return parentSpec == "$/" ? "$/" + name : parentSpec + "/" + name;
}

std::string Names::fold(std::string_view name) {
    return sys::foldCase(name);
}

bool Names::equal(std::string_view a, std::string_view b) {
    return fold(a) == fold(b);
}

} // namespace vss::server
