#include "ExplorerOptions.h"

#include <stdexcept>

namespace {

std::string valueOf(const QStringList& arguments, qsizetype& index) {
    const QString option = arguments.at(index);
    if (index + 1 >= arguments.size() || arguments.at(index + 1).isEmpty())
        throw std::invalid_argument("option '" + option.toStdString() + "' needs a value");
    return arguments.at(++index).toStdString();
}

} // namespace

ExplorerOptions ExplorerOptions::parse(const QStringList& arguments) {
    ExplorerOptions options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        if (argument == u"--db")
            options.database = valueOf(arguments, index);
        else if (argument == u"--user")
            options.user = valueOf(arguments, index);
        else if (argument == u"--script")
            options.script = valueOf(arguments, index);
        else if (argument == u"--help" || argument == u"-h")
            options.help = true;
        else if (argument.startsWith(u'-') && argument != u"-")
            throw std::invalid_argument("unknown option '" + argument.toStdString() + "'");
        else
            throw std::invalid_argument("unexpected argument '" + argument.toStdString() + "'");
    }
    return options;
}

const char* ExplorerOptions::usage() {
    return "usage: ssexp.exe [--db DIR] [--user NAME] [--script FILE]\n"
           "Browses and works on a SourceSafe database.\n"
           "  --db DIR        the database folder (default: the registry's current database)\n"
           "  --user NAME     the user to log in as (default: your logon name)\n"
           "  --script FILE   run a script headless and print JSON lines (\"-\": standard "
           "input)\n";
}
