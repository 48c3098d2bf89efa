// reg: query and change the registry stand-in from the command line, in the manner of reg.exe.
//   reg query KEY [/v NAME | /ve]
//   reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve] [/f]
//   reg import FILE.reg
//   reg export KEY FILE.reg [/y]
// Exit codes: 0 success, 1 refused operation, 2 bad usage.
#include <registry/Registry.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

const char kUsage[] =
    "Usage: reg COMMAND ARGS...\n"
    "\n"
    "  reg query KEY [/v NAME | /ve]\n"
    "      Lists the values and subkeys of KEY, or one value.\n"
    "  reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/d DATA] [/f]\n"
    "      Creates KEY, or sets a value (type REG_SZ and empty data unless given; a DWORD in\n"
    "      decimal or 0x hexadecimal). /f overwrites an existing value without asking.\n"
    "  reg delete KEY [/v NAME | /ve] [/f]\n"
    "      Deletes KEY with its subkeys, or one value. /f does not ask.\n"
    "  reg import FILE.reg\n"
    "      Applies a .reg file (\"Windows Registry Editor Version 5.00\" in UTF-8 or UTF-16LE,\n"
    "      or \"REGEDIT4\").\n"
    "  reg export KEY FILE.reg [/y]\n"
    "      Writes KEY and its subkeys to a .reg file. /y overwrites without asking.\n"
    "\n"
    "KEY is ROOT\\Sub\\Key with ROOT one of HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM),\n"
    "HKEY_CLASSES_ROOT (HKCR), HKEY_USERS (HKU). /ve names the default value. The hives live in\n"
    "the folder named by $QUILLMOOR_REGISTRY (default $XDG_CONFIG_HOME/quillmoor/registry).\n"
    "Exit codes: 0 success, 1 refused operation, 2 bad usage.\n";

struct UsageError {
    std::string message;
};

struct KeyName {
    reg::Root root;
    std::string path; // below the root
    std::string display;
};

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> valueName; // /v NAME, or "" for /ve
    std::optional<std::string> type;
    std::optional<std::string> data;
    bool force = false;
};

bool isOption(const std::string& arg, const char* name) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    std::string rest = arg.substr(1);
    for (char& c : rest)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return rest == name;
}

// "/x" or "/xy": an option this command does not take (a path like "/x.reg" is no option).
bool looksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || arg.size() > 3 || arg[0] != '/')
        return false;
    for (std::size_t i = 1; i < arg.size(); ++i)
        if (!std::isalpha(static_cast<unsigned char>(arg[i])))
            return false;
    return true;
}

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h" || arg == "/?" || arg == "-?";
}

KeyName parseKey(const std::string& text) {
    const std::size_t slash = text.find('\\');
    const std::string rootText = text.substr(0, slash);
    const std::optional<reg::Root> root = reg::parseRoot(rootText);
    if (!root)
        throw UsageError{"invalid key \"" + text +
                         "\": it must start with HKCU, HKLM, HKCR, HKU or their full names"};
    std::string path = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    std::string display = reg::rootName(*root);
    if (!path.empty())
        display += "\\" + path;
    return {*root, std::move(path), std::move(display)};
}

// allowed: the options this command takes, among "v", "ve", "t", "d", "f", "y".
Options parseOptions(const std::vector<std::string>& args, std::string_view allowed) {
    const auto allows = [&](std::string_view name) {
        std::size_t at = 0;
        while (at < allowed.size()) {
            const std::size_t end = std::min(allowed.find(' ', at), allowed.size());
            if (allowed.substr(at, end - at) == name)
                return true;
            at = end + 1;
        }
        return false;
    };
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto operand = [&](const char* what) {
            if (i + 1 >= args.size())
                throw UsageError{arg + " needs " + what};
            return args[++i];
        };
        if (isOption(arg, "v") && allows("v")) {
            if (options.valueName)
                throw UsageError{"give /v or /ve once"};
            options.valueName = operand("a value name");
        } else if (isOption(arg, "ve") && allows("ve")) {
            if (options.valueName)
                throw UsageError{"give /v or /ve once"};
            options.valueName = "";
        } else if (isOption(arg, "t") && allows("t")) {
            options.type = operand("a type");
        } else if (isOption(arg, "d") && allows("d")) {
            options.data = operand("data");
        } else if ((isOption(arg, "f") && allows("f")) || (isOption(arg, "y") && allows("y"))) {
            options.force = true;
        } else if (looksLikeOption(arg)) {
            throw UsageError{"unknown option " + arg};
        } else {
            options.positional.push_back(arg);
        }
    }
    return options;
}

