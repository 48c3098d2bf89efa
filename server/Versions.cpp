#include "Versions.h"

#include "Errors.h"
#include "Version.h"

namespace vss::server {

HRESULT Versions::get_Count(std::int32_t* count) {
    return guardCall([&] {
        if (count == nullptr)
            throw VssError("A result pointer is missing.", com::E_POINTER);
        *count = static_cast<std::int32_t>(rows_.size());
    });
}

HRESULT Versions::get_Item(std::int32_t index, IVSSVersion** version) {
    return guardCall([&] {
        if (version == nullptr)
            throw VssError("A result pointer is missing.", com::E_POINTER);
        *version = nullptr;
        if (index < 1 || static_cast<std::size_t>(index) > rows_.size())
            throw VssError("There is no history entry number " + std::to_string(index) + ".",
                           com::E_INVALIDARG);
        *version = new Version(rows_[static_cast<std::size_t>(index - 1)]);
    });
}

} // namespace vss::server
