#include "EditorTabs.h"

#include <system/ReadOnly.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {
constexpr char kPathProperty[] = "filePath";

QString normalized(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
} // namespace

EditorTabs::EditorTabs(QWidget* parent)
    : QTabWidget(parent), watcher_(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("Editor"));
    setDocumentMode(true);
    setTabsClosable(true);
    connect(this, &QTabWidget::tabCloseRequested, this,
            [this](int index) { closeFile(pathOf(index)); });
    connect(this, &QTabWidget::currentChanged, this,
            [this](int) { emit currentFileChanged(currentPath()); });
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &EditorTabs::fileChangedOnDisk);
}

QPlainTextEdit* EditorTabs::editorOf(const QString& path) const {
    const QString wanted = normalized(path);
    for (int i = 0; i < count(); ++i)
        if (pathOf(i) == wanted)
            return static_cast<QPlainTextEdit*>(widget(i));
    return nullptr;
}

QString EditorTabs::pathOf(int index) const {
    const QWidget* page = widget(index);
    return page ? page->property(kPathProperty).toString() : QString();
}

QString EditorTabs::currentPath() const {
    return pathOf(currentIndex());
}

bool EditorTabs::isOpen(const QString& path) const {
    return editorOf(path) != nullptr;
}

bool EditorTabs::load(QPlainTextEdit* editor, const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    editor->setPlainText(QString::fromUtf8(file.readAll()));
    editor->document()->setModified(false);
    editor->setReadOnly(isReadOnlyFile(path));
    updateTabTitle(editor);
    return true;
}

bool EditorTabs::open(const QString& path, QString* error) {
    const QString full = normalized(path);
    if (QPlainTextEdit* editor = editorOf(full)) {
        setCurrentWidget(editor);
        return true;
    }
    auto* editor = new QPlainTextEdit;
    editor->setProperty(kPathProperty, full);
    editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (!load(editor, full, error)) {
        delete editor;
        return false;
    }
    connect(editor->document(), &QTextDocument::modificationChanged, this,
            [this, editor](bool) { updateTabTitle(editor); });
    addTab(editor, QFileInfo(full).fileName());
    updateTabTitle(editor);
    watcher_->addPath(full);
    setCurrentWidget(editor);
    return true;
}

bool EditorTabs::save(const QString& path, QString* error) {
    QPlainTextEdit* editor = editorOf(path);
    if (editor == nullptr) {
        if (QFileInfo::exists(path))
            return true;
        if (error)
            *error = QStringLiteral("%1 does not exist.").arg(path);
        return false;
    }
    const QString full = normalized(path);
    QSaveFile file(full);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot save %1: %2").arg(full, file.errorString());
        return false;
    }
    file.write(editor->toPlainText().toUtf8());
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot save %1: %2").arg(full, file.errorString());
        return false;
    }
    editor->document()->setModified(false);
    return true;
}

void EditorTabs::closeFile(const QString& path) {
    if (QPlainTextEdit* editor = editorOf(path)) {
        watcher_->removePath(editor->property(kPathProperty).toString());
        removeTab(indexOf(editor));
        delete editor;
    }
}

void EditorTabs::closeAll() {
    while (count() > 0)
        closeFile(pathOf(0));
}

void EditorTabs::fileChangedOnDisk(const QString& path) {
    QPlainTextEdit* editor = editorOf(path);
    if (editor == nullptr)
        return;
    // Files are replaced by rename, which ends the watch on the old file: watch the new one.
    if (QFileInfo::exists(path) && !watcher_->files().contains(path))
        watcher_->addPath(path);
    if (!QFileInfo::exists(path) || editor->document()->isModified()) {
        updateTabTitle(editor);
        return;
    }
    load(editor, path, nullptr);
}

void EditorTabs::updateTabTitle(QPlainTextEdit* editor) {
    const int index = indexOf(editor);
    if (index < 0)
        return;
    const QString path = editor->property(kPathProperty).toString();
    QString title = QFileInfo(path).fileName();
    if (editor->document()->isModified())
        title += QLatin1Char('*');
    if (editor->isReadOnly())
        title += QStringLiteral(" [read-only]");
    setTabText(index, title);
    setTabToolTip(index, path);
}
