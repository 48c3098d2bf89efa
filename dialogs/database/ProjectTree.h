// The project tree that the add-project and share dialogs browse with: the SourceSafe projects
// under "$", read lazily and kept one level ahead of what the user sees. It drives a tree widget
// of its dialog (the one named "TreeVProjects"); nodes carry only their text, and a node's
// SourceSafe path follows from its position.
#pragma once

#include "VssAutomation.h"

#include <QIcon>
#include <QObject>
#include <QPixmap>

#include <array>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace ui {
class Form;
}

// ImageListFolders: 16 x 16 node images, drawn here so no image files are needed.
class TFolderImages {
public:
    static constexpr int ClosedFolder = 0;
    static constexpr int OpenFolder = 1;
    // The image of an index, 0 closed folder or 1 open folder.
    static QPixmap Image(int index);
};

class TProjectTree : public QObject {
public:
    // Gives the tree its fixed look (indent 19, labels not editable, folder images) and takes
    // over its expansion: TreeVProjectsExpanding runs through the form's handler guard, so an
    // error while a node is read goes to the standard error display.
    TProjectTree(ui::Form& form, QTreeWidget* tree, VssDatabase database);

    // Opening the tree: adds the root "$", reads its sub-projects and theirs, expands the root
    // and selects it (the tree's selection signals fire). Read errors leave the call.
    void Open();

    // "$/" for the root, "$/A/B/" for B under A: always ending in "/".
    static std::string NodePath(const QTreeWidgetItem* node);
    // The node the user selected (the current node); nullptr before Open.
    QTreeWidgetItem* Selected() const;
    QTreeWidgetItem* Root() const;

    // Reads a node's sub-projects when it has no children yet; a node with children is left
    // alone. Errors of the server leave the call.
    void LoadSubprojects(QTreeWidgetItem* node);
    // TreeVProjectsExpanding: a node with children reads its grandchildren and may expand; a
    // node without children refuses. Returns whether the expansion is allowed.
    bool Expanding(QTreeWidgetItem* node);
    // A node for a project the user created: image 0 in both states, selected afterwards.
    QTreeWidgetItem* AddCreatedNode(QTreeWidgetItem* parent, const std::string& name);

    QTreeWidget* Tree() const { return Tree_; }

private:
    QTreeWidgetItem* NewNode(const QString& text, int selectedImage) const;
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& text, int selectedImage);
    void UserExpanded(QTreeWidgetItem* node);
    void Collapse(QTreeWidgetItem* node);

    ui::Form& Form_;
    QTreeWidget* Tree_;
    VssDatabase Database;
    // Node icons by selected image: the closed folder normally, this image when selected.
    std::array<QIcon, 2> Icons;
    bool Expanding_ = false; // an expansion the tree makes itself, already read
};
