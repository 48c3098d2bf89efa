// A driver for tests: answers message boxes from a queue, drives each modal form through a
// callback inside the form's real modal loop, and records everything that was shown.
#pragma once

#include "Application.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ui {

class ScriptedDriver : public Driver {
public:
    struct MessageRecord {
        std::string text;
        std::string caption;
        int style = 0;
        int answer = 0;
    };
    using FormAction = std::function<void(Form&)>;

    // Installs itself on the application object for its lifetime.
    ScriptedDriver();
    ~ScriptedDriver() override;

    void answer(int result) { answers_.push_back(result); }
    // The action runs inside the next form's modal loop; it must close the form (a click on
    // OK, Cancel, Esc...). A form it leaves open is cancelled and recorded as a problem.
    void drive(FormAction action) { forms_.push_back(std::move(action)); }
    void chooseFile(std::optional<std::string> file) { files_.push_back(std::move(file)); }

    const std::vector<MessageRecord>& messages() const { return messages_; }
    const std::vector<std::string>& errors() const { return errors_; }    // standard error display
    const std::vector<std::string>& shownForms() const { return shown_; } // window captions
    const std::vector<OpenFileRequest>& fileRequests() const { return fileRequests_; }
    // Unexpected boxes or forms, unanswered queues, forms left open.
    const std::vector<std::string>& problems() const { return problems_; }
    int restoreCount() const { return restores_; }
    int lastShowCommand() const { return lastShowCommand_; }
    bool busy() const { return busy_; }
    int busyChanges() const { return busyChanges_; }
    bool idle() const { return answers_.empty() && forms_.empty() && files_.empty(); }

    int messageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   int style) override;
    int runModal(Form& form) override;
    void showError(QWidget* owner, const std::string& message) override;
    std::optional<std::string> openFile(QWidget* owner, const OpenFileRequest& request) override;
    void setBusyCursor(bool busy) override;
    void showWindow(QWidget* window, int showCommand) override;

private:
    std::deque<int> answers_;
    std::deque<FormAction> forms_;
    std::deque<std::optional<std::string>> files_;
    std::vector<MessageRecord> messages_;
    std::vector<std::string> errors_;
    std::vector<std::string> shown_;
    std::vector<OpenFileRequest> fileRequests_;
    std::vector<std::string> problems_;
    int restores_ = 0;
    int lastShowCommand_ = 0;
    bool busy_ = false;
    int busyChanges_ = 0;
};

} // namespace ui
