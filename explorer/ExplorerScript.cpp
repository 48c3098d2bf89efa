#include "ExplorerScript.h"

#include "DatabaseOpener.h"

#include <ui/Application.h>

#include <QAction>
#include <QJsonArray>
#include <QMenu>
#include <QMenuBar>

namespace {

QString plainText(const QAction* action) {
    return action->text().remove(u'&');
}

} // namespace

ExplorerScript::ExplorerScript(ExplorerWindow& window, ExplorerOptions options,
                               JsonReporter& reporter)
    : window_(window), options_(std::move(options)), reporter_(reporter) {}

const ScriptCommands& ExplorerScript::explorerCommands() {
    static const ScriptCommands table = {
        {QStringLiteral("action"), {1, 1}},
        {QStringLiteral("menu"), {0, 0}},
    };
    return table;
}

QWidget& ExplorerScript::mainWindow() {
    return window_;
}

const ScriptCommands& ExplorerScript::commands() const {
    return explorerCommands();
}

// A database that cannot be opened is said in a message box, as in the window; the script
// answers it and its commands then find no projects.
void ExplorerScript::startUp() {
    try {
        window_.Open(DatabaseOpener(options_.database, options_.user).open());
    } catch (const std::exception& error) {
        ui::Application::instance().messageBox(error.what(), "SourceSafe Explorer",
                                               ui::MB_OK | ui::MB_ICONERROR);
    }
}

void ExplorerScript::run(const ScriptLine& line) {
    if (line.command == u"menu") {
        reportMenus();
        return;
    }
    QAction* action = findAction(line.args[0]);
    if (action == nullptr)
        throw ScriptError("no menu entry " + line.args[0].toStdString());
    if (!action->isEnabled())
        throw ScriptFailure("the menu entry " + line.args[0].toStdString() + " is disabled");
    action->trigger();
}

QAction* ExplorerScript::findAction(const QString& name) const {
    for (QAction* action : window_.actions())
        if (action->objectName() == name || plainText(action) == name)
            return action;
    return nullptr;
}

void ExplorerScript::reportMenus() {
    for (QAction* top : window_.MenuBar->actions()) {
        QJsonArray entries;
        int index = 0;
        for (const QAction* entry : top->menu()->actions())
            entries.append(QJsonObject{
                {QStringLiteral("index"), index++},
                {QStringLiteral("text"), entry->isSeparator() ? QString() : plainText(entry)},
                {QStringLiteral("state"), entry->isEnabled() ? 1 : 0}});
        reporter_.report(QStringLiteral("menu"), {{QStringLiteral("name"), top->text()},
                                                  {QStringLiteral("entries"), entries}});
    }
}
