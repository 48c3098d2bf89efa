// The tabbed editor: one plain-text tab per file; the active tab is the host's current file.
// A read-only file opens read-only; a file changed on disk is reloaded (its read-only state
// with it) unless the buffer has unsaved changes.
#pragma once

#include <QString>
#include <QTabWidget>

class QFileSystemWatcher;
class QPlainTextEdit;

class EditorTabs : public QTabWidget {
    Q_OBJECT
public:
    explicit EditorTabs(QWidget* parent = nullptr);

    // Opens the file (or finds its tab) and makes it current; false when it cannot be read.
    bool open(const QString& path, QString* error = nullptr);
    QString currentPath() const;
    bool isOpen(const QString& path) const;
    // Writes the buffer atomically; true also when the file has no tab and exists on disk.
    bool save(const QString& path, QString* error = nullptr);
    void closeFile(const QString& path);
    void closeAll();

signals:
    void currentFileChanged(const QString& path);

private:
    QPlainTextEdit* editorOf(const QString& path) const;
    QString pathOf(int index) const;
    bool load(QPlainTextEdit* editor, const QString& path, QString* error);
    void fileChangedOnDisk(const QString& path);
    void updateTabTitle(QPlainTextEdit* editor);

    QFileSystemWatcher* watcher_;
};