void expectPositional(const Options& options, std::size_t count, const char* what) {
    if (options.positional.size() != count)
        throw UsageError{std::string("expected ") + what};
}

// Asks on the terminal; anything but yes (also end of input) declines.
bool confirm(const std::string& question) {
    std::cout << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

std::string typeName(reg::ValueType type) {
    static const char* const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    const auto number = static_cast<std::uint32_t>(type);
    if (number < std::size(names))
        return names[number];
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(number));
    return buffer;
}

// The data as reg.exe shows it: numbers in hexadecimal, the strings of a multi-string joined
// by "\0", and raw data as upper-case hex digits.
std::string dataText(const reg::Value& value) {
    char buffer[24];
    switch (value.type) {
    case reg::ValueType::String:
    case reg::ValueType::ExpandString:
        return value.text;
    case reg::ValueType::Dword:
        std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(value.dword));
        return buffer;
    case reg::ValueType::Qword:
        std::snprintf(buffer, sizeof buffer, "0x%llx",
                      static_cast<unsigned long long>(value.qword));
        return buffer;
    case reg::ValueType::MultiString: {
        std::string joined;
        for (std::size_t i = 0; i < value.strings.size(); ++i)
            joined += (i ? "\\0" : "") + value.strings[i];
        return joined;
    }
    default: {
        std::string hex;
        for (char c : value.bytes) {
            std::snprintf(buffer, sizeof buffer, "%02X",
                          static_cast<unsigned>(static_cast<unsigned char>(c)));
            hex += buffer;
        }
        return hex;
    }
    }
}

void printValue(const std::string& name, const reg::Value& value) {
    std::cout << "    " << (name.empty() ? "(Default)" : name) << "    " << typeName(value.type)
              << "    " << dataText(value) << "\n";
}

reg::Value parseValue(const Options& options) {
    const std::string type = options.type.value_or("REG_SZ");
    const std::string data = options.data.value_or("");
    if (type == "REG_SZ")
        return reg::Value::fromString(data);
    if (type == "REG_EXPAND_SZ")
        return reg::Value::fromString(data, reg::ValueType::ExpandString);
    if (type != "REG_DWORD")
        throw UsageError{"unsupported type " + type + " (REG_SZ, REG_EXPAND_SZ or REG_DWORD)"};
    try {
        std::size_t used = 0;
        const unsigned long long v = std::stoull(data, &used, 0);
        if (used != data.size() || v > 0xFFFFFFFFull)
            throw std::out_of_range("DWORD");
        return reg::Value::fromDword(static_cast<std::uint32_t>(v));
    } catch (const std::logic_error&) {
        throw UsageError{"\"" + data + "\" is not a DWORD (decimal or 0x hexadecimal)"};
    }
}

int query(const std::vector<std::string>& args) {
    const Options options = parseOptions(args, "v ve");
    expectPositional(options, 1, "one KEY");
    const KeyName key = parseKey(options.positional[0]);
    if (!reg::keyExists(key.root, key.path)) {
        std::cerr << "reg: the key " << key.display << " does not exist\n";
        return kFailed;
    }
    if (options.valueName) {
        const std::optional<reg::Value> value =
            reg::readValue(key.root, key.path, *options.valueName);
        if (!value) {
            std::cerr << "reg: the value \"" << *options.valueName << "\" does not exist in "
                      << key.display << "\n";
            return kFailed;
        }
        std::cout << "\n" << key.display << "\n";
        printValue(*options.valueName, *value);
        std::cout << "\n";
        return kOk;
    }
    std::cout << "\n" << key.display << "\n";
    for (const std::string& name : reg::valueNames(key.root, key.path))
        if (const std::optional<reg::Value> value = reg::readValue(key.root, key.path, name))
            printValue(name, *value);
    std::cout << "\n";
    for (const std::string& sub : reg::subkeyNames(key.root, key.path))
        std::cout << key.display << "\\" << sub << "\n";
    return kOk;
}

