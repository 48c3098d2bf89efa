#include "UnitVssRegistry.h"

#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <system/System.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using reg::Root;
using reg::Value;

const char* const kIntegerNames[] = {"GetOnOpen", "CheckOnClose", "Unchanged", "Recursive",
                                     "ReadOnly",  "Compare",      "Replace",   "Date"};

class VssRegistryTest : public ::testing::Test {
protected:
    static void store(const char* name, const Value& value) {
        reg::writeValue(Root::CurrentUser, kVersionControlKey, name, value);
    }
    static std::optional<Value> stored(const char* name) {
        return reg::readValue(Root::CurrentUser, kVersionControlKey, name);
    }
    // GetOnOpen 1, CheckOnClose 1 and a distinct number in every flag setting.
    static void storeAllIntegers() {
        store("GetOnOpen", Value::fromDword(1));
        store("CheckOnClose", Value::fromDword(1));
        store("Unchanged", Value::fromDword(33554432));
        store("Recursive", Value::fromDword(8192));
        store("ReadOnly", Value::fromDword(2));
        store("Compare", Value::fromDword(1536));
        store("Replace", Value::fromDword(192));
        store("Date", Value::fromDword(12));
    }
    static TVSSProperties read() {
        TVSSProperties properties;
        properties.Viewer = "left over";
        TVssRegistry().ReadProperties(properties);
        return properties;
    }

    testenv::TestEnvironment env;
};

TEST_F(VssRegistryTest, FirstUseCreatesAllNineDefaults) {
    ASSERT_FALSE(reg::keyExists(Root::CurrentUser, kVersionControlKey));

    EXPECT_EQ(read(), TVSSProperties{});

    const std::vector<std::string> names = reg::valueNames(Root::CurrentUser, kVersionControlKey);
    ASSERT_EQ(names.size(), 9u);
    for (const char* name : kIntegerNames)
        EXPECT_EQ(stored(name), Value::fromDword(0)) << name;
    EXPECT_EQ(stored("Viewer"), Value::fromString(""));
}

TEST_F(VssRegistryTest, MissingValueTakesItsDefaultAndOnlyItIsWrittenBack) {
    storeAllIntegers();
    reg::deleteValue(Root::CurrentUser, kVersionControlKey, "Date");
    store("Viewer", Value::fromString("notepad"));

    const TVSSProperties properties = read();

    EXPECT_EQ(properties.GetOnOpen, 1);
    EXPECT_EQ(properties.CheckOnClose, 1);
    EXPECT_EQ(properties.Unchanged, 33554432);
    EXPECT_EQ(properties.Recursive, 8192);
    EXPECT_EQ(properties.Compare, 1536);
    EXPECT_EQ(properties.Date, 0);
    EXPECT_EQ(properties.Viewer, "notepad");
    EXPECT_EQ(stored("GetOnOpen"), Value::fromDword(1));
    EXPECT_EQ(stored("Date"), Value::fromDword(0));
    EXPECT_EQ(stored("Viewer"), Value::fromString("notepad"));
}

TEST_F(VssRegistryTest, IllTypedValuesTakeTheirDefaultsAndAreRewrittenWithTheRightType) {
    storeAllIntegers();
    store("Recursive", Value::fromString("8192"));
    store("Viewer", Value::fromDword(5));

    const TVSSProperties properties = read();

    EXPECT_EQ(properties.Recursive, 0);
    EXPECT_EQ(properties.Viewer, "");
    EXPECT_EQ(properties.ReadOnly, 2);
    EXPECT_EQ(stored("Recursive"), Value::fromDword(0));
    EXPECT_EQ(stored("Viewer"), Value::fromString(""));
    EXPECT_EQ(stored("Replace"), Value::fromDword(192));
}

TEST_F(VssRegistryTest, NoViewerLeavesTheIntegersAsStoredAndRewritesNothing) {
    storeAllIntegers();

    const TVSSProperties properties = read();

    EXPECT_EQ(properties.Replace, 192);
    EXPECT_EQ(properties.Date, 12);
    EXPECT_EQ(properties.Viewer, "");
    EXPECT_FALSE(stored("Viewer").has_value());
    EXPECT_EQ(reg::valueNames(Root::CurrentUser, kVersionControlKey).size(), 8u);
}

TEST_F(VssRegistryTest, UnlistedNumbersPassThroughAndTruthValuesAreNormalised) {
    storeAllIntegers();
    store("Compare", Value::fromDword(7));
    store("GetOnOpen", Value::fromDword(5));
    store("Viewer", Value::fromString("%EDITOR% -r", reg::ValueType::ExpandString));

    const TVSSProperties properties = read();

    EXPECT_EQ(properties.Compare, 7);
    EXPECT_EQ(properties.GetOnOpen, 1);
    EXPECT_EQ(properties.Viewer, "%EDITOR% -r"); // taken as stored, not expanded
    EXPECT_EQ(stored("GetOnOpen"), Value::fromDword(5));
}

