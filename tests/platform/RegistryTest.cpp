#include "RegistryFolder.h"

#include "../support/CaseFoldedNames.h"

#include <registry/Registry.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace reg;
namespace fs = std::filesystem;
using namespace platformtest;

class RegistryTest : public ::testing::Test {
protected:
    platformtest::RegistryFolder registry_;
    const std::string key_ = "Software\\Quillmoor Test";
};

TEST_F(RegistryTest, ValuesSurviveExportAndImportUnchanged) {
    const Value values[] = {
        Value::fromDword(42),
        Value::fromDword(0xFFFFFFFF),
        Value::fromString("plain"),
        Value::fromString("C:\\Program Files\\\"quoted\"\\"),
        Value::fromString("Grüße 日本"),
        Value::fromString("two\nlines\r\n"),
        Value::fromString(""),
        Value::fromString("%TEMP%\\a rather long path that needs more than one line of hex "
                          "bytes\\Ärger",
                          ValueType::ExpandString),
        Value::fromString("", ValueType::ExpandString),
    };
    for (std::size_t i = 0; i < std::size(values); ++i)
        writeValue(Root::CurrentUser, key_, "Value " + std::to_string(i), values[i]);
    writeValue(Root::CurrentUser, key_, "", Value::fromString("default"));
    createKey(Root::CurrentUser, key_ + "\\Empty\\Deeper");
    const std::string hiveBefore = readFile(hiveFile(Root::CurrentUser));

    const fs::path exported = registry_.root() / "export.reg";
    exportKey(Root::CurrentUser, key_, exported);
    ASSERT_TRUE(deleteKey(Root::CurrentUser, key_));
    EXPECT_FALSE(keyExists(Root::CurrentUser, key_));
    importFile(exported);

    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(readValue(Root::CurrentUser, key_, "Value " + std::to_string(i)), values[i]) << i;
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "")->text, "default");
    EXPECT_TRUE(keyExists(Root::CurrentUser, key_ + "\\Empty\\Deeper"));
    EXPECT_EQ(readFile(hiveFile(Root::CurrentUser)), hiveBefore);
}

TEST_F(RegistryTest, HiveFileIsInTheExportFormat) {
    writeValue(Root::CurrentUser, "Software\\A", "Count", Value::fromDword(42));
    writeValue(Root::CurrentUser, "Software\\A", "Name", Value::fromString("say \"hi\" \\o/"));
    writeValue(Root::CurrentUser, "Software\\A", "", Value::fromString("x"));
    writeValue(Root::CurrentUser, "Software\\A", "Path",
               Value::fromString("AB", ValueType::ExpandString));
    createKey(Root::CurrentUser, "Software\\A\\Sub");
    // Keys without values that have subkeys are implied by the sections below them.
    EXPECT_EQ(readFile(hiveFile(Root::CurrentUser)), "Windows Registry Editor Version 5.00\n"
                                                     "\n"
                                                     "[HKEY_CURRENT_USER\\Software\\A]\n"
                                                     "\"Count\"=dword:0000002a\n"
                                                     "\"Name\"=\"say \\\"hi\\\" \\\\o/\"\n"
                                                     "@=\"x\"\n"
                                                     "\"Path\"=hex(2):41,00,42,00,00,00\n"
                                                     "\n"
                                                     "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n"
                                                     "\n");
    EXPECT_EQ(hiveFile(Root::CurrentUser), registry_.folder() / "HKEY_CURRENT_USER.reg");
}

