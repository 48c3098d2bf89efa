// Item names are one name in any case, by Unicode simple case folding, and a store whose name
// index folded ASCII letters only is brought up to date when it is opened.
#include "ServerFixture.h"

#include "../support/CaseFoldedNames.h"

#include <sqlite3.h>

namespace servertest {
namespace {

using testsupport::kEarlierStoreShape;

class CaseFoldingTest : public ServerTest {
protected:
    fs::path store() const { return dbFolder() / "data" / "store.db"; }

    // The first column of every row, joined by "|"; the statement runs as an outside writer.
    std::string sql(const std::string& statement) const {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(store().c_str(), &raw), SQLITE_OK);
        std::string rows;
        char* error = nullptr;
        const int rc = sqlite3_exec(
            raw, statement.c_str(),
            [](void* out, int, char** values, char**) {
                auto& text = *static_cast<std::string*>(out);
                text += (text.empty() ? "" : "|") + std::string(values[0] ? values[0] : "NULL");
                return 0;
            },
            &rows, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(raw);
        return rows;
    }

    // The columns of links and what its unique name index holds.
    std::string linksShape() const {
        return sql("SELECT name FROM pragma_table_info('links')") + "/" +
               sql("SELECT name FROM pragma_index_info('links_by_name')") + "/" +
               sql("SELECT \"unique\" FROM pragma_index_list('links') WHERE name = "
                   "'links_by_name'");
    }

    std::string name(vss::IVSSItem* item) const {
        if (!item)
            return "(no item)";
        std::u16string n;
        EXPECT_EQ(item->get_Name(&n), com::S_OK);
        return text(n);
    }
};

TEST_F(CaseFoldingTest, NamesThatFoldAlikeAreOneNameInAProject) {
    auto db = open();
    int n = 0;
    for (const auto& pair : testsupport::kCaseFoldedNames) {
        SCOPED_TRACE(pair.first);
        const std::string projectName = "P" + std::to_string(++n);
        auto project = this->project(db.get(), projectName);
        add(project.get(), write(work() / projectName / pair.first, "first\n"));

        ComPtr<vss::IVSSItem> found;
        const std::string second = "$/" + projectName + "/" + pair.second;
        EXPECT_EQ(db->get_VSSItem(wide(second), com::kFalse, found.put()) == com::S_OK,
                  pair.sameName);
        if (pair.sameName) {
            EXPECT_EQ(name(found.get()), pair.first);
        }

        ComPtr<vss::IVSSItem> added;
        const fs::path secondFile = write(work() / projectName / "other" / pair.second, "2\n");
        const com::HRESULT hr = project->Add(wide(secondFile.string()), u"", 0, added.put());
        EXPECT_EQ(hr != com::S_OK, pair.sameName);
        EXPECT_EQ(childNames(project.get(), false).size(), pair.sameName ? 1u : 2u);
    }
}

TEST_F(CaseFoldingTest, AnEarlierStoreIsBroughtUpToDateWhenOpened) {
    const std::string folding = [&] {
        auto db = open();
        auto project = this->project(db.get(), "P");
        add(project.get(), write(work() / "P" / "\u00E9.txt", "e\n"));
        return sql("SELECT value FROM config WHERE key = 'folding'");
    }();
    ASSERT_FALSE(folding.empty());
    const std::string shape = linksShape();

    struct Case {
        const char* what;
        std::string change;
    };
    const Case cases[] = {
        {"earlier shape", kEarlierStoreShape},
        {"folded by older Unicode tables", "UPDATE config SET value = '0' WHERE key = 'folding';"
                                           "UPDATE links SET folded = upper(name);"},
        {"folding unrecorded", "DELETE FROM config WHERE key = 'folding';"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sql(c.change);
        auto db = open();
        EXPECT_EQ(name(item(db.get(), "$/p/\u00C9.TXT").get()), "\u00E9.txt");
        EXPECT_EQ(sql("SELECT value FROM config WHERE key IN ('schema', 'folding') ORDER BY key"),
                  folding + "|2");
        EXPECT_EQ(linksShape(), shape);
    }
}

TEST_F(CaseFoldingTest, AnEarlierStoreWithNamesThatNowClashIsRefusedUnchanged) {
    {
        auto db = open();
        auto project = this->project(db.get(), "P");
        add(project.get(), write(work() / "P" / "\u00E9.txt", "e\n"));
    }
    sql(kEarlierStoreShape);
    // Both entered under the earlier index, which told them apart.
    sql("INSERT INTO items(type, binary) VALUES(1, 0);"
        "INSERT INTO links(parent_id, child_id, name, position) SELECT parent_id, "
        "(SELECT MAX(id) FROM items), '\u00C9.txt', position + 1 FROM links WHERE name = "
        "'\u00E9.txt';");
    const std::string before = sql("SELECT sql FROM sqlite_schema") + "/" +
                               sql("SELECT name FROM links ORDER BY position") + "/" +
                               sql("SELECT value FROM config ORDER BY key");

    auto db = newDatabase();
    EXPECT_NE(db->Open(wide(ini().string()), u"Admin", u""), com::S_OK);
    const std::string error = lastError();
    EXPECT_NE(error.find("\"$/P\" holds \"\u00E9.txt\" and \"\u00C9.txt\""), std::string::npos)
        << error;
    EXPECT_NE(error.find("Nothing was changed"), std::string::npos) << error;
    EXPECT_EQ(sql("SELECT sql FROM sqlite_schema") + "/" +
                  sql("SELECT name FROM links ORDER BY position") + "/" +
                  sql("SELECT value FROM config ORDER BY key"),
              before);
}

} // namespace
} // namespace servertest
