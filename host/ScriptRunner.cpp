#include "ScriptRunner.h"

#include "AddinMenu.h"
#include "MainWindow.h"

#include <QJsonArray>
#include <QMenu>

ScriptRunner::ScriptRunner(MainWindow& host, QList<ScriptLine> lines,
                           std::optional<QString> addinLibrary, JsonReporter& reporter)
    : host_(host), addinLibrary_(std::move(addinLibrary)), reporter_(reporter) {
    stepper_ = std::make_unique<ScriptStepper>(*this, std::move(lines), reporter_);
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::start() {
    stepper_->start();
}

const ScriptCommands& ScriptRunner::hostCommands() {
    static const ScriptCommands table = {
        {QStringLiteral("open"), {1, 1}},          {QStringLiteral("new-project"), {1, 1}},
        {QStringLiteral("close-project"), {0, 0}}, {QStringLiteral("edit"), {1, 1}},
        {QStringLiteral("save"), {0, 0}},          {QStringLiteral("add"), {1, 1}},
        {QStringLiteral("remove"), {1, 1}},        {QStringLiteral("menu"), {0, 0}},
        {QStringLiteral("verb"), {1, 1}},
    };
    return table;
}

QWidget& ScriptRunner::mainWindow() {
    return host_;
}

const ScriptCommands& ScriptRunner::commands() const {
    return hostCommands();
}

void ScriptRunner::startUp() {
    if (!addinLibrary_)
        return;
    if (const auto error = host_.loadAddin(*addinLibrary_))
        reporter_.report(
            QStringLiteral("error"),
            {{QStringLiteral("source"), QStringLiteral("host")}, {QStringLiteral("text"), *error}});
}

void ScriptRunner::run(const ScriptLine& line) {
    const QString& c = line.command;
    std::optional<QString> refused;
    if (c == u"open") {
        refused = host_.openProject(absoluteScriptPath(line.args[0]));
    } else if (c == u"new-project") {
        refused = host_.newProject(absoluteScriptPath(line.args[0]));
    } else if (c == u"close-project") {
        host_.closeProject();
    } else if (c == u"edit") {
        refused = host_.editFile(absoluteScriptPath(line.args[0]));
    } else if (c == u"save") {
        refused = host_.saveCurrentFile();
    } else if (c == u"add") {
        refused = host_.addFile(absoluteScriptPath(line.args[0]));
    } else if (c == u"remove") {
        refused = host_.removeFile(absoluteScriptPath(line.args[0]));
    } else if (c == u"menu") {
        reportMenu();
    } else if (c == u"verb") {
        verb(line.args[0]);
    }
    if (refused)
        throw ScriptFailure(refused->toStdString());
}

void ScriptRunner::verb(const QString& number) {
    bool isNumber = false;
    const int index = number.toInt(&isNumber);
    if (!isNumber)
        throw ScriptError("verb needs a number");
    AddinMenu* menu = host_.addinMenu();
    if (menu == nullptr)
        throw ScriptFailure("no add-in is loaded");
    if (!menu->trigger(index))
        throw ScriptFailure("verb " + std::to_string(index) +
                            " is not an enabled entry of the menu");
}

void ScriptRunner::reportMenu() {
    QJsonArray entries;
    QString title;
    if (AddinMenu* menu = host_.addinMenu()) {
        menu->refreshStates();
        title = menu->menu()->title();
        for (const AddinMenu::Entry& entry : menu->entries())
            entries.append(QJsonObject{{QStringLiteral("index"), entry.index},
                                       {QStringLiteral("text"), entry.text},
                                       {QStringLiteral("state"), entry.state}});
    }
    reporter_.report(QStringLiteral("menu"),
                     {{QStringLiteral("name"), title}, {QStringLiteral("entries"), entries}});
}
