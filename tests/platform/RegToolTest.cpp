// The reg command, run as a user runs it.
#include "RegistryFolder.h"

#include <registry/Registry.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

using namespace reg;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun reg(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(QM_REG_TOOL, args);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class RegToolTest : public ::testing::Test {
protected:
    platformtest::RegistryFolder registry_; // the child inherits the environment
};

TEST_F(RegToolTest, AddQueryAndDelete) {
    EXPECT_EQ(
        reg({"add", "HKCU\\Software\\T", "/v", "Count", "/t", "REG_DWORD", "/d", "0x2a"}).exitCode,
        0);
    EXPECT_EQ(reg({"add", "HKEY_CURRENT_USER\\Software\\T", "/ve", "/d", "default"}).exitCode, 0);
    EXPECT_EQ(
        reg({"add", "hkcu\\software\\t", "/V", "Path", "/T", "REG_EXPAND_SZ", "/D", "%HOME%", "/F"})
            .exitCode,
        0);
    EXPECT_EQ(reg({"add", "HKCU\\Software\\T\\Sub"}).exitCode, 0);
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\T", "Count"), Value::fromDword(42));
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\T", ""), Value::fromString("default"));
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\T", "Path"),
              Value::fromString("%HOME%", ValueType::ExpandString));

    const ToolRun all = reg({"query", "HKCU\\Software\\T"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_NE(all.out.find("    Count    REG_DWORD    0x2a\n"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("    (Default)    REG_SZ    default\n"), std::string::npos);
    EXPECT_NE(all.out.find("    Path    REG_EXPAND_SZ    %HOME%\n"), std::string::npos);
    EXPECT_NE(all.out.find("HKEY_CURRENT_USER\\Software\\T\\Sub\n"), std::string::npos);
    const ToolRun one = reg({"query", "HKCU\\Software\\T", "/v", "count"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_NE(one.out.find("REG_DWORD    0x2a"), std::string::npos);
    EXPECT_EQ(one.out.find("Path"), std::string::npos);

    // Without /f an existing value is overwritten only on a yes.
    EXPECT_EQ(reg({"add", "HKCU\\Software\\T", "/v", "Count", "/d", "x"}, "n\n").exitCode, 1);
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\T", "Count"), Value::fromDword(42));
    EXPECT_EQ(reg({"add", "HKCU\\Software\\T", "/v", "Count", "/d", "x"}, "yes\n").exitCode, 0);
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\T", "Count"), Value::fromString("x"));

    EXPECT_EQ(reg({"delete", "HKCU\\Software\\T", "/v", "Count", "/f"}).exitCode, 0);
    EXPECT_FALSE(readValue(Root::CurrentUser, "Software\\T", "Count"));
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\T", "/f"}).exitCode, 0);
    EXPECT_FALSE(keyExists(Root::CurrentUser, "Software\\T"));
}

TEST_F(RegToolTest, FailuresAndBadUsageHaveTheirExitCodes) {
    const ToolRun missing = reg({"query", "HKLM\\Software\\Nothing"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lineCount(missing.err), 1) << missing.err;
    EXPECT_NE(missing.err.find("HKEY_LOCAL_MACHINE\\Software\\Nothing"), std::string::npos);
    EXPECT_EQ(reg({"delete", "HKCU\\Nothing", "/f"}).exitCode, 1);
    EXPECT_EQ(reg({"delete", "HKCU\\Nothing", "/v", "X", "/f"}).exitCode, 1);

    for (const QStringList& args :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"query"},
          QStringList{"query", "HKEY_NOBODY\\X"}, QStringList{"add", "HKCU\\X", "/v"},
          QStringList{"add", "HKCU\\X", "/v", "N", "/t", "REG_DWORD", "/d", "twelve"},
          QStringList{"add", "HKCU\\X", "/v", "N", "/t", "REG_BINARY"},
          QStringList{"add", "HKCU\\X", "/z"}, QStringList{"export", "HKCU\\X"}}) {
        const ToolRun run = reg(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.empty());
    }
    const ToolRun help = reg({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("reg import FILE.reg"), std::string::npos);
    EXPECT_EQ(reg({"add", "--help"}).exitCode, 0);
}

TEST_F(RegToolTest, ExportAndImportFiles) {
    EXPECT_EQ(
        reg({"add", "HKCR\\CLSID\\{G}\\InprocServer32", "/ve", "/d", "/lib/x.so", "/f"}).exitCode,
        0);
    EXPECT_EQ(
        readValue(Root::LocalMachine, "Software\\Classes\\CLSID\\{G}\\InprocServer32", "")->text,
        "/lib/x.so");
    const std::string file = (registry_.root() / "classes.reg").string();
    EXPECT_EQ(reg({"export", "HKCR\\CLSID", QString::fromStdString(file)}).exitCode, 0);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CLASSES_ROOT\\CLSID]\n\n"
                    "[HKEY_CLASSES_ROOT\\CLSID\\{G}]\n\n"
                    "[HKEY_CLASSES_ROOT\\CLSID\\{G}\\InprocServer32]\n"
                    "@=\"/lib/x.so\"\n\n");
    EXPECT_EQ(reg({"export", "HKCR\\CLSID", QString::fromStdString(file)}, "no\n").exitCode, 1);

    EXPECT_EQ(reg({"delete", "HKCR\\CLSID", "/f"}).exitCode, 0);
    EXPECT_FALSE(keyExists(Root::ClassesRoot, "CLSID\\{G}"));
    EXPECT_EQ(reg({"import", QString::fromStdString(file)}).exitCode, 0);
    EXPECT_EQ(readValue(Root::ClassesRoot, "CLSID\\{G}\\InprocServer32", "")->text, "/lib/x.so");

    const ToolRun missing = reg({"import", QString::fromStdString(file + ".missing")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(file + ".missing"), std::string::npos);
}

TEST_F(RegToolTest, QueryShowsEveryTypeAsRegExeDoes) {
    const std::string file = (registry_.root() / "types.reg").string();
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_USERS\\S-1-5-21\\T]\n"
                           "\"Bin\"=hex:00,ff,1a\n"
                           "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\n"
                           "\"Quad\"=hex(b):01,02,03,04,05,06,07,08\n"
                           "\"Expand\"=hex(2):25,00,54,00,25,00,00,00\n"
                           "\"None\"=hex(0):\n"
                           "\"Big\"=hex(5):00,00,00,01\n"
                           "\"Odd\"=hex(100):01\n";
    ASSERT_EQ(reg({"import", QString::fromStdString(file)}).exitCode, 0);
    const ToolRun run = reg({"query", "HKU\\S-1-5-21\\T"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "\nHKEY_USERS\\S-1-5-21\\T\n"
                       "    Bin    REG_BINARY    00FF1A\n"
                       "    Multi    REG_MULTI_SZ    a\\0bc\n"
                       "    Quad    REG_QWORD    0x807060504030201\n"
                       "    Expand    REG_EXPAND_SZ    %T%\n"
                       "    None    REG_NONE    \n"
                       "    Big    REG_DWORD_BIG_ENDIAN    00000001\n"
                       "    Odd    0x100    01\n"
                       "\n");
}

} // namespace
