// Commands that move files between the database and working folders: get, check out, check
// in and undo a check-out. Each is one call on the item, with the local path the server
// derives from the user's working folder.
#include "Command.h"
#include "Errors.h"
#include "Session.h"

#include <vss/VssInterfaces.h>

namespace ss {

namespace {

std::string comment(const ParsedArguments& args) {
    return args.value("-c").value_or("");
}

std::int32_t replaceFlag(const ParsedArguments& args) {
    std::int32_t flag = 0;
    int given = 0;
    for (const auto& [option, value] :
         {std::pair{"--replace", vss::FlagReplace}, std::pair{"--skip", vss::FlagSkip},
          std::pair{"--merge", vss::FlagMerge}}) {
        if (args.has(option)) {
            flag = value;
            ++given;
        }
    }
    if (given > 1)
        throw UsageError("give at most one of --replace, --skip and --merge");
    return flag;
}

int runGet(Context& context, const ParsedArguments& args) {
    std::int32_t flags = replaceFlag(args);
    if (args.has("-R"))
        flags += vss::FlagRecursiveYes;
    if (args.has("--writable"))
        flags += vss::FlagWritable;
    Session session(context);
    const auto item = session.item(args.positional[0]);
    std::u16string local = toUtf16(localSpec(*item));
    check(item->Get(&local, flags), "Get");
    return kExitOk;
}

int runCheckout(Context& context, const ParsedArguments& args) {
    const std::int32_t flags = args.has("--no-get") ? vss::FlagDontGetLocal : 0;
    Session session(context);
    const auto item = session.item(args.positional[0]);
    check(item->Checkout(toUtf16(comment(args)), toUtf16(localSpec(*item)), flags), "Checkout");
    return kExitOk;
}

int runCheckin(Context& context, const ParsedArguments& args) {
    const std::int32_t flags = args.has("--force") ? vss::FlagCheckInUnchanged : 0;
    Session session(context);
    const auto item = session.item(args.positional[0]);
    check(item->Checkin(toUtf16(comment(args)), toUtf16(localSpec(*item)), flags), "Checkin");
    return kExitOk;
}

int runUndoCheckout(Context& context, const ParsedArguments& args) {
    const std::int32_t flags = args.has("--leave") ? vss::FlagLeaveLocal : 0;
    Session session(context);
    const auto item = session.item(args.positional[0]);
    check(item->UndoCheckout(toUtf16(localSpec(*item)), flags), "UndoCheckout");
    return kExitOk;
}

} // namespace

std::vector<Command> fileCommands() {
    return {
        {"get",
         "SPEC [-R] [--writable] [--replace|--skip|--merge]",
         "Get the latest version of a file or project into your working folder.",
         "  -R           on a project: subprojects too\n"
         "  --writable   leave the local copies writable (default: read-only)\n"
         "  --replace    replace a writable local copy that differs\n"
         "  --skip       leave a writable local copy that differs as it is\n"
         "  --merge      merge the changes into a writable local copy that differs\n"
         "Without one of the last three, a writable local copy that differs is refused.",
         {{"-R", false},
          {"--writable", false},
          {"--replace", false},
          {"--skip", false},
          {"--merge", false}},
         1,
         1,
         runGet},
        {"checkout",
         "SPEC [-c COMMENT] [--no-get]",
         "Check a file out to you.",
         "  -c COMMENT   the check-out comment\n"
         "  --no-get     keep the local copy as it is (default: get a writable copy)",
         {{"-c", true}, {"--no-get", false}},
         1,
         1,
         runCheckout},
        {"checkin",
         "SPEC [-c COMMENT] [--force]",
         "Check in your local copy of a file you have checked out.",
         "  -c COMMENT   the new version's comment\n"
         "  --force      make a new version even when the file is unchanged\n"
         "An unchanged file is not checked in: its check-out is undone.",
         {{"-c", true}, {"--force", false}},
         1,
         1,
         runCheckin},
        {"undocheckout",
         "SPEC [--leave]",
         "Undo your check-out of a file.",
         "  --leave   keep the local copy as it is (default: replace it with the latest "
         "version)",
         {{"--leave", false}},
         1,
         1,
         runUndoCheckout},
    };
}

} // namespace ss
