#include "ProjectPane.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {
constexpr int kSettleMilliseconds = 50;
} // namespace

ProjectPane::ProjectPane(QWidget* parent)
    : QListWidget(parent), icons_{drawFileStateIcon(FileState::ReadOnly),
                                  drawFileStateIcon(FileState::Writable),
                                  drawFileStateIcon(FileState::Missing)},
      watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    setObjectName(QStringLiteral("ProjectFiles"));
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMilliseconds);
    connect(settle_, &QTimer::timeout, this, &ProjectPane::onDiskChange);
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
}

void ProjectPane::showProject(const QString& directory, const QStringList& files) {
    clear();
    directory_ = directory;
    for (const QString& file : files) {
        auto* item = new QListWidgetItem(QDir(directory).relativeFilePath(file));
        item->setData(PathRole, file);
        updateItem(item);
        addItem(item);
    }
    watch();
}

void ProjectPane::clearProject() {
    clear();
    directory_.clear();
    watch();
}

void ProjectPane::refreshStates() {
    for (int i = 0; i < count(); ++i)
        updateItem(item(i));
    watch();
}

void ProjectPane::updateItem(QListWidgetItem* item) {
    const QString path = item->data(PathRole).toString();
    const FileState state = fileStateOf(path);
    if (item->data(StateRole).isValid() && item->data(StateRole).toInt() == int(state))
        return;
    item->setData(StateRole, static_cast<int>(state));
    item->setIcon(stateIcon(state));
    item->setToolTip(QStringLiteral("%1 (%2)").arg(path, fileStateText(state)));
}

void ProjectPane::watch() {
    // The folders catch files that appear, vanish or are replaced by a rename (which ends the
    // watch on the old file); the files catch changes of their permissions.
    QStringList wanted;
    if (!directory_.isEmpty())
        wanted.append(directory_);
    for (int i = 0; i < count(); ++i) {
        const QFileInfo file(item(i)->data(PathRole).toString());
        if (!wanted.contains(file.absolutePath()) && file.dir().exists())
            wanted.append(file.absolutePath());
        if (file.exists())
            wanted.append(file.absoluteFilePath());
    }
    QStringList stale = watcher_->files() + watcher_->directories();
    QStringList added;
    for (const QString& path : wanted)
        if (!stale.removeOne(path))
            added.append(path);
    if (!stale.isEmpty())
        watcher_->removePaths(stale);
    if (!added.isEmpty())
        watcher_->addPaths(added);
}

void ProjectPane::onDiskChange() {
    refreshStates();
    emit changedOnDisk();
}
