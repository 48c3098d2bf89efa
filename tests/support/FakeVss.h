// An in-process fake of the SourceSafe automation server, registered for CLSID_VSSDatabase for
// the life of a FakeVssServer. Its answers are settable and every call that matters is recorded,
// so tests can check what the add-in asked and that it released every object it got.
#pragma once

#include <vss/VssInterfaces.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testenv {

struct FakeVssState {
    struct OpenCall {
        std::string iniPath;
        std::string user;
        std::string password;
    };
    struct GetCall {
        std::string spec;
        std::string local;
        std::int32_t flags = 0;
    };
    struct Item {
        std::int32_t type = vss::kTypeFile;
        std::string localSpec;
        std::int32_t checkedOut = vss::kNotCheckedOut;
    };

    // Decides an Open: an empty result accepts it, any other text is the error description.
    std::function<std::string(const OpenCall&)> openPolicy;
    // The description CoCreateInstance fails with; empty: creation succeeds.
    std::string createError;
    // The description every Get fails with; empty: Get succeeds.
    std::string getError;
    // Items by spec ("$/Proj", "$/Proj/a.pas"); lookups compare without regard to case. A
    // project's children (get_Items) are the items one level below it, in spec order.
    std::map<std::string, Item> items;

    int databasesCreated = 0;
    std::vector<OpenCall> opens;
    std::vector<std::string> lookups; // get_VSSItem specs, in order
    std::vector<GetCall> gets;
    int liveObjects = 0; // databases and items not yet released

    void addProject(const std::string& spec, const std::string& localSpec = {});
    void addFile(const std::string& spec, const std::string& localSpec = {});
};

class FakeVssServer {
public:
    FakeVssServer();
    ~FakeVssServer();
    FakeVssServer(const FakeVssServer&) = delete;
    FakeVssServer& operator=(const FakeVssServer&) = delete;

    FakeVssState& state() { return *state_; }
    FakeVssState* operator->() { return state_.get(); }

private:
    std::shared_ptr<FakeVssState> state_;
};

} // namespace testenv