TEST_F(RegistryTest, ReadsWhatAnotherEditorWrote) {
    // CRLF, a byte order mark, a comment, wrapped hex data, short root names, odd spacing.
    writeFile(hiveFile(Root::LocalMachine),
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "; written elsewhere\r\n"
              "[HKLM\\Software\\Microsoft\\SourceSafe\\Databases]\r\n"
              "\"Main\"=\"/srv/vss/main\"\r\n"
              "\"Wrapped\" = hex(2):41,00,\\\r\n"
              "    42,00,\\\r\n"
              "  00,00\r\n"
              "\"Mixed\"=DWORD:0000FFFF\r\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{X}]\r\n"
              "@=\"lib\"\r\n");
    EXPECT_EQ(
        readValue(Root::LocalMachine, "software\\microsoft\\sourcesafe\\databases", "Main")->text,
        "/srv/vss/main");
    EXPECT_EQ(
        readValue(Root::LocalMachine, "Software\\Microsoft\\SourceSafe\\Databases", "Wrapped"),
        Value::fromString("AB", ValueType::ExpandString));
    EXPECT_EQ(
        readValue(Root::LocalMachine, "Software\\Microsoft\\SourceSafe\\Databases", "Mixed")->dword,
        0xFFFFu);
    EXPECT_EQ(readValue(Root::ClassesRoot, "CLSID\\{X}", "")->text, "lib");
    EXPECT_EQ(valueNames(Root::LocalMachine, "Software\\Microsoft\\SourceSafe\\Databases"),
              (std::vector<std::string>{"Main", "Wrapped", "Mixed"}));
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstCase) {
    writeValue(Root::CurrentUser, "Software\\MyKey", "GetOnOpen", Value::fromDword(1));
    writeValue(Root::CurrentUser, "SOFTWARE\\mykey", "GETONOPEN", Value::fromDword(2));
    writeValue(Root::CurrentUser, "software\\MYKEY\\Ärger", "Öl", Value::fromString("a"));
    writeValue(Root::CurrentUser, "software\\mykey\\ärger", "öL", Value::fromString("b"));

    EXPECT_EQ(valueNames(Root::CurrentUser, "software\\mykey"),
              std::vector<std::string>{"GetOnOpen"});
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\MyKey", "getonopen")->dword, 2u);
    EXPECT_EQ(subkeyNames(Root::CurrentUser, "Software"), std::vector<std::string>{"MyKey"});
    EXPECT_EQ(subkeyNames(Root::CurrentUser, "Software\\MyKey"), std::vector<std::string>{"Ärger"});
    EXPECT_EQ(valueNames(Root::CurrentUser, "Software\\MyKey\\ÄRGER"),
              std::vector<std::string>{"Öl"});
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\MyKey\\Ärger", "ÖL")->text, "b");
    EXPECT_TRUE(keyExists(Root::CurrentUser, "\\software\\\\MYKEY\\"));
    EXPECT_EQ(parseRoot("hkcu"), Root::CurrentUser);
    EXPECT_EQ(parseRoot("Hkey_Local_Machine"), Root::LocalMachine);
    EXPECT_EQ(parseRoot("HKCR"), Root::ClassesRoot);
    EXPECT_EQ(parseRoot("HKEY_USERS"), Root::Users);
    EXPECT_EQ(parseRoot("hku"), Root::Users);
    EXPECT_FALSE(parseRoot("HKEY_NOBODY"));
}

