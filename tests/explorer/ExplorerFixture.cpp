#include "ExplorerFixture.h"

#include "DatabaseOpener.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTreeView>

namespace fs = std::filesystem;

void ExplorerFixture::SetUp() {
    folder = env.createDatabase();
    env.ss({"register", "--name", "Main", "--current"}, {}, true, "Admin");
    work = env.root() / "work";
    env.ss({"mkproj", "$/Demo"});
    env.ss({"mkproj", "$/Demo/Sub"});
    env.ss({"mkproj", "$/Other"});
    env.ss({"workfold", "$/Demo", (work / "Demo").string()});
    env.ss({"add", "$/Demo", env.write(work / "Demo" / "a.pas", "unit a;\n").string()});
    env.ss({"add", "$/Demo", env.write(work / "Demo" / "b.pas", "unit b;\n").string()});
    env.ss({"add", "$/Demo/Sub", env.write(work / "Demo" / "Sub" / "c.pas", "unit c;\n").string()});
}

void ExplorerFixture::TearDown() {
    window_.reset();
    EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
    EXPECT_TRUE(driver.idle()) << "scripted answers or forms left over";
}

VssDatabase ExplorerFixture::openDatabase() const {
    return DatabaseOpener(std::string(), std::string()).open();
}

ExplorerWindow& ExplorerFixture::window() {
    if (!window_) {
        window_ = std::make_unique<ExplorerWindow>();
        window_->Open(openDatabase());
    }
    return *window_;
}

std::vector<std::string> ExplorerFixture::listRows() {
    const FileListModel& model = window().Files();
    std::vector<std::string> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells.append(model.index(row, column).data().toString());
        rows.push_back(cells.join(u'|').toStdString());
    }
    return rows;
}

void ExplorerFixture::selectFiles(const std::vector<std::string>& names) {
    QTreeView* list = window().FileList;
    list->clearSelection();
    const FileListModel& model = window().Files();
    for (const std::string& name : names)
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.entry(row).name == name)
                list->selectionModel()->select(model.index(row, 0), QItemSelectionModel::Select |
                                                                        QItemSelectionModel::Rows);
}

void ExplorerFixture::fillOtherAsAdmin(
    const std::vector<std::pair<std::string, std::string>>& files) {
    const fs::path admin = env.root() / "admin";
    env.ss({"mkproj", "$/Other/Deep"});
    env.ss({"workfold", "$/Other", admin.string()}, {}, true, "Admin");
    for (const auto& [below, text] : files) {
        const fs::path path(below);
        const std::string project = path.has_parent_path()
                                        ? "$/Other/" + path.parent_path().generic_string()
                                        : std::string("$/Other");
        env.ss({"add", project, env.write(admin / path, text).string()}, {}, true, "Admin");
    }
}

void ExplorerFixture::waitUntilClosed(ui::Form& form) {
    QElapsedTimer timer;
    timer.start();
    while (form.isVisible() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

std::string ExplorerFixture::ssOut(const std::vector<std::string>& args) {
    return env.ss(args).out;
}

bool ExplorerFixture::contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
