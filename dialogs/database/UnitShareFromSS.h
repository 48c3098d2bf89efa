// The share dialog: browses the whole database with the project tree and shares files, or a
// whole project, into the bound project; it also shows one file's latest version in a viewer.
#pragma once

#include "VssAutomation.h"

#include <ui/Form.h>

#include <QPixmap>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRect;
class QTreeWidget;
class TProjectTree;

class TFormShareFromSS : public ui::Form {
public:
    // Looks the binding up as the target of every share and opens the tree at the root; a
    // failing lookup or read of the tree leaves the constructor.
    TFormShareFromSS(VssDatabase database, const std::string& binding);
    ~TFormShareFromSS() override;

    // The mask between the first "(" and the first ")": "Text File (*.txt)" -> "*.txt". A text
    // with neither is its own mask; with no "(" the mask starts at the beginning; with no ")"
    // it is empty.
    static std::string FileTypeMask(const std::string& text);
    // File-name wildcards: "*" any run, "?" any one character, letters in any case. A mask
    // ending in ".*" also takes names without an extension, so "*.*" takes every name.
    static bool MatchesMask(const std::string& name, const std::string& mask);

    void RefreshFileList();

    QLabel* LabelFileTypes;
    QComboBox* ComboBoxFileTypes;
    QListWidget* ListBoxFiles;
    QLabel* LabelProjects;
    QLabel* LabelProject;
    QTreeWidget* TreeVProjects;
    QPushButton* ButtonClose;
    QPushButton* ButtonShare;
    QPushButton* ButtonView;
    QPushButton* ButtonHelp;
    QCheckBox* CBoxRecursive;
    QLabel* LabelLog;
    QPlainTextEdit* MemoLog;
    // 0 closed folder, 1 open folder, 2 document; pure red is transparent in the document.
    std::array<QPixmap, 3> ImageListFolders;

    VssDatabase Database;
    VssItem TargetProject;
    std::int32_t RecursiveFlag = 0;

    // ListBoxFilesDrawItem: one row of the file list.
    void ListBoxFilesDrawItem(QPainter& canvas, int index, const QRect& rect) const;

private:
    void CreateControls();
    void TreeVProjectsChange();
    void TreeVProjectsClick();
    void ComboBoxFileTypesChange();
    void ListBoxFilesClick();
    void CBoxRecursiveClick();
    void ButtonShareClick();
    void ButtonViewClick();

    void ShareFiles();
    void ShareProject();
    std::string SelectedPath() const;
    int SelectedFileCount() const;
    void AppendLog(const std::string& line);

    TProjectTree* Tree = nullptr; // owned by TreeVProjects
    bool Opening = false;         // the constructor opens the tree
};
