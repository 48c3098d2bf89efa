// A logged-in connection to a database through the automation interfaces, the way any client
// of the server reaches it. A failing call raises RefusedError with the server's description.
#pragma once

#include "Context.h"

#include <com/Com.h>
#include <vss/VssInterfaces.h>

#include <string>
#include <string_view>

namespace ss {

// Raises RefusedError carrying the server's error description when hr is a failure.
void check(com::HRESULT hr, std::string_view call);

std::string toUtf8(const std::u16string& text);
std::u16string toUtf16(std::string_view text);

class Session {
public:
    explicit Session(Context& context);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The item at spec; deleted items are not found.
    com::ComPtr<vss::IVSSItem> item(std::string_view spec) const;
    // The user the session logged in as.
    std::string userName() const;

private:
    // Keeps COM initialised for exactly as long as the session holds interfaces.
    struct ComScope {
        ComScope();
        ~ComScope();
    };

    ComScope scope_;
    com::ComPtr<vss::IVSSDatabase> database_;
};

// Item properties, raising on failure.
std::string itemName(vss::IVSSItem& item);
std::string itemSpec(vss::IVSSItem& item);
std::string localSpec(vss::IVSSItem& item);
bool isProject(vss::IVSSItem& item);

} // namespace ss
