// Commands that shape and show the project tree: new projects, added files, working folders,
// listings, check-out status, history and stored contents.
#include "Command.h"
#include "Errors.h"
#include "Session.h"

#include <vss/VssAdmin.h>

#include <charconv>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace ss {

namespace fs = std::filesystem;

namespace {

std::string comment(const ParsedArguments& args) {
    return args.value("-c").value_or("");
}

// "$/A/B" -> {"$/A", "B"}; "$/A" -> {"$/", "A"}.
std::pair<std::string, std::string> splitSpec(std::string spec) {
    if (spec.size() > 2 && spec.back() == '/')
        spec.pop_back();
    const std::size_t slash = spec.rfind('/');
    if (!spec.starts_with("$/") || slash == std::string::npos || slash + 1 == spec.size())
        throw RefusedError("'" + spec + "' does not name a new project below \"$/\"");
    // The parent's own "//" would pass as its trailing separator.
    if (spec.find("//") != std::string::npos)
        throw RefusedError("'" + spec + "' is not a valid path: a name in it is empty");
    return {slash == 1 ? std::string("$/") : spec.substr(0, slash), spec.substr(slash + 1)};
}

int runMkproj(Context& context, const ParsedArguments& args) {
    const auto [parentSpec, name] = splitSpec(args.positional[0]);
    Session session(context);
    com::ComPtr<vss::IVSSItem> project;
    check(session.item(parentSpec)
              ->NewSubproject(toUtf16(name), toUtf16(comment(args)), project.put()),
          "NewSubproject");
    return kExitOk;
}

int runAdd(Context& context, const ParsedArguments& args) {
    Session session(context);
    const com::ComPtr<vss::IVSSItem> project = session.item(args.positional[0]);
    const std::int32_t flags = args.has("--writable") ? vss::FlagWritable : 0;
    int code = kExitOk;
    // Every file gets its attempt; each failure is reported on its own line.
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        const std::string local = fs::absolute(args.positional[i]).lexically_normal().string();
        com::ComPtr<vss::IVSSItem> added;
        const com::HRESULT hr =
            project->Add(toUtf16(local), toUtf16(comment(args)), flags, added.put());
        try {
            check(hr, "Add");
            std::cout << itemSpec(*added) << "\n";
        } catch (const RefusedError& e) {
            printError(e.what());
            code = kExitRefused;
        }
    }
    return code;
}

int runWorkfold(Context& context, const ParsedArguments& args) {
    fs::path folder = fs::absolute(args.positional[1]).lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path())
        folder = folder.parent_path();
    Session session(context);
    check(session.item(args.positional[0])->put_LocalSpec(toUtf16(folder.string())),
          "put_LocalSpec");
    return kExitOk;
}

std::vector<com::ComPtr<vss::IVSSItem>> children(vss::IVSSItem& project) {
    com::ComPtr<vss::IVSSItems> items;
    check(project.get_Items(com::kFalse, items.put()), "get_Items");
    std::int32_t count = 0;
    check(items->get_Count(&count), "get_Count");
    std::vector<com::ComPtr<vss::IVSSItem>> result;
    for (std::int32_t i = 1; i <= count; ++i) {
        com::ComPtr<vss::IVSSItem> child;
        check(items->get_Item(com::Variant(i), child.put()), "get_Item");
        result.push_back(std::move(child));
    }
    return result;
}

void listProject(vss::IVSSItem& project, bool recursive) {
    const auto list = children(project);
    if (recursive)
        std::cout << itemSpec(project) << ":\n";
    for (const auto& child : list)
        std::cout << (isProject(*child) ? "$" : "") << itemName(*child) << "\n";
    if (!recursive)
        return;
    for (const auto& child : list) {
        if (isProject(*child)) {
            std::cout << "\n";
            listProject(*child, true);
        }
    }
}

int runDir(Context& context, const ParsedArguments& args) {
    Session session(context);
    const auto item = session.item(args.positional.empty() ? "$/" : args.positional[0]);
    if (isProject(*item))
        listProject(*item, args.has("-R"));
    else
        std::cout << itemName(*item) << "\n";
    return kExitOk;
}

int runStatus(Context& context, const ParsedArguments& args) {
    const std::string project = args.positional.empty() ? "$/" : args.positional[0];
    context.logIn();
    for (const auto& c : vss::admin::checkouts(context.databaseFolder(), project))
        std::cout << c.spec << "  " << c.user << "  " << c.localPath << "\n";
    return kExitOk;
}

