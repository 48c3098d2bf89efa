// Each user's side of the database: check-outs and working folders per project.
#pragma once

#include "Store.h"

#include <optional>
#include <string>
#include <vector>

namespace vss::server {

struct Checkout {
    std::int64_t itemId = 0;
    std::int64_t userId = 0;
    std::string user;
    std::string localPath;
    std::int64_t date = 0;
    std::int32_t version = 0;
    std::string comment;
};

class WorkspaceTable {
public:
    explicit WorkspaceTable(Store& store) : store_(store) {}

    std::optional<Checkout> checkout(std::int64_t itemId);
    void addCheckout(const Checkout& checkout);
    void removeCheckout(std::int64_t itemId);

    std::optional<std::string> workingFolder(std::int64_t userId, std::int64_t projectId);
    void setWorkingFolder(std::int64_t userId, std::int64_t projectId, const std::string& folder);

private:
    Store& store_;
};

} // namespace vss::server
