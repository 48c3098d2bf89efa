// A fault-injecting wrapper around the real SourceSafe server objects: every call is forwarded,
// recorded with its arguments, and chosen calls fail with a chosen description instead.
#pragma once

#include <vss/VssInterfaces.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testenv {

class FaultPlan {
public:
    // One call as the server would have received it.
    struct Call {
        std::string method; // "Checkout", "get_Spec", "get_Item", ...
        std::string item;   // the item's name; the spec for get_VSSItem; the index for get_Item
        std::int32_t flags = 0;
        std::string comment;
        std::string local;
    };

    // Makes calls of `method` fail with `description`: only on items of that name when `item` is
    // given (see Call::item), and only the onCall-th such call (1-based) when onCall is non-zero.
    void fail(std::string method, std::string description, std::optional<std::string> item = {},
              int onCall = 0);
    void clearFaults() { rules_.clear(); }

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> callsOf(const std::string& method) const;
    void clearCalls() { calls_.clear(); }

    // Records the call; returns the failing status (with the error description set) when a rule
    // says so, else S_OK.
    com::HRESULT enter(Call call);

private:
    struct Rule {
        std::string method;
        std::optional<std::string> item;
        int onCall = 0;
        std::string description;
        int seen = 0;
    };
    std::vector<Rule> rules_;
    std::vector<Call> calls_;
};

// Wraps a real database object; items and collections reached through it are wrapped too.
com::ComPtr<vss::IVSSDatabase> wrapDatabase(vss::IVSSDatabase* real,
                                            std::shared_ptr<FaultPlan> plan);

} // namespace testenv
