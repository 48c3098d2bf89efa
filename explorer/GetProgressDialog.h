// The progress of a recursive get: the file being got, how far the run is, and a Cancel that
// stops it between two files. The run starts when the dialog is shown and closes it when done.
#pragma once

#include "ProjectGet.h"

#include <ui/Form.h>

class QLabel;
class QProgressBar;
class QPushButton;

class GetProgressDialog : public ui::Form {
public:
    GetProgressDialog(const ProjectGet& get, std::vector<GetJob> jobs, std::int32_t flags);

    const GetOutcome& outcome() const { return Outcome; }

    // While the run goes on, closing the window only asks it to stop.
    void reject() override;

    QLabel* LabelFile;
    QProgressBar* ProgressBarFiles;
    QPushButton* ButtonCancel;

protected:
    void formShow() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Run();
    bool Proceed(std::size_t index);

    const ProjectGet& Get;
    std::vector<GetJob> Jobs;
    std::int32_t Flags;
    GetOutcome Outcome;
    bool Started = false;
    bool Running = false;
    bool CancelRequested = false;
};