TEST_F(RegistryTest, ValuesEnumerateInStoredOrder) {
    for (const char* name : {"Zeta", "Alpha", "Mid"})
        writeValue(Root::CurrentUser, key_, name, Value::fromDword(0));
    writeValue(Root::CurrentUser, key_, "alpha", Value::fromDword(5)); // stays in place
    EXPECT_EQ(valueNames(Root::CurrentUser, key_),
              (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
    EXPECT_TRUE(deleteValue(Root::CurrentUser, key_, "ZETA"));
    EXPECT_FALSE(deleteValue(Root::CurrentUser, key_, "Zeta"));
    writeValue(Root::CurrentUser, key_, "Zeta", Value::fromDword(0)); // new values append
    EXPECT_EQ(valueNames(Root::CurrentUser, key_),
              (std::vector<std::string>{"Alpha", "Mid", "Zeta"}));
    createKey(Root::CurrentUser, key_ + "\\B");
    createKey(Root::CurrentUser, key_ + "\\A");
    EXPECT_EQ(subkeyNames(Root::CurrentUser, key_), (std::vector<std::string>{"B", "A"}));
}

TEST_F(RegistryTest, ImportAppliesDeletions) {
    writeValue(Root::CurrentUser, key_, "Keep", Value::fromDword(1));
    writeValue(Root::CurrentUser, key_, "Drop", Value::fromDword(2));
    writeValue(Root::CurrentUser, key_ + "\\Gone\\Below", "X", Value::fromDword(3));
    const fs::path file = registry_.root() / "changes.reg";
    writeFile(file, "Windows Registry Editor Version 5.00\n\n"
                    "[-HKEY_CURRENT_USER\\Software\\Quillmoor Test\\Gone]\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Quillmoor Test]\n"
                    "\"Drop\"=-\n"
                    "\"New\"=\"n\"\n");
    importFile(file);
    EXPECT_EQ(valueNames(Root::CurrentUser, key_), (std::vector<std::string>{"Keep", "New"}));
    EXPECT_FALSE(keyExists(Root::CurrentUser, key_ + "\\Gone"));
}

TEST_F(RegistryTest, BadImportFileChangesNothing) {
    writeValue(Root::CurrentUser, key_, "Keep", Value::fromDword(1));
    const std::string before = readFile(hiveFile(Root::CurrentUser));
    const fs::path file = registry_.root() / "bad.reg";
    writeFile(file, "Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Quillmoor Test]\n"
                    "\"Keep\"=dword:00000002\n"
                    "\"Broken\"=hex(b):01,02\n");
    expectError([&] { importFile(file); }, {file.string(), "line 5"});
    EXPECT_EQ(readFile(hiveFile(Root::CurrentUser)), before);
}

TEST_F(RegistryTest, CorruptHiveNamesFileAndLineAndIsNeverRewritten) {
    writeValue(Root::CurrentUser, key_, "A", Value::fromDword(1));
    const fs::path hive = hiveFile(Root::CurrentUser);
    const std::string corrupt = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillmoor Test]\n"
                                "\"A\"=dword:00000001\n"
                                "\"B\"=\"unterminated\n";
    writeFile(hive, corrupt);
    const std::initializer_list<std::string> where = {hive.string(), "line 5"};
    expectError([&] { readValue(Root::CurrentUser, key_, "A"); }, where);
    expectError([&] { writeValue(Root::CurrentUser, key_, "A", Value::fromDword(2)); }, where);
    expectError([&] { deleteKey(Root::CurrentUser, key_); }, where);
    EXPECT_EQ(readFile(hive), corrupt);

    // Hives hold no deletions, and a value needs a key line first.
    writeFile(hive, "Windows Registry Editor Version 5.00\n\n[-HKEY_CURRENT_USER\\X]\n");
    expectError([&] { keyExists(Root::CurrentUser, "X"); }, {hive.string(), "line 3"});
    writeFile(hive, "Windows Registry Editor Version 5.00\n\"A\"=\"x\"\n");
    expectError([&] { keyExists(Root::CurrentUser, "X"); }, {hive.string(), "line 2"});
    writeFile(hive, "REGEDIT5\n");
    expectError([&] { keyExists(Root::CurrentUser, "X"); }, {hive.string(), "line 1"});
}

TEST_F(RegistryTest, ReadsSeeTheFileAsLastWrittenByAnyone) {
    writeValue(Root::CurrentUser, key_, "A", Value::fromString("1"));
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "A")->text, "1");
    // Edited in place by hand.
    std::string text = readFile(hiveFile(Root::CurrentUser));
    text.replace(text.find("\"1\""), 3, "\"22\"");
    writeFile(hiveFile(Root::CurrentUser), text);
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "A")->text, "22");
    // Replaced by another file of the same size.
    text.replace(text.find("\"22\""), 4, "\"33\"");
    writeFile(registry_.root() / "other.reg", text);
    fs::rename(registry_.root() / "other.reg", hiveFile(Root::CurrentUser));
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "A")->text, "33");
    fs::remove(hiveFile(Root::CurrentUser));
    EXPECT_FALSE(keyExists(Root::CurrentUser, key_));
}

