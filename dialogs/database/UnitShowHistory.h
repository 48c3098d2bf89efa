// The history window: one row per version of a file, newest first, with a way to view a
// version and to compare it with the local copy.
#pragma once

#include "VssAutomation.h"

#include <ui/Application.h>
#include <ui/Form.h>

#include <cstdint>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;

class TFormShowHistory : public ui::Form {
public:
    // Looks the file (binding + "/" + the name part of fileName) up and lists its versions.
    // Raises when the lookup or the history fails.
    TFormShowHistory(const VssDatabase& database, const std::string& binding,
                     const std::string& fileName);
    ~TFormShowHistory() override;

    QLabel* LabelHistory;
    QTreeWidget* ListViewHistory;
    QPushButton* ButtonClose;
    QPushButton* ButtonView;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;

    // The version number of the selected row; 0 when none is selected.
    std::int32_t SelectedVersion() const;
    // Compares the selected version with the local copy in the differences window.
    void ShowDifferencesOfSelected();

private:
    void CreateControls();
    void FillHistory();
    void ButtonViewClick();
    void ViewVersion(std::int32_t version);

    VssDatabase Database;
    VssItem HistoryItem;
    VssVersions HistoryVersions;
    std::string LocalPath;
};