TEST_F(VssRegistryTest, WritePropertiesStoresTheRecordInOrder) {
    TVSSProperties properties;
    properties.GetOnOpen = 1;
    properties.CheckOnClose = -1;
    properties.Unchanged = 50331648;
    properties.Recursive = 4096;
    properties.ReadOnly = 1;
    properties.Compare = 1024;
    properties.Replace = 256;
    properties.Date = 8;
    properties.Viewer = "kate";

    TVssRegistry().WriteProperties(properties);

    const std::vector<std::string> expectedNames(std::begin(kIntegerNames),
                                                 std::end(kIntegerNames));
    std::vector<std::string> names = reg::valueNames(Root::CurrentUser, kVersionControlKey);
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names.back(), "Viewer");
    names.pop_back();
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(stored("CheckOnClose"), Value::fromDword(1));
    EXPECT_EQ(stored("Unchanged"), Value::fromDword(50331648));

    properties.CheckOnClose = 1;
    EXPECT_EQ(read(), properties);
}

TEST_F(VssRegistryTest, RegisteredDatabasesAreListedInStoredOrder) {
    reg::writeValue(Root::LocalMachine, kDatabasesKey, "Main", Value::fromString("/srv/main"));
    reg::writeValue(Root::LocalMachine, kDatabasesKey, "Test", Value::fromString("/srv/test"));
    reg::createKey(Root::LocalMachine, std::string(kDatabasesKey) + "\\Sub");

    std::vector<std::string> names{"stale"};
    TVssRegistry registry;
    registry.ReadDatabaseNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Main", "Test"}));
    EXPECT_EQ(registry.ReadDatabasePath("Test"), "/srv/test");
    EXPECT_EQ(TVssRegistry().ReadDatabasePath("test"), "/srv/test");
    EXPECT_EQ(TVssRegistry().ReadDatabasePath("Other"), "");
}

TEST_F(VssRegistryTest, MissingSourceSafeKeysGiveEmptyAnswersAndAreNotCreated) {
    std::vector<std::string> names{"stale"};
    TVssRegistry registry;
    registry.ReadDatabaseNames(names);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(registry.ReadDatabasePath("Main"), "");
    EXPECT_EQ(registry.ReadSccServerPath(), "");
    EXPECT_FALSE(reg::keyExists(Root::LocalMachine, kSourceSafeKey));
}

TEST_F(VssRegistryTest, ServerPathIsReadFreshEachTime) {
    reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                    Value::fromString("/opt/vss/libsourcesafe.so"));
    EXPECT_EQ(TVssRegistry().ReadSccServerPath(), "/opt/vss/libsourcesafe.so");

    reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath", Value::fromDword(1));
    EXPECT_THROW(TVssRegistry().ReadSccServerPath(), reg::RegistryError);
}

// A hive that cannot be read is a missing key to every read, and the store keeps the first
// error for the one caller that reports it; a write still refuses and names the file.
TEST_F(VssRegistryTest, AnUnreadableHiveReadsAsMissingWhileWritesRefuse) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> spoil;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"damaged",
         [this](const std::filesystem::path& hive) {
             env.write(hive, "Windows Registry Editor Version 5.00\n\n\"A\"=\"x\"\n");
         },
         "line 3"},
        {"a folder",
         [](const std::filesystem::path& hive) {
             std::filesystem::remove(hive);
             std::filesystem::create_directory(hive);
         },
         "not a plain file"},
    };
    for (const Case& c : cases) {
        reg::writeValue(Root::LocalMachine, kDatabasesKey, "Main", Value::fromString("/srv/main"));
        reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                        Value::fromString("/opt/vss/libsourcesafe.so"));
        storeAllIntegers();
        const std::filesystem::path machine = reg::hiveFile(Root::LocalMachine);
        const std::filesystem::path user = reg::hiveFile(Root::CurrentUser);
        c.spoil(machine);
        c.spoil(user);

        TVssRegistry registry;
        EXPECT_EQ(registry.ReadFailure(), "") << c.what;
        std::vector<std::string> names{"stale"};
        EXPECT_NO_THROW(registry.ReadDatabaseNames(names)) << c.what;
        EXPECT_TRUE(names.empty()) << c.what;
        EXPECT_NE(registry.ReadFailure().find(machine.string()), std::string::npos)
            << registry.ReadFailure();
        EXPECT_NE(registry.ReadFailure().find(c.reason), std::string::npos)
            << registry.ReadFailure();
        EXPECT_EQ(TVssRegistry().ReadDatabasePath("Main"), "") << c.what;
        EXPECT_EQ(TVssRegistry().ReadSccServerPath(), "") << c.what;

        for (const auto& write : std::vector<std::function<void()>>{
                 [] {
                     TVSSProperties properties;
                     TVssRegistry().ReadProperties(properties);
                 },
                 [] { TVssRegistry().WriteProperties(TVSSProperties{}); }}) {
            try {
                write();
                ADD_FAILURE() << c.what << ": the write was not refused";
            } catch (const reg::RegistryError& error) {
                EXPECT_NE(std::string(error.what()).find(user.string()), std::string::npos)
                    << error.what();
            }
        }
        std::filesystem::remove_all(machine);
        std::filesystem::remove_all(user);
    }
}

// Properties are read from the user's key even after the store looked at SourceSafe's keys.
TEST_F(VssRegistryTest, PropertiesAfterMachineReadsComeFromTheUserKey) {
    storeAllIntegers();
    TVssRegistry registry;
    EXPECT_EQ(registry.ReadSccServerPath(), "");
    TVSSProperties properties;
    registry.ReadProperties(properties);
    EXPECT_EQ(properties.Date, 12);
}

TEST_F(VssRegistryTest, UserNameIsTheWholeLogonName) {
    EXPECT_EQ(TVssRegistry().ReadUserName(), sys::logonName());
}

} // namespace