TEST_F(RegistryTest, HivesArePrivateToTheUser) {
    writeValue(Root::LocalMachine, key_, "A", Value::fromDword(1));
    struct stat st {};
    ASSERT_EQ(::stat(hiveFile(Root::LocalMachine).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(registry_.folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(fs::exists(hiveFile(Root::CurrentUser))) << "one file per root";
}

TEST_F(RegistryTest, AnExistingFolderOpenToOthersIsMadePrivate) {
    for (const mode_t mode : {0755, 0777, 0711, 0750}) {
        fs::create_directories(registry_.folder());
        ASSERT_EQ(::chmod(registry_.folder().c_str(), mode), 0);
        writeValue(Root::CurrentUser, key_, "A", Value::fromDword(mode));
        struct stat st {};
        ASSERT_EQ(::stat(registry_.folder().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u) << std::oct << mode;
    }
}

TEST_F(RegistryTest, KeyAndValueNamesFoldCaseAsTheStoreDoes) {
    int n = 0;
    for (const auto& pair : testsupport::kCaseFoldedNames) {
        SCOPED_TRACE(pair.first);
        const std::string key = key_ + "\\" + std::to_string(++n);
        createKey(Root::CurrentUser, key + "\\" + pair.first);
        EXPECT_EQ(keyExists(Root::CurrentUser, key + "\\" + pair.second), pair.sameName);
        writeValue(Root::CurrentUser, key, pair.first, Value::fromString("first"));
        writeValue(Root::CurrentUser, key, pair.second, Value::fromString("second"));
        EXPECT_EQ(valueNames(Root::CurrentUser, key).size(), pair.sameName ? 1u : 2u);
        EXPECT_EQ(readValue(Root::CurrentUser, key, pair.first)->text,
                  pair.sameName ? "second" : "first");
    }
}

TEST_F(RegistryTest, RefusedWriteNamesTheFile) {
    writeValue(Root::CurrentUser, key_, "A", Value::fromDword(1));
    const fs::path hive = hiveFile(Root::CurrentUser);
    const std::string before = readFile(hive);
    fs::permissions(hive, fs::perms::owner_read);
    expectError([&] { writeValue(Root::CurrentUser, key_, "A", Value::fromDword(2)); },
                {hive.string(), "read-only"});
    expectError([&] { createKey(Root::CurrentUser, "Other"); }, {hive.string()});
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "A")->dword, 1u) << "reads still work";
    fs::permissions(hive, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(hive), before);

    // A folder that cannot be created (its parent is a plain file).
    const fs::path blocker = registry_.root() / "blocker";
    writeFile(blocker, "x");
    ::setenv(kFolderVariable, (blocker / "registry").c_str(), 1);
    expectError([&] { writeValue(Root::CurrentUser, key_, "A", Value::fromDword(1)); },
                {(blocker / "registry" / "HKEY_CURRENT_USER.reg").string()});
}

TEST_F(RegistryTest, ReadOnlyFolderRefusesWrites) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write into read-only folders";
    writeValue(Root::CurrentUser, key_, "A", Value::fromDword(1));
    fs::permissions(registry_.folder(), fs::perms::owner_read | fs::perms::owner_exec);
    expectError([&] { writeValue(Root::CurrentUser, key_, "A", Value::fromDword(2)); },
                {hiveFile(Root::CurrentUser).string()});
    fs::permissions(registry_.folder(), fs::perms::owner_all);
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "A")->dword, 1u);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 200;
    writeValue(Root::CurrentUser, key_, "Start", Value::fromDword(0));
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            int status = 0;
            try {
                for (int i = 0; i < kWrites; ++i)
                    writeValue(Root::CurrentUser, key_,
                               "P" + std::to_string(child) + "_" + std::to_string(i),
                               Value::fromDword(static_cast<std::uint32_t>(i)));
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
    }
    for (pid_t pid : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::vector<std::string> names = valueNames(Root::CurrentUser, key_);
    EXPECT_EQ(names.size(), 1u + 2 * kWrites);
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(readValue(Root::CurrentUser, key_,
                                "P" + std::to_string(child) + "_" + std::to_string(i))
                          .value_or(Value{})
                          .dword,
                      static_cast<std::uint32_t>(i));
    EXPECT_FALSE(fs::exists(hiveFile(Root::CurrentUser).string() + ".lock"));
}

