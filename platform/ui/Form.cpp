#include "Form.h"

#include "Application.h"
#include "EventFilter.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <memory>
#include <utility>

namespace ui {

namespace {

// An error escaping an event handler goes to the standard error display, never into Qt's
// event loop.
void runGuarded(const std::function<void()>& handler) {
    try {
        if (handler)
            handler();
    } catch (const std::exception& error) {
        Application::instance().showException(error);
    } catch (...) {
        Application::instance().showError("Unknown error");
    }
}

} // namespace

Form::Form(QWidget* owner) : QDialog(owner ? owner : Application::instance().mainWindow()) {
    // The command that creates a form frees it.
    setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form() = default;

int Form::showModal() {
    modalResult_ = mrNone;
    return Application::instance().runModal(*this);
}

void Form::setClientSize(int width, int height) {
    setFixedSize(width, height);
}

void Form::setButtonModalResult(QPushButton* button, int result) {
    button->setProperty("modalResult", result);
    // A button with a result closes its form even when nobody wires a click handler to it.
    if (button->property("qmClickWired").toBool())
        return;
    button->setProperty("qmClickWired", true);
    connect(button, &QPushButton::clicked, button, [button] {
        if (button->property("qmClickHandled").toBool())
            return; // onClick does it, with its handler
        for (QWidget* w = button->parentWidget(); w; w = w->parentWidget()) {
            if (auto* form = dynamic_cast<Form*>(w)) {
                form->clickButton(button, {});
                return;
            }
        }
    });
}

int Form::buttonModalResult(const QPushButton* button) {
    return button->property("modalResult").toInt();
}

void Form::onClick(QPushButton* button, std::function<void()> handler) {
    button->setProperty("qmClickHandled", true);
    connect(button, &QPushButton::clicked, this,
            [this, button, handler = std::move(handler)] { clickButton(button, handler); });
}

void Form::clickButton(QPushButton* button, const std::function<void()>& handler) {
    modalResult_ = buttonModalResult(button);
    runHandler(handler);
}

void Form::onClick(QCheckBox* box, std::function<void()> handler) {
    connect(box, &QCheckBox::clicked, this,
            [this, handler = std::move(handler)] { runHandler(handler); });
}

void Form::setDefaultButton(QPushButton* button) {
    if (defaultButton_)
        defaultButton_->setDefault(false);
    defaultButton_ = button;
    if (button)
        button->setDefault(true);
}

void Form::setCancelButton(QPushButton* button) {
    cancelButton_ = button;
}

namespace {

// Keys that act on the dialog, not on the list's selection: their release must not look like
// a selection change (Enter may just have run the dialog and deselected entries itself).
bool isDialogKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

} // namespace

void Form::onUserSelect(QAbstractItemView* view, std::function<void()> handler) {
    QWidget* viewport = view->viewport();
    struct State {
        bool redelivering = false;
        bool endingDoubleClick = false;
    };
    auto state = std::make_shared<State>();
    auto filter = [this, view, viewport, state, handler = std::move(handler)](QObject* watched,
                                                                              QEvent* event) {
        if (state->redelivering)
            return false;
        if (watched == viewport) {
            switch (event->type()) {
            case QEvent::MouseButtonPress:
                state->endingDoubleClick = false;
                return false;
            case QEvent::MouseButtonDblClick:
                // A double-click arrives as press, release, double-click, release. The first
                // release told the handler already; the last one follows the double-click's
                // own handler (a run that deselects entries) and is no selection of the user's.
                state->endingDoubleClick = true;
                return false;
            case QEvent::MouseButtonRelease:
                if (std::exchange(state->endingDoubleClick, false))
                    return false;
                // The view changes the selection on the release too (a click on one of several
                // selected entries): let it handle the release first, then tell the handler.
                state->redelivering = true;
                QCoreApplication::sendEvent(viewport, event);
                state->redelivering = false;
                event->accept();
                runHandler(handler);
                return true;
            default:
                return false;
            }
        }
        if (watched == view && event->type() == QEvent::KeyRelease &&
            !isDialogKey(static_cast<QKeyEvent*>(event)->key())) {
            // The key press has already moved the selection.
            runHandler(handler);
        }
        return false;
    };
    auto* eventFilter = new EventFilter(this, std::move(filter));
    viewport->installEventFilter(eventFilter);
    view->installEventFilter(eventFilter);
}

void Form::onKeyPress(QWidget* widget, std::function<void(QKeyEvent*)> handler) {
    auto filter = [this, widget, handler = std::move(handler)](QObject* watched, QEvent* event) {
        if (watched == widget && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->text().isEmpty())
                runHandler([&handler, key] { handler(key); });
        }
        return false;
    };
    widget->installEventFilter(new EventFilter(this, std::move(filter)));
}

void Form::onDoubleClick(QAbstractItemView* view, std::function<void()> handler) {
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this, handler = std::move(handler)] { runHandler(handler); });
}

void Form::onChoice(QComboBox* box, std::function<void()> handler) {
    connect(box, &QComboBox::activated, this,
            [this, handler = std::move(handler)] { runHandler(handler); });
}

void Form::runHandler(const std::function<void()>& handler) {
    runGuarded(handler);
    closeIfResultSet();
}

void Form::done(int result) {
    modalResult_ = result == 0 ? mrCancel : result;
    QDialog::done(modalResult_);
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back from minimized is no new show.
    if (event->spontaneous())
        return;
    runGuarded([this] { formShow(); });
    // Closing while the dialog is still being shown would leave QDialog::exec's loop waiting
    // on a hidden dialog: close once the loop runs.
    if (isModal() && modalResult_ != mrNone)
        QMetaObject::invokeMethod(
            this, [this] { closeIfResultSet(); }, Qt::QueuedConnection);
}

void Form::keyPressEvent(QKeyEvent* event) {
    // Esc never closes the form by itself (QDialog would reject): only an enabled cancel button.
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
            // A focused push button takes Enter itself, whether or not it is an automatic
            // default; any other control passes it to the default button.
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
                pressButton(focused);
            else
                pressButton(defaultButton_);
            event->accept();
            return;
        case Qt::Key_Escape:
            pressButton(cancelButton_);
            event->accept();
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    if (modalResult_ == mrNone)
        modalResult_ = mrCancel;
    if (isVisible())
        done(modalResult_);
    event->accept();
}

void Form::reject() {
    if (modalResult_ == mrNone)
        modalResult_ = mrCancel;
    done(modalResult_);
}

void Form::closeIfResultSet() {
    if (modalResult_ != mrNone && isVisible())
        done(modalResult_);
}

void Form::pressButton(QPushButton* button) {
    if (button && button->isEnabled() && button->isVisible())
        button->click();
}

} // namespace ui
