// Importing .reg files as regedit and users write them: encodings, headers, value types,
// comments, refusals with their line, and limits on depth and size.
#include "RegistryFolder.h"

#include <registry/Registry.h>

#include <gtest/gtest.h>

namespace {

using namespace reg;
using namespace platformtest;
using namespace std::string_literals;
namespace fs = std::filesystem;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string utf16le(const std::string& utf8) {
    const std::u16string units = QString::fromStdString(utf8).toStdU16String();
    std::string bytes = "\xFF\xFE";
    for (char16_t u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

class RegFileTest : public ::testing::Test {
protected:
    fs::path write(const std::string& text) {
        const fs::path file = registry_.root() / ("import" + std::to_string(++files_) + ".reg");
        writeFile(file, text);
        return file;
    }
    void import(const std::string& text) { importFile(write(text)); }
    std::optional<Value> read(const std::string& name, Root root = Root::CurrentUser,
                              const std::string& key = "Software\\T") {
        return readValue(root, key, name);
    }
    // Export, delete, import the export and export again: the texts match.
    void expectFixedPoint(const std::string& key = "Software\\T") {
        const fs::path first = registry_.root() / "first.reg";
        const fs::path second = registry_.root() / "second.reg";
        exportKey(Root::CurrentUser, key, first);
        const std::string hive = readFile(hiveFile(Root::CurrentUser));
        ASSERT_TRUE(deleteKey(Root::CurrentUser, key));
        importFile(first);
        exportKey(Root::CurrentUser, key, second);
        EXPECT_EQ(readFile(second), readFile(first));
        EXPECT_EQ(readFile(hiveFile(Root::CurrentUser)), hive);
    }

    platformtest::RegistryFolder registry_;
    int files_ = 0;
};

TEST_F(RegFileTest, ValueTypesThatRegeditWrites) {
    import(kHeader + "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                     "\"Bin\"=hex:00,ff,10\r\n"
                     "\"Empty\"=hex:\r\n"
                     "\"Expand\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\r\n"
                     "\"Multi\"=hex(7):61,00,00,00,e9,00,62,00,00,00,00,00\r\n"
                     "\"NoStrings\"=hex(7):00,00\r\n"
                     "\"Quad\"=hex(b):01,02,03,04,05,06,07,08\r\n"
                     "\"Typed\"=qword:1a\r\n"
                     "\"None\"=hex(0):\r\n"
                     "\"Link\"=hex(6):41,00\r\n"
                     "\"Dw\"=hex(4):2a,00,00,00\r\n"
                     "\"Text\"=hex(1):41,00,42,00\r\n");
    EXPECT_EQ(read("Bin"), Value::fromBytes(std::string("\x00\xff\x10", 3)));
    EXPECT_EQ(read("Empty"), Value::fromBytes(""));
    EXPECT_EQ(read("Expand"), Value::fromString("%TMP%", ValueType::ExpandString));
    EXPECT_EQ(read("Multi"), Value::fromMultiString({"a", "éb"}));
    EXPECT_EQ(read("NoStrings"), Value::fromMultiString({}));
    EXPECT_EQ(read("Quad"), Value::fromQword(0x0807060504030201ull));
    EXPECT_EQ(read("Typed"), Value::fromQword(0x1a));
    EXPECT_EQ(read("None"), Value::fromBytes("", ValueType::None));
    EXPECT_EQ(read("Link"), Value::fromBytes(std::string("A\0", 2), static_cast<ValueType>(6)));
    EXPECT_EQ(read("Dw"), Value::fromDword(42));
    EXPECT_EQ(read("Text"), Value::fromString("AB"));
    expectFixedPoint();
}

TEST_F(RegFileTest, MultiStringsKeepEmptyStringsBetweenOthers) {
    writeValue(Root::CurrentUser, "Software\\T", "A", Value::fromMultiString({"x", "", "y", ""}));
    writeValue(Root::CurrentUser, "Software\\T", "B", Value::fromMultiString({"", ""}));
    writeValue(Root::CurrentUser, "Software\\T", "Long",
               Value::fromMultiString({std::string(60, 'l'), "two\nlines", "日本"}));
    expectFixedPoint();
    EXPECT_EQ(read("A"), Value::fromMultiString({"x", "", "y", ""}));
    EXPECT_EQ(read("B"), Value::fromMultiString({"", ""}));
}

TEST_F(RegFileTest, Utf16FileWithByteOrderMark) {
    import(utf16le("Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_CURRENT_USER\\Software\\T\\Grüße]\r\n"
                   "\"Name\"=\"日本 😀\"\r\n"
                   "\"Path\"=hex(2):41,00,00,00\r\n"));
    EXPECT_EQ(read("Name", Root::CurrentUser, "Software\\T\\GRÜßE"), Value::fromString("日本 😀"));
    EXPECT_EQ(read("Path", Root::CurrentUser, "Software\\T\\Grüße"),
              Value::fromString("A", ValueType::ExpandString));
}

TEST_F(RegFileTest, Regedit4FilesHoldEightBitStrings) {
    import("REGEDIT4\n\n"
           "[HKEY_CURRENT_USER\\Software\\T]\n"
           "\"Plain\"=\"x\"\n"
           "\"Expand\"=hex(2):25,54,4d,50,25,00\n"
           "\"Multi\"=hex(7):61,00,c3,a9,00,00\n");
    EXPECT_EQ(read("Plain"), Value::fromString("x"));
    EXPECT_EQ(read("Expand"), Value::fromString("%TMP%", ValueType::ExpandString));
    EXPECT_EQ(read("Multi"), Value::fromMultiString({"a", "é"}));
}

TEST_F(RegFileTest, UsersRootHasItsOwnHive) {
    import(kHeader + "[HKEY_USERS\\S-1-5-21\\Software\\T]\r\n\"A\"=dword:00000001\r\n"
                     "[HKU\\.DEFAULT]\r\n");
    EXPECT_EQ(read("A", Root::Users, "S-1-5-21\\Software\\T"), Value::fromDword(1));
    EXPECT_TRUE(keyExists(Root::Users, ".default"));
    EXPECT_EQ(hiveFile(Root::Users), registry_.folder() / "HKEY_USERS.reg");
    EXPECT_TRUE(fs::exists(hiveFile(Root::Users)));
    EXPECT_FALSE(fs::exists(hiveFile(Root::CurrentUser)));
}

TEST_F(RegFileTest, CommentsAfterDataAndValuesOfDeletedKeys) {
    writeValue(Root::CurrentUser, "Software\\T\\Gone", "X", Value::fromDword(1));
    writeValue(Root::CurrentUser, "Software\\T", "Drop", Value::fromDword(1));
    import(kHeader + "[-HKEY_CURRENT_USER\\Software\\T\\Gone]\r\n"
                     "@=\"\"\r\n"
                     "\"X\"=dword:00000002\r\n"
                     "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                     "\"S\"=\"a;b\" ; the text keeps its semicolon\r\n"
                     "\"D\"=dword:0000000f ;fifteen\r\n"
                     "\"H\"=hex:01,02,\\ ; continued\r\n"
                     "  03 ; last\r\n"
                     "\"Drop\"=- ; gone\r\n");
    EXPECT_FALSE(keyExists(Root::CurrentUser, "Software\\T\\Gone"));
    EXPECT_EQ(read("S"), Value::fromString("a;b"));
    EXPECT_EQ(read("D"), Value::fromDword(15));
    EXPECT_EQ(read("H"), Value::fromBytes("\x01\x02\x03"));
    EXPECT_FALSE(read("Drop"));
}

TEST_F(RegFileTest, RefusalsNameTheLine) {
    const std::string key = "[HKEY_CURRENT_USER\\Software\\T]\r\n";
    const struct {
        std::string body; // after the header and the key line, so its first line is line 4
        std::string reason;
    } cases[] = {
        {"\"A\"=\r\n", "no data"},
        {"\"A\"=\"x\0y\"\r\n"s, "NUL"},
        {"\"A\xff\"=\"x\"\r\n", "UTF-8"},
        {"\"A\"=\"\xc3\x28\"\r\n", "UTF-8"},
        {"\"A\"=\"\xed\xa0\x80\"\r\n", "UTF-8"}, // an encoded surrogate
        {"\"A\"=hex(2):41,00,00,00,42,00,00,00\r\n", "NUL"},
        {"\"A\"=hex(1):00,d8,41,00\r\n", "UTF-16"},
        {"\"A\"=hex(7):00,dc,00,00,00,00\r\n", "UTF-16"},
        {"\"A\"=hex(2):41,00,42\r\n", "even number"},
        {"\"A\"=hex(b):01,02,03,04\r\n", "8 bytes"},
        {"\"A\"=hex(4):01\r\n", "4 bytes"},
        {"\"A\"=qword:12345678123456789\r\n", "16"},
        {"\"A\"=hex(zz):00\r\n", "hexadecimal"},
        {"\"A\"=hex(2\r\n", "hex(TYPE)"},
        {"\"A\"=\"x\" y\r\n", "after the closing quote"},
        {"[HKEY_CURRENT_USER\\Software\\\xc0\xaf]\r\n", "UTF-8"},
    };
    for (const auto& c : cases) {
        const fs::path file = write(kHeader + key + c.body);
        expectError([&] { importFile(file); }, {file.string() + ", line 4", c.reason});
    }
    EXPECT_FALSE(fs::exists(hiveFile(Root::CurrentUser))) << "nothing was imported";

    const fs::path bigEndian = write("\xFE\xFF");
    expectError([&] { importFile(bigEndian); }, {"line 1", "UTF-16 big-endian"});
    std::string noMark = utf16le("Windows Registry Editor Version 5.00\r\n").substr(2);
    const fs::path unmarked = write(noMark);
    expectError([&] { importFile(unmarked); }, {"line 1", "byte-order mark"});
    const fs::path brokenUtf16 = write(utf16le("Windows Registry Editor Version 5.00\r\n\r\n") +
                                       std::string("\x00\xd8\n\x00", 4));
    expectError([&] { importFile(brokenUtf16); }, {"line 3", "UTF-16"});
}

TEST_F(RegFileTest, NamesThatDifferOnlyInInvalidBytesAreNotMerged) {
    const fs::path file = write(kHeader + "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                                          "\"N\xfe\"=\"first\"\r\n"
                                          "\"N\xff\"=\"second\"\r\n");
    expectError([&] { importFile(file); }, {"line 4", "UTF-8"});
    // Through the interface, too: what could not be written back unchanged is refused.
    const std::string key = "Software\\T";
    expectError([&] { writeValue(Root::CurrentUser, key, "N\xfe", Value::fromDword(1)); },
                {"UTF-8"});
    expectError([&] { writeValue(Root::CurrentUser, key, "A", Value::fromString("x\xff")); },
                {"UTF-8"});
    expectError(
        [&] { writeValue(Root::CurrentUser, key, "A", Value::fromString(std::string("a\0b", 3))); },
        {"NUL"});
    expectError([&] { createKey(Root::CurrentUser, key + "\\bad\xc0"); }, {"UTF-8"});
    expectError(
        [&] {
            writeValue(Root::CurrentUser, key, "M", Value::fromMultiString({"ok", "x\xff"}));
        },
        {"UTF-8"});
    EXPECT_FALSE(keyExists(Root::CurrentUser, key));
}

std::string chain(std::size_t depth) {
    std::string path;
    for (std::size_t i = 0; i < depth; ++i)
        path += "\\k";
    return path;
}

TEST_F(RegFileTest, DepthIsLimitedAndTheHiveGrowsLinearly) {
    const std::string deepest = "Software" + chain(kMaxKeyDepth - 1);
    const std::string allowed =
        kHeader + "[HKEY_CURRENT_USER\\" + deepest + "]\r\n\"V\"=dword:00000001\r\n";
    import(allowed);
    EXPECT_EQ(readValue(Root::CurrentUser, deepest, "V"), Value::fromDword(1));
    // One section for the deepest key: the keys above it are implied.
    EXPECT_LT(readFile(hiveFile(Root::CurrentUser)).size(), 2 * allowed.size());

    for (std::size_t depth : {kMaxKeyDepth + 1, std::size_t{100000}}) {
        const fs::path file = write(kHeader + "[HKEY_CURRENT_USER" + chain(depth) + "]\r\n");
        expectError([&] { importFile(file); }, {file.string() + ", line 3", "512 levels"});
    }
    expectError([&] { createKey(Root::CurrentUser, deepest + "\\more"); }, {"512 levels"});
    expectError([&] { createKey(Root::ClassesRoot, "CLSID" + chain(kMaxKeyDepth - 2)); },
                {"512 levels"});
    const fs::path file = registry_.root() / "deep.reg";
    exportKey(Root::CurrentUser, "Software", file);
    ASSERT_TRUE(deleteKey(Root::CurrentUser, "Software"));
    importFile(file);
    EXPECT_EQ(readValue(Root::CurrentUser, deepest, "V"), Value::fromDword(1));
}

TEST_F(RegFileTest, ManySiblingKeysAndValues) {
    constexpr int kCount = 30000;
    std::string text = kHeader;
    for (int i = 0; i < kCount; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\T\\Key" + std::to_string(i) + "]\r\n";
    text += "[HKEY_CURRENT_USER\\Software\\T]\r\n";
    for (int i = 0; i < kCount; ++i)
        text += "\"V" + std::to_string(i) + "\"=dword:00000001\r\n";
    text += "\"v17\"=dword:00000002\r\n";
    import(text);
    const std::vector<std::string> keys = subkeyNames(Root::CurrentUser, "Software\\T");
    ASSERT_EQ(keys.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(keys[12345], "Key12345");
    EXPECT_TRUE(keyExists(Root::CurrentUser, "software\\t\\KEY29999"));
    const std::vector<std::string> names = valueNames(Root::CurrentUser, "Software\\T");
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(read("V17"), Value::fromDword(2));
    EXPECT_TRUE(deleteKey(Root::CurrentUser, "Software\\T\\Key100"));
    EXPECT_TRUE(deleteValue(Root::CurrentUser, "Software\\T", "V100"));
    EXPECT_EQ(subkeyNames(Root::CurrentUser, "Software\\T")[100], "Key101");
    EXPECT_EQ(valueNames(Root::CurrentUser, "Software\\T")[100], "V101");
    EXPECT_TRUE(keyExists(Root::CurrentUser, "Software\\T\\Key29999"));
    EXPECT_EQ(read("V29999"), Value::fromDword(1));
}

} // namespace
