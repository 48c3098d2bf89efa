// The base of every dialog: modal results in the manner the dialogs assume, default and cancel
// buttons, user-only event wiring, and errors from handlers routed to the standard error display.
#pragma once

#include <QDialog>
#include <functional>

class QAbstractItemView;
class QComboBox;
class QKeyEvent;
class QPushButton;
class QCheckBox;

namespace ui {

class Form : public QDialog {
public:
    // The owner defaults to the application's main window (the host's window).
    explicit Form(QWidget* owner = nullptr);
    ~Form() override;

    int modalResult() const { return modalResult_; }
    // Setting a non-zero result inside an event handler closes the form after the handler.
    void setModalResult(int result) { modalResult_ = result; }

    // Runs the form modally through the application object; returns the modal result.
    int showModal();

    // A fixed dialog border with the given client area.
    void setClientSize(int width, int height);

    // A button's modal result is put on the form before its click handler runs; when the form's
    // result is still non-zero after the handler, the form closes with it. A button with a
    // result and no onClick handler closes the form all the same.
    static void setButtonModalResult(QPushButton* button, int result);
    static int buttonModalResult(const QPushButton* button);
    void onClick(QPushButton* button, std::function<void()> handler = {});
    void onClick(QCheckBox* box, std::function<void()> handler);

    // Enter presses the focused push button, else the default button; Esc the cancel button;
    // each only while enabled.
    void setDefaultButton(QPushButton* button);
    void setCancelButton(QPushButton* button);
    QPushButton* defaultButton() const { return defaultButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    // User events only: never fired by changes the program makes.
    // A click in the view, or a selection change the user makes with mouse or keyboard; the
    // release that ends a double-click is neither.
    void onUserSelect(QAbstractItemView* view, std::function<void()> handler);
    // A character key typed in the widget (the key is passed on unchanged).
    void onKeyPress(QWidget* widget, std::function<void(QKeyEvent*)> handler);
    void onDoubleClick(QAbstractItemView* view, std::function<void()> handler);
    // The user picked an entry of a combo box.
    void onChoice(QComboBox* box, std::function<void()> handler);

    // Runs an event handler: an escaping error goes to the standard error display, and a
    // non-zero modal result closes the form afterwards.
    void runHandler(const std::function<void()>& handler);

    // Every way of closing (accept, reject, a button) ends here and keeps the modal result:
    // 0 (Qt's "rejected") becomes Cancel.
    void done(int result) override;
    // The close box routes here: the result becomes Cancel unless one is set.
    void reject() override;

protected:
    // Called when the form is shown (its FormShow event), through runHandler.
    virtual void formShow() {}

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void closeIfResultSet();
    void clickButton(QPushButton* button, const std::function<void()>& handler);
    void pressButton(QPushButton* button);

    int modalResult_ = 0;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace ui
