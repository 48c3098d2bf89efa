// Case-blind names: the one folding that the registry and the SourceSafe store both use.
#pragma once

#include <string>
#include <string_view>

namespace sys {

// The UTF-8 text with every code point replaced by its Unicode simple case folding (one code
// point for one, so "ß" stays "ß" and never becomes "ss"). Bytes that are not well-formed UTF-8
// are kept as they are, so names that differ in them stay different. Two names are the same
// name when their folded forms are equal.
std::string foldCase(std::string_view text);

// Which Unicode tables foldCase follows; folded forms kept from an earlier one may be stale.
int caseFoldingVersion();

} // namespace sys
