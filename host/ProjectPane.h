// The project pane: the project's units, each with the state of its file on disk (a lock for
// a read-only file, a pencil for a writable one, a mark for a missing one). It watches the
// units and their folders and updates itself when they change.
#pragma once

#include "FileStateIcons.h"

#include <QListWidget>
#include <array>

class QFileSystemWatcher;
class QTimer;

class ProjectPane : public QListWidget {
    Q_OBJECT
public:
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int StateRole = Qt::UserRole + 1; // a FileState as int

    explicit ProjectPane(QWidget* parent = nullptr);

    // Lists the units (full paths), named relative to the project's folder.
    void showProject(const QString& directory, const QStringList& files);
    void clearProject();
    // Reads every unit's state again.
    void refreshStates();

    const QIcon& stateIcon(FileState state) const { return icons_[static_cast<int>(state)]; }

signals:
    // A watched file or folder changed and the states were read again.
    void changedOnDisk();

private:
    void updateItem(QListWidgetItem* item);
    void watch();
    void onDiskChange();

    std::array<QIcon, 3> icons_;
    QFileSystemWatcher* watcher_;
    QTimer* settle_; // one refresh for a burst of notifications (a rename is several)
    QString directory_;
};
