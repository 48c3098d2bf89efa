#include "ServerFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace servertest {

void ServerTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "server-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    db_ = root_ / "db";
    ::setenv("QUILLMOOR_REGISTRY", (root_ / "registry").c_str(), 1);
    ::unsetenv("SSDIR");
    ::unsetenv("SSUSER");
    vss::admin::createDatabase(db_);
    fs::create_directories(work());
}

void ServerTest::TearDown() {
    std::error_code ec;
    // Read-only files and folders would stop remove_all.
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

ComPtr<vss::IVSSDatabase> ServerTest::newDatabase() {
    ComPtr<vss::IVSSDatabase> db;
    EXPECT_EQ(ComGetClassObject(&vss::CLSID_VSSDatabase, &vss::IVSSDatabase::kIid, db.putVoid()),
              com::S_OK);
    return db;
}

ComPtr<vss::IVSSDatabase> ServerTest::open(const std::string& user, const std::string& password) {
    auto db = newDatabase();
    const com::HRESULT hr = db->Open(wide(ini().string()), wide(user), wide(password));
    EXPECT_EQ(hr, com::S_OK) << lastError();
    return db;
}

ComPtr<vss::IVSSItem> ServerTest::item(vss::IVSSDatabase* db, const std::string& spec,
                                       bool includeDeleted) {
    ComPtr<vss::IVSSItem> result;
    const com::HRESULT hr =
        db->get_VSSItem(wide(spec), includeDeleted ? com::kTrue : com::kFalse, result.put());
    EXPECT_EQ(hr, com::S_OK) << spec << ": " << lastError();
    return result;
}

ComPtr<vss::IVSSItem> ServerTest::project(vss::IVSSDatabase* db, const std::string& name) {
    auto rootItem = item(db, "$/");
    ComPtr<vss::IVSSItem> result;
    EXPECT_EQ(rootItem->NewSubproject(wide(name), u"", result.put()), com::S_OK) << lastError();
    fs::create_directories(work() / name);
    EXPECT_EQ(result->put_LocalSpec(wide((work() / name).string())), com::S_OK) << lastError();
    return result;
}

ComPtr<vss::IVSSItem> ServerTest::add(vss::IVSSItem* project, const fs::path& file,
                                      std::int32_t flags) {
    ComPtr<vss::IVSSItem> result;
    EXPECT_EQ(project->Add(wide(file.string()), u"", flags, result.put()), com::S_OK)
        << file << ": " << lastError();
    return result;
}

std::string ServerTest::lastError() {
    auto info = com::takeErrorInfo();
    return info ? com::narrow(*info) : std::string("(no error info)");
}

fs::path ServerTest::write(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    if (fs::exists(file))
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    return file;
}

std::string ServerTest::read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool ServerTest::writable(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) != 0;
}

std::string ServerTest::spec(vss::IVSSItem* item) {
    std::u16string s;
    EXPECT_EQ(item->get_Spec(&s), com::S_OK);
    return text(s);
}

std::string ServerTest::localSpec(vss::IVSSItem* item) {
    std::u16string s;
    EXPECT_EQ(item->get_LocalSpec(&s), com::S_OK) << lastError();
    return text(s);
}

std::int32_t ServerTest::checkedOut(vss::IVSSItem* item) {
    std::int32_t state = -1;
    EXPECT_EQ(item->get_IsCheckedOut(&state), com::S_OK);
    return state;
}

std::int32_t ServerTest::versionNumber(vss::IVSSItem* item) {
    std::int32_t n = -1;
    EXPECT_EQ(item->get_VersionNumber(&n), com::S_OK);
    return n;
}

std::vector<std::string> ServerTest::actions(vss::IVSSItem* item) {
    ComPtr<vss::IVSSVersions> versions;
    EXPECT_EQ(item->get_Versions(0, versions.put()), com::S_OK);
    std::int32_t count = 0;
    versions->get_Count(&count);
    std::vector<std::string> result;
    for (std::int32_t i = 1; i <= count; ++i) {
        ComPtr<vss::IVSSVersion> v;
        EXPECT_EQ(versions->get_Item(i, v.put()), com::S_OK);
        std::u16string action;
        v->get_Action(&action);
        result.push_back(text(action));
    }
    return result;
}

std::vector<std::string> ServerTest::childNames(vss::IVSSItem* project, bool includeDeleted) {
    ComPtr<vss::IVSSItems> items;
    EXPECT_EQ(project->get_Items(includeDeleted ? com::kTrue : com::kFalse, items.put()), com::S_OK)
        << lastError();
    std::vector<std::string> names;
    std::int32_t count = 0;
    items->get_Count(&count);
    for (std::int32_t i = 1; i <= count; ++i) {
        ComPtr<vss::IVSSItem> child;
        EXPECT_EQ(items->get_Item(com::Variant(i), child.put()), com::S_OK);
        std::u16string name;
        child->get_Name(&name);
        names.push_back(text(name));
    }
    return names;
}

} // namespace servertest
