// The item tree: specs and names, child snapshots, projects, adding, sharing, deleting and
// recovering, and the history each change leaves.
#include "ServerFixture.h"

namespace servertest {
namespace {

using com::VARIANT_BOOL;

class ItemTreeTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        db_ = open();
    }
    ComPtr<vss::IVSSDatabase> db_;
};

TEST_F(ItemTreeTest, RootAndSpecsAreNormalised) {
    auto root = item(db_.get(), "$/");
    EXPECT_EQ(spec(root.get()), "$/");
    EXPECT_EQ(spec(item(db_.get(), "$").get()), "$/");
    auto demo = project(db_.get(), "Demo");
    EXPECT_EQ(spec(demo.get()), "$/Demo");
    EXPECT_EQ(spec(item(db_.get(), "$/demo/").get()), "$/Demo");
    std::int32_t type = -1;
    demo->get_Type(&type);
    EXPECT_EQ(type, vss::kTypeProject);
    ComPtr<vss::IVSSItem> parent;
    ASSERT_EQ(demo->get_Parent(parent.put()), com::S_OK);
    EXPECT_EQ(spec(parent.get()), "$/");
    EXPECT_NE(root->get_Parent(parent.put()), com::S_OK);
}

TEST_F(ItemTreeTest, BadSpecsAndNamesAreRefusedQuotingThem) {
    project(db_.get(), "Demo");
    for (const std::string& bad : std::vector<std::string>{
             "Demo", "$Demo", "$/Demo//x", "$/Demo/a:b", "$/De*mo", "$/ Demo", "$/.", "$/..",
             "$/Demo/a\\b", "", "$/a\x01", "$/" + std::string(256, 'n')}) {
        ComPtr<vss::IVSSItem> found;
        EXPECT_NE(db_->get_VSSItem(wide(bad), com::kFalse, found.put()), com::S_OK) << bad;
        const std::string error = lastError();
        EXPECT_NE(error.find("\"" + bad + "\""), std::string::npos) << error;
    }
    ComPtr<vss::IVSSItem> missing;
    EXPECT_NE(db_->get_VSSItem(u"$/Nothing", com::kFalse, missing.put()), com::S_OK);
    EXPECT_NE(lastError().find("$/Nothing"), std::string::npos);

    auto root = item(db_.get(), "$/");
    for (const std::string bad : {"a/b", "a|b", "a?", "<a>", "a\"b", "$a", "a ", ".", ""}) {
        ComPtr<vss::IVSSItem> created;
        EXPECT_NE(root->NewSubproject(wide(bad), u"", created.put()), com::S_OK) << bad;
        EXPECT_NE(lastError().find("\"" + bad + "\""), std::string::npos) << bad;
    }
    ComPtr<vss::IVSSItem> longest;
    EXPECT_EQ(root->NewSubproject(wide(std::string(255, 'n')), u"", longest.put()), com::S_OK);
}

