// The differences window: a file's version in SourceSafe beside the user's local copy, line by
// line, with the changed lines coloured and a way to step from change to change.
#pragma once

#include "VssAutomation.h"

#include <ui/Application.h>
#include <ui/Form.h>

#include <cstdint>
#include <memory>
#include <string>

class DiffRowsModel;
class QLabel;
class QPushButton;
class QTableView;

class TFormShowDifferences : public ui::Form {
public:
    // Compares version `version` of the file item (0: the latest) with the local file. Raises
    // when either cannot be read.
    TFormShowDifferences(const VssItem& item, std::int32_t version, const std::string& localPath);
    ~TFormShowDifferences() override;

    QLabel* LabelOld;
    QLabel* LabelNew;
    QTableView* GridDifferences;
    QLabel* LabelStatus;
    QPushButton* ButtonPrevious;
    QPushButton* ButtonNext;
    QPushButton* ButtonClose;

    const DiffRowsModel* rows() const { return Rows; }
    // The change the buttons last moved to (-1: none yet).
    int currentChange() const { return CurrentChange; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void Compare(const std::string& oldText, const std::string& newText);
    void ShowBinary();
    void GoToChange(int change);
    void UpdateButtons();

    VssItem Item;
    DiffRowsModel* Rows = nullptr;
    int CurrentChange = -1;
};

// The file part of a host file name: the text after its last "\", "/" or ":".
std::string FileNamePart(const std::string& fileName);