int add(const std::vector<std::string>& args) {
    const Options options = parseOptions(args, "v ve t d f");
    expectPositional(options, 1, "one KEY");
    const KeyName key = parseKey(options.positional[0]);
    if (!options.valueName) {
        if (options.type || options.data)
            throw UsageError{"/t and /d need /v NAME or /ve"};
        reg::createKey(key.root, key.path);
        return kOk;
    }
    const reg::Value value = parseValue(options);
    if (!options.force && reg::readValue(key.root, key.path, *options.valueName) &&
        !confirm("Value " +
                 (options.valueName->empty() ? std::string("(Default)") : *options.valueName) +
                 " exists, overwrite")) {
        std::cerr << "reg: the operation was cancelled\n";
        return kFailed;
    }
    reg::writeValue(key.root, key.path, *options.valueName, value);
    return kOk;
}

int remove(const std::vector<std::string>& args) {
    const Options options = parseOptions(args, "v ve f");
    expectPositional(options, 1, "one KEY");
    const KeyName key = parseKey(options.positional[0]);
    if (key.path.empty() && !options.valueName)
        throw UsageError{"a root key cannot be deleted"};
    if (options.valueName) {
        const std::string shown =
            options.valueName->empty() ? std::string("(Default)") : *options.valueName;
        if (!reg::readValue(key.root, key.path, *options.valueName)) {
            std::cerr << "reg: the value \"" << shown << "\" does not exist in " << key.display
                      << "\n";
            return kFailed;
        }
        if (!options.force && !confirm("Delete the registry value " + shown)) {
            std::cerr << "reg: the operation was cancelled\n";
            return kFailed;
        }
        reg::deleteValue(key.root, key.path, *options.valueName);
        return kOk;
    }
    if (!reg::keyExists(key.root, key.path)) {
        std::cerr << "reg: the key " << key.display << " does not exist\n";
        return kFailed;
    }
    if (!options.force && !confirm("Permanently delete the registry key " + key.display)) {
        std::cerr << "reg: the operation was cancelled\n";
        return kFailed;
    }
    reg::deleteKey(key.root, key.path);
    return kOk;
}

int import(const std::vector<std::string>& args) {
    const Options options = parseOptions(args, "");
    expectPositional(options, 1, "one FILE.reg");
    reg::importFile(options.positional[0]);
    return kOk;
}

int exportCommand(const std::vector<std::string>& args) {
    const Options options = parseOptions(args, "y");
    expectPositional(options, 2, "KEY and FILE.reg");
    const KeyName key = parseKey(options.positional[0]);
    const std::string& file = options.positional[1];
    std::error_code ec;
    if (!options.force && std::filesystem::exists(file, ec) &&
        !confirm("File " + file + " already exists. Overwrite")) {
        std::cerr << "reg: the operation was cancelled\n";
        return kFailed;
    }
    reg::exportKey(key.root, key.path, file);
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        std::cerr << kUsage;
        return kBadUsage;
    }
    const std::string& command = all.front();
    const std::vector<std::string> args(all.begin() + 1, all.end());
    if (isHelp(command) || (!args.empty() && isHelp(args.front()))) {
        std::cout << kUsage;
        return kOk;
    }
    try {
        std::string lower = command;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "query")
            return query(args);
        if (lower == "add")
            return add(args);
        if (lower == "delete")
            return remove(args);
        if (lower == "import")
            return import(args);
        if (lower == "export")
            return exportCommand(args);
        throw UsageError{"unknown command \"" + command + "\""};
    } catch (const UsageError& e) {
        std::cerr << "reg: " << e.message << " (reg --help shows the usage)\n";
        return kBadUsage;
    } catch (const std::exception& e) {
        std::cerr << "reg: " << e.what() << "\n";
        return kFailed;
    }
}
