#include "NamedList.h"

namespace reg::detail {

bool sameName(std::string_view a, std::string_view b) {
    return sys::foldCase(a) == sys::foldCase(b);
}

} // namespace reg::detail
