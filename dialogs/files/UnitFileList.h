// The common part of the two file-list bases (TFormNoComment, TFormComment): the state, the file
// list with its OK rule, the log, and the one run over the selected entries. A derived dialog
// supplies only its list filter, its per-file operation, its flags and its line texts.
#pragma once

#include "UnitVssRegistry.h"
#include "VssAutomation.h"

#include <ui/Form.h>

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QKeyEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

// How the run's lines name a file.
enum class TLineName { SourceSafePath, LocalPath };

// The texts and reads of one file operation.
struct TFileOperation {
    const char* OperationLine; // written before the call, e.g. "Checking out "
    const char* FailurePrefix; // e.g. "Can't Checkout "
    TLineName LineName;
    bool NeedsLocalPath; // the call takes the item's local path
    // The call writes the item's local spec as that kind of call does; announced to the run.
    std::optional<vss::VSSCopyCall> CopiesLatest = std::nullopt;
};

class TFormFileList : public ui::Form {
public:
    QLabel* LabelFiles;
    QListWidget* ListBoxFileList;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    QPushButton* ButtonHelp;
    QPushButton* ButtonAdvanced;
    QLabel* LabelLog;
    QPlainTextEdit* MemoLog;

protected:
    // Looks the bound project and its children up and reads the settings; raises EVssError when
    // the project cannot be read.
    TFormFileList(VssDatabase database, std::string projectBinding);

    // List filters: every child, or only children in one check-out state.
    static constexpr std::optional<std::int32_t> AllChildren = std::nullopt;
    // Lists the children of ProjectItems by index, 1 to get_Count, then pre-selects the entry
    // named like the file-name part of fileName.
    void FillFileList(std::optional<std::int32_t> checkOutState, const std::string& fileName);
    void BindDoubleClickToRun();
    void SetFilesCaption(const char* caption);

    // The run: the handler of ButtonOk and, where bound, of a double-click in the list.
    void ButtonOkClick();
    void SwitchToClose();

    virtual TFileOperation Operation() const = 0;
    virtual std::int32_t OperationFlags() const = 0;
    // The SourceSafe call for FileItem.
    virtual void OperateOnFile(const std::string& localPath, std::int32_t flags) = 0;

    // FormShow, ListBoxFileListClick and ListBoxFileListKeyPress: OK follows the selection.
    void formShow() override;
    void ListBoxFileListClick();
    void ListBoxFileListKeyPress(QKeyEvent* key);
    void UpdateOkButton();
    void AppendLog(const std::string& line);

    // The run's reads before the loop: ProjectItem and ProjectItems again.
    virtual void ReadProject();
    // Tells the run which calls follow, so that the server may write their copies ahead.
    void AnnounceCalls(VssRun& run, vss::VSSCopyCall call);
    // One selected entry of the run: its item looked up, then the guarded operation.
    virtual void ProcessEntry(QListWidgetItem* entry);
    // Selects the entry named like the file-name part of fileName and scrolls it to the top.
    void SelectFile(const std::string& fileName);

    // Takes a processed entry out of the selection; during a run, when the run ends.
    void Deselect(QListWidgetItem* entry);
    // Shows what a run gathered: its lines in one insertion, its processed entries deselected
    // in one change of the selection.
    void ShowRunOutcome();

    TVSSProperties Properties;
    VssItems ProjectItems;
    VssItem FileItem;
    VssItem ProjectItem;
    VssDatabase Database;
    std::string ProjectBinding;

private:
    // A run's lines and processed rows wait here until it ends: shown one at a time, they cost
    // a long run more than its files do, and nothing is painted before the run ends anyway.
    QStringList pendingLog_;
    std::vector<int> processedRows_;
    bool gathering_ = false;
};
