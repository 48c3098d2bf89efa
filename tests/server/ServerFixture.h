// A fresh database per test in its own temporary folder, opened through the library's COM
// entry, with helpers for local files and for the error text of a failed call.
#pragma once

#include <vss/VssAdmin.h>
#include <vss/VssInterfaces.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

extern "C" com::HRESULT ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out);

namespace servertest {

namespace fs = std::filesystem;
using com::ComPtr;

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new, unopened database object.
    static ComPtr<vss::IVSSDatabase> newDatabase();
    // Opens the test database for the user; fails the test when that fails.
    ComPtr<vss::IVSSDatabase> open(const std::string& user = "Admin",
                                   const std::string& password = {});
    ComPtr<vss::IVSSItem> item(vss::IVSSDatabase* db, const std::string& spec,
                               bool includeDeleted = false);
    // A project under "$/" with its working folder set to work()/name.
    ComPtr<vss::IVSSItem> project(vss::IVSSDatabase* db, const std::string& name);
    ComPtr<vss::IVSSItem> add(vss::IVSSItem* project, const fs::path& file, std::int32_t flags = 0);

    // The description of the last failure, taken from the error info.
    static std::string lastError();
    static std::string text(const std::u16string& s) { return com::narrow(s); }
    static std::u16string wide(const std::string& s) { return com::widen(s); }

    static fs::path write(const fs::path& file, const std::string& content);
    static std::string read(const fs::path& file);
    static bool writable(const fs::path& file);
    static std::string spec(vss::IVSSItem* item);
    static std::string localSpec(vss::IVSSItem* item);
    static std::int32_t checkedOut(vss::IVSSItem* item);
    static std::int32_t versionNumber(vss::IVSSItem* item);
    // Action texts of an item's history, newest first.
    static std::vector<std::string> actions(vss::IVSSItem* item);
    static std::vector<std::string> childNames(vss::IVSSItem* project, bool includeDeleted);

    const fs::path& root() const { return root_; }
    const fs::path& dbFolder() const { return db_; }
    fs::path work() const { return root_ / "work"; }
    fs::path ini() const { return db_ / "srcsafe.ini"; }

private:
    fs::path root_;
    fs::path db_;
};

} // namespace servertest