TEST_F(RegistryTest, AccessorReadsTypedValuesOfItsOpenKey) {
    RegistryAccessor accessor;
    EXPECT_EQ(accessor.rootKey(), Root::CurrentUser);
    EXPECT_FALSE(accessor.openKey(key_, false));
    EXPECT_FALSE(keyExists(Root::CurrentUser, key_));
    EXPECT_THROW(accessor.readString("X"), RegistryError) << "no key is open";
    ASSERT_TRUE(accessor.openKey(key_, true));
    EXPECT_TRUE(keyExists(Root::CurrentUser, key_));

    accessor.writeInteger("Number", -5);
    accessor.writeString("Text", "hello");
    writeValue(Root::CurrentUser, key_, "Expand",
               Value::fromString("%X%", ValueType::ExpandString));
    EXPECT_EQ(accessor.readInteger("number"), -5);
    EXPECT_EQ(readValue(Root::CurrentUser, key_, "Number")->dword, 0xFFFFFFFBu);
    EXPECT_EQ(accessor.readString("Text"), "hello");
    EXPECT_EQ(accessor.readString("Expand"), "%X%") << "nothing is expanded";
    EXPECT_EQ(accessor.readString("Missing"), "");
    EXPECT_THROW(accessor.readInteger("Missing"), RegistryError);
    EXPECT_THROW(accessor.readInteger("Text"), RegistryError);
    EXPECT_THROW(accessor.readString("Number"), RegistryError);
    EXPECT_TRUE(accessor.valueExists("TEXT"));
    EXPECT_EQ(accessor.getValueNames(), (std::vector<std::string>{"Number", "Text", "Expand"}));

    accessor.setRootKey(Root::LocalMachine);
    EXPECT_FALSE(accessor.hasOpenKey());
    EXPECT_FALSE(accessor.openKey(key_, false));
}

// The accessor reads a hive it cannot read as missing keys and values, keeping the first
// error; creating a key in it is a write, which refuses and names the file.
TEST_F(RegistryTest, AccessorReadsAnUnreadableHiveAsMissing) {
    writeValue(Root::CurrentUser, key_, "A", Value::fromDword(1));
    const fs::path hive = hiveFile(Root::CurrentUser);
    RegistryAccessor accessor;
    ASSERT_TRUE(accessor.openKey(key_, false));
    EXPECT_EQ(accessor.readError(), "");
    const std::string corrupt = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillmoor Test]\n"
                                "\"A\"=dword:00000001\n"
                                "\"B\"=\"unterminated\n";
    writeFile(hive, corrupt);

    EXPECT_EQ(accessor.readValue("A"), std::nullopt);
    EXPECT_EQ(accessor.readString("A"), "");
    EXPECT_FALSE(accessor.valueExists("A"));
    EXPECT_TRUE(accessor.getValueNames().empty());
    EXPECT_NE(accessor.readError().find(hive.string() + ", line 5"), std::string::npos)
        << accessor.readError();
    EXPECT_FALSE(accessor.openKey(key_, false));
    expectError([&] { accessor.openKey(key_, true); }, {hive.string(), "line 5"});
    expectError([&] { readValue(Root::CurrentUser, key_, "A"); }, {hive.string(), "line 5"});
    EXPECT_EQ(readFile(hive), corrupt);
}

} // namespace