std::string isoDate(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// A comment may span lines; the history shows one line per version.
std::string flattened(std::string text) {
    for (char& ch : text)
        if (ch == '\n' || ch == '\r' || ch == '\t')
            ch = ' ';
    return text;
}

void printVersion(vss::IVSSVersion& version) {
    std::int32_t number = 0;
    std::u16string user, action, label, text;
    std::int64_t date = 0;
    check(version.get_VersionNumber(&number), "get_VersionNumber");
    check(version.get_UserName(&user), "get_UserName");
    check(version.get_Date(&date), "get_Date");
    check(version.get_Action(&action), "get_Action");
    check(version.get_Label(&label), "get_Label");
    check(version.get_Comment(&text), "get_Comment");
    std::cout << number << "  " << toUtf8(user) << "  " << isoDate(date) << "  " << toUtf8(action);
    if (!label.empty())
        std::cout << " \"" << toUtf8(label) << "\"";
    if (!text.empty())
        std::cout << "  " << flattened(toUtf8(text));
    std::cout << "\n";
}

int runHistory(Context& context, const ParsedArguments& args) {
    Session session(context);
    com::ComPtr<vss::IVSSVersions> versions;
    check(session.item(args.positional[0])->get_Versions(0, versions.put()), "get_Versions");
    std::int32_t count = 0;
    check(versions->get_Count(&count), "get_Count");
    for (std::int32_t i = 1; i <= count; ++i) {
        com::ComPtr<vss::IVSSVersion> version;
        check(versions->get_Item(i, version.put()), "get_Item");
        printVersion(*version);
    }
    return kExitOk;
}

std::int32_t versionNumber(const ParsedArguments& args) {
    const auto text = args.value("-v");
    if (!text)
        return 0;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc() || end != text->data() + text->size() || number < 1)
        throw UsageError("'-v' needs a version number of 1 or more, not '" + *text + "'");
    return number;
}

int runCat(Context& context, const ParsedArguments& args) {
    const std::int32_t version = versionNumber(args);
    context.logIn();
    vss::admin::writeVersion(context.databaseFolder(), args.positional[0], version, std::cout);
    std::cout.flush();
    if (!std::cout)
        throw RefusedError("cannot write to standard output");
    return kExitOk;
}

// The label is written as the logged-in user, so the session checks who that is first.
int runLabel(Context& context, const ParsedArguments& args) {
    std::string user;
    {
        Session session(context);
        session.item(args.positional[0]);
        user = session.userName();
    }
    vss::admin::label(context.databaseFolder(), args.positional[0], args.positional[1], user,
                      args.value("-c").value_or(std::string()));
    return kExitOk;
}

} // namespace

std::vector<Command> projectCommands() {
    return {
        {"mkproj",
         "SPEC [-c COMMENT]",
         "Create a project, e.g. $/Demo/Source.",
         "  -c COMMENT   the comment of the new project",
         {{"-c", true}},
         1,
         1,
         runMkproj},
        {"add",
         "PROJECT FILE... [-c COMMENT] [--writable]",
         "Add local files to a project.",
         "  -c COMMENT   the comment of the first versions\n"
         "  --writable   leave the local files writable (default: read-only)\n"
         "Prints the spec of each added file.",
         {{"-c", true}, {"--writable", false}},
         2,
         Command::kAny,
         runAdd},
        {"workfold",
         "PROJECT FOLDER",
         "Set your working folder for a project.",
         "Subprojects without a working folder of their own use FOLDER/their name.",
         {},
         2,
         2,
         runWorkfold},
        {"dir",
         "[-R] [PROJECT]",
         "List a project's items (default: $/).",
         "  -R   list subprojects too, each under a \"$/Path:\" line\n"
         "Subprojects are shown as $Name.",
         {{"-R", false}},
         0,
         1,
         runDir},
        {"status",
         "[PROJECT]",
         "List the check-outs under a project (default: $/).",
         "One line per checked-out file: spec, user, local path.",
         {},
         0,
         1,
         runStatus},
        {"history",
         "SPEC",
         "List an item's versions, newest first.",
         "One line per version: number, user, date (UTC), action (with a label in quotes),\n"
         "comment.",
         {},
         1,
         1,
         runHistory},
        {"cat",
         "SPEC [-v N]",
         "Write a file's content to standard output.",
         "  -v N   version N (default: the latest)",
         {{"-v", true}},
         1,
         1,
         runCat},
        {"label",
         "SPEC LABEL [-c COMMENT]",
         "Label an item's current state.",
         "  -c COMMENT   the comment of the label\n"
         "The label is a new version in the item's history.",
         {{"-c", true}},
         2,
         2,
         runLabel},
    };
}

} // namespace ss
