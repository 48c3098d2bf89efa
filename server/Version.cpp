#include "Version.h"

#include "Errors.h"

namespace vss::server {

namespace {
template <class T, class V> HRESULT answer(T* out, const V& value) {
    return guardCall([&] {
        if (out == nullptr)
            throw VssError("A result pointer is missing.", com::E_POINTER);
        *out = value;
    });
}
} // namespace

HRESULT Version::get_VersionNumber(std::int32_t* number) {
    return answer(number, row_.number);
}

HRESULT Version::get_UserName(std::u16string* user) {
    return answer(user, com::widen(row_.user));
}

HRESULT Version::get_Date(std::int64_t* unixSeconds) {
    return answer(unixSeconds, row_.date);
}

HRESULT Version::get_Action(std::u16string* action) {
    return answer(action, com::widen(row_.action));
}

HRESULT Version::get_Comment(std::u16string* comment) {
    return answer(comment, com::widen(row_.comment));
}

HRESULT Version::get_Label(std::u16string* label) {
    return answer(label, com::widen(row_.label));
}

} // namespace vss::server