TEST_F(ItemTreeTest, ChildrenKeepAddedOrderAndAreFoundByNameWithoutCase) {
    auto demo = project(db_.get(), "Demo");
    for (const char* name : {"Zeta.pas", "alpha.pas", "Mid.pas"})
        add(demo.get(), write(work() / "Demo" / name, name));
    ComPtr<vss::IVSSItem> sub;
    ASSERT_EQ(demo->NewSubproject(u"Lib", u"", sub.put()), com::S_OK);
    EXPECT_EQ(childNames(demo.get(), false),
              (std::vector<std::string>{"Zeta.pas", "alpha.pas", "Mid.pas", "Lib"}));

    ComPtr<vss::IVSSItems> items;
    ASSERT_EQ(demo->get_Items(com::kFalse, items.put()), com::S_OK);
    ComPtr<vss::IVSSItem> byName;
    ASSERT_EQ(items->get_Item(com::Variant(std::u16string(u"ALPHA.PAS")), byName.put()), com::S_OK);
    EXPECT_EQ(spec(byName.get()), "$/Demo/alpha.pas");
    EXPECT_NE(items->get_Item(com::Variant(std::u16string(u"none.pas")), byName.put()), com::S_OK);
    EXPECT_NE(items->get_Item(com::Variant(0), byName.put()), com::S_OK);
    EXPECT_NE(items->get_Item(com::Variant(5), byName.put()), com::S_OK);

    // A snapshot: later changes do not show in it.
    add(demo.get(), write(work() / "Demo" / "Late.pas", "late"));
    std::int32_t count = 0;
    items->get_Count(&count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(childNames(demo.get(), false).size(), 5u);
}

TEST_F(ItemTreeTest, AddStoresFileMakesItReadOnlyAndRefusesDuplicates) {
    auto demo = project(db_.get(), "Demo");
    const fs::path main = write(work() / "Demo" / "Main.pas", "program Main;\n");
    auto file = add(demo.get(), main);
    EXPECT_FALSE(writable(main));
    EXPECT_EQ(spec(file.get()), "$/Demo/Main.pas");
    EXPECT_EQ(versionNumber(file.get()), 1);
    EXPECT_EQ(actions(file.get()), std::vector<std::string>{"Created"});
    EXPECT_EQ(actions(demo.get()), (std::vector<std::string>{"Added Main.pas", "Created"}));

    const fs::path kept = write(work() / "Demo" / "Kept.pas", "x");
    add(demo.get(), kept, vss::FlagWritable);
    EXPECT_TRUE(writable(kept));

    ComPtr<vss::IVSSItem> again;
    EXPECT_NE(
        demo->Add(wide(write(work() / "other" / "MAIN.pas", "y").string()), u"", 0, again.put()),
        com::S_OK);
    EXPECT_NE(lastError().find("Main.pas"), std::string::npos);
    ComPtr<vss::IVSSItem> sub;
    EXPECT_NE(demo->NewSubproject(u"main.PAS", u"", sub.put()), com::S_OK);
}

TEST_F(ItemTreeTest, EmptyAndBinaryFilesAndComments) {
    auto demo = project(db_.get(), "Demo");
    auto empty = add(demo.get(), write(work() / "Demo" / "Empty.txt", ""));
    com::VARIANT_BOOL binary = 1;
    empty->get_Binary(&binary);
    EXPECT_EQ(binary, com::kFalse);
    auto bin = add(demo.get(), write(work() / "Demo" / "Logo.bmp", std::string("BM\0\x01", 4)));
    bin->get_Binary(&binary);
    EXPECT_EQ(binary, com::kTrue);

    const std::string big(1 << 20, 'c');
    ComPtr<vss::IVSSItem> file;
    ASSERT_EQ(
        demo->Add(wide(write(work() / "Demo" / "Big.txt", "b").string()), wide(big), 0, file.put()),
        com::S_OK)
        << lastError();
    ComPtr<vss::IVSSVersions> versions;
    ASSERT_EQ(file->get_Versions(0, versions.put()), com::S_OK);
    ComPtr<vss::IVSSVersion> first;
    ASSERT_EQ(versions->get_Item(1, first.put()), com::S_OK);
    std::u16string comment, user;
    first->get_Comment(&comment);
    first->get_UserName(&user);
    EXPECT_EQ(text(comment), big);
    EXPECT_EQ(text(user), "Admin");
    std::int64_t date = 0;
    first->get_Date(&date);
    EXPECT_GT(date, 1600000000);
}

TEST_F(ItemTreeTest, WorkingFoldersAreInheritedAndPerUser) {
    vss::admin::addUser(dbFolder(), "Bob");
    auto demo = project(db_.get(), "Demo");
    ComPtr<vss::IVSSItem> src, deep;
    ASSERT_EQ(demo->NewSubproject(u"Src", u"", src.put()), com::S_OK);
    ASSERT_EQ(src->NewSubproject(u"Deep", u"", deep.put()), com::S_OK);
    auto file = add(demo.get(), write(work() / "Demo" / "Main.pas", "x"));
    EXPECT_EQ(localSpec(demo.get()), (work() / "Demo").string());
    EXPECT_EQ(localSpec(deep.get()), (work() / "Demo" / "Src" / "Deep").string());
    EXPECT_EQ(localSpec(file.get()), (work() / "Demo" / "Main.pas").string());
    ASSERT_EQ(src->put_LocalSpec(wide((root() / "elsewhere\\src/").string())), com::S_OK);
    EXPECT_EQ(localSpec(deep.get()), (root() / "elsewhere" / "src" / "Deep").string());
    EXPECT_EQ(localSpec(item(db_.get(), "$/").get()), "");
    EXPECT_NE(file->put_LocalSpec(u"/tmp"), com::S_OK);

    auto bob = open("Bob");
    EXPECT_EQ(localSpec(item(bob.get(), "$/Demo").get()), "");
}

TEST_F(ItemTreeTest, DeleteHidesAndRecoverRestores) {
    auto demo = project(db_.get(), "Demo");
    auto file = add(demo.get(), write(work() / "Demo" / "Main.pas", "x"));
    ASSERT_EQ(file->put_Deleted(com::kTrue), com::S_OK) << lastError();
    com::VARIANT_BOOL deleted = 0;
    file->get_Deleted(&deleted);
    EXPECT_EQ(deleted, com::kTrue);
    ComPtr<vss::IVSSItem> hidden;
    EXPECT_NE(db_->get_VSSItem(u"$/Demo/Main.pas", com::kFalse, hidden.put()), com::S_OK);
    EXPECT_TRUE(childNames(demo.get(), false).empty());
    EXPECT_EQ(childNames(demo.get(), true), std::vector<std::string>{"Main.pas"});
    // The name stays taken while the item is deleted.
    ComPtr<vss::IVSSItem> again;
    EXPECT_NE(demo->Add(wide((work() / "Demo" / "Main.pas").string()), u"", 0, again.put()),
              com::S_OK);
    EXPECT_NE(lastError().find("deleted"), std::string::npos);

    auto found = item(db_.get(), "$/Demo/Main.pas", true);
    ASSERT_EQ(found->put_Deleted(com::kFalse), com::S_OK) << lastError();
    item(db_.get(), "$/Demo/Main.pas");
    EXPECT_EQ(actions(demo.get()),
              (std::vector<std::string>{"Recovered Main.pas", "Deleted Main.pas", "Added Main.pas",
                                        "Created"}));
    EXPECT_NE(item(db_.get(), "$/")->put_Deleted(com::kTrue), com::S_OK);
}

TEST_F(ItemTreeTest, DeletedProjectHidesItsContents) {
    auto demo = project(db_.get(), "Demo");
    add(demo.get(), write(work() / "Demo" / "Main.pas", "x"));
    ASSERT_EQ(demo->put_Deleted(com::kTrue), com::S_OK);
    ComPtr<vss::IVSSItem> hidden;
    EXPECT_NE(db_->get_VSSItem(u"$/Demo/Main.pas", com::kFalse, hidden.put()), com::S_OK);
    item(db_.get(), "$/Demo/Main.pas", true);
    ComPtr<vss::IVSSItem> added;
    EXPECT_NE(demo->Add(wide(write(work() / "New.pas", "n").string()), u"", 0, added.put()),
              com::S_OK);
}

TEST_F(ItemTreeTest, SharedFileIsOneItemWithOneHistory) {
    auto lib = project(db_.get(), "Lib");
    auto app = project(db_.get(), "App");
    auto util = add(lib.get(), write(work() / "Lib" / "Util.pas", "v1\n"));
    ASSERT_EQ(app->Share(util.get(), u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(actions(app.get()).front(), "Shared $/Lib/Util.pas");
    auto shared = item(db_.get(), "$/App/Util.pas");
    EXPECT_EQ(localSpec(shared.get()), (work() / "App" / "Util.pas").string());

    ASSERT_EQ(shared->Checkout(u"", u"", 0), com::S_OK) << lastError();
    write(work() / "App" / "Util.pas", "v2\n");
    ASSERT_EQ(shared->Checkin(u"through App", u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(actions(util.get()),
              (std::vector<std::string>{"Checked in $/App/Util.pas", "Created"}));
    EXPECT_EQ(versionNumber(item(db_.get(), "$/Lib/Util.pas").get()), 2);

    EXPECT_NE(app->Share(util.get(), u"", 0), com::S_OK);
    EXPECT_NE(lastError().find("Util.pas"), std::string::npos);
    EXPECT_NE(lib->Share(util.get(), u"", 0), com::S_OK);
}

TEST_F(ItemTreeTest, SharingProjectsCopiesTheTreeAndRefusesCycles) {
    auto lib = project(db_.get(), "Lib");
    add(lib.get(), write(work() / "Lib" / "A.pas", "a"));
    ComPtr<vss::IVSSItem> sub;
    ASSERT_EQ(lib->NewSubproject(u"Sub", u"", sub.put()), com::S_OK);
    add(sub.get(), write(work() / "Lib" / "Sub" / "B.pas", "b"));
    auto app = project(db_.get(), "App");
    auto flat = project(db_.get(), "Flat");

    ASSERT_EQ(app->Share(lib.get(), u"", vss::FlagRecursiveYes), com::S_OK) << lastError();
    EXPECT_EQ(childNames(item(db_.get(), "$/App/Lib").get(), false),
              (std::vector<std::string>{"A.pas", "Sub"}));
    item(db_.get(), "$/App/Lib/Sub/B.pas");

    ASSERT_EQ(flat->Share(lib.get(), u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(childNames(item(db_.get(), "$/Flat/Lib").get(), false),
              std::vector<std::string>{"A.pas"});

    EXPECT_NE(lib->Share(lib.get(), u"", 0), com::S_OK);
    EXPECT_NE(sub->Share(lib.get(), u"", 0), com::S_OK);
    EXPECT_NE(lastError().find("$/Lib"), std::string::npos);
    EXPECT_NE(app->Share(lib.get(), u"", 0), com::S_OK); // the name is taken
    EXPECT_NE(app->Share(nullptr, u"", 0), com::S_OK);
}

TEST_F(ItemTreeTest, ASharedProjectLinksTheFilesItHeldThen) {
    auto lib = project(db_.get(), "Lib");
    auto a = add(lib.get(), write(work() / "Lib" / "A.pas", "a1\n"));
    auto app = project(db_.get(), "App");
    ASSERT_EQ(app->Share(lib.get(), u"", vss::FlagRecursiveNo), com::S_OK) << lastError();

    // A check-in through the copy is a version of the one file, seen from both projects.
    auto copied = item(db_.get(), "$/App/Lib/A.pas");
    ASSERT_EQ(copied->Checkout(u"", u"", 0), com::S_OK) << lastError();
    write(work() / "App" / "Lib" / "A.pas", "a2\n");
    ASSERT_EQ(copied->Checkin(u"through the copy", u"", 0), com::S_OK) << lastError();
    auto original = item(db_.get(), "$/Lib/A.pas");
    EXPECT_EQ(versionNumber(original.get()), 2);
    std::u16string local = wide((work() / "fetched.pas").string());
    ASSERT_EQ(original->Get(&local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(work() / "fetched.pas"), "a2\n");

    // Files added to the source later are not in the copy: it took the links it found.
    add(lib.get(), write(work() / "Lib" / "Later.pas", "l"));
    EXPECT_EQ(childNames(item(db_.get(), "$/App/Lib").get(), false),
              std::vector<std::string>{"A.pas"});
}

TEST_F(ItemTreeTest, ShareRefusalsSayWhy) {
    auto lib = project(db_.get(), "Lib");
    auto util = add(lib.get(), write(work() / "Lib" / "Util.pas", "u"));
    auto app = project(db_.get(), "App");
    add(app.get(), write(work() / "App" / "util.PAS", "other"));
    auto root = item(db_.get(), "$/");
    const struct {
        vss::IVSSItem* target;
        vss::IVSSItem* source;
        std::string message;
    } cases[] = {
        {app.get(), util.get(),
         "The project \"$/App\" already has an item named \"util.PAS\", which is the same "
         "name as \"Util.pas\" when case is ignored."},
        {app.get(), root.get(),
         "Cannot share the project \"$/\" into \"$/App\", which is the project itself or lies "
         "in it."},
    };
    for (const auto& c : cases) {
        EXPECT_NE(c.target->Share(c.source, u"", 0), com::S_OK);
        EXPECT_EQ(lastError(), c.message);
    }
    EXPECT_EQ(childNames(app.get(), false), std::vector<std::string>{"util.PAS"});
}

} // namespace
} // namespace servertest
