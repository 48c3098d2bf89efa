#include "QtDriver.h"

#include "Form.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace ui {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int result;
};

std::vector<ButtonSpec> buttonsOf(int style) {
    switch (style & 0x0F) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNOCANCEL:
        return {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Closing a box (Esc, close box) answers Cancel when there is a Cancel button, else No, else OK,
// as Windows does.
int escapeResult(const std::vector<ButtonSpec>& buttons) {
    for (int wanted : {IDCANCEL, IDNO}) {
        for (const auto& button : buttons) {
            if (button.result == wanted)
                return wanted;
        }
    }
    return buttons.front().result;
}

int runMessageBox(QMessageBox& box, int style) {
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setProperty("qmStyle", style);
    box.setIcon(iconOf(style));
    const auto buttons = buttonsOf(style);
    const int escape = escapeResult(buttons);
    // MB_DEFBUTTON2 (0x100) and MB_DEFBUTTON3 (0x200) pick the default button.
    const std::size_t defaultIndex = static_cast<std::size_t>((style >> 8) & 0x0F);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = box.addButton(buttons[i].button);
        button->setProperty("qmResult", buttons[i].result);
        if (i == (defaultIndex < buttons.size() ? defaultIndex : 0))
            box.setDefaultButton(button);
        if (buttons[i].result == escape)
            box.setEscapeButton(button);
    }
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    return clicked ? clicked->property("qmResult").toInt() : escape;
}

} // namespace

int QtDriver::messageBox(QWidget* owner, const std::string& text, const std::string& caption,
                         int style) {
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    return runMessageBox(box, style);
}

int QtDriver::runModal(Form& form) {
    form.exec();
    return form.modalResult();
}

void QtDriver::showError(QWidget* owner, const std::string& message) {
    QMessageBox box(owner);
    box.setWindowTitle(QStringLiteral("Error"));
    box.setText(QString::fromStdString(message));
    box.setProperty("qmError", true);
    runMessageBox(box, MB_OK | MB_ICONERROR);
}

QString QtDriver::toQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDriver::openFile(QWidget* owner, const OpenFileRequest& request) {
    QFileDialog dialog(owner, QString::fromStdString(request.title));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    // Windows shows only the descriptions; the patterns still filter.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    const QString filter = toQtFilter(request.filter);
    if (!filter.isEmpty()) {
        const QStringList filters = filter.split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (!request.fileName.empty())
        dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void QtDriver::setBusyCursor(bool busy) {
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtDriver::showWindow(QWidget* window, int showCommand) {
    if (!window || showCommand != SW_RESTORE)
        return;
    if (!window->isVisible()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    } else if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->raise();
        window->activateWindow();
    }
}

} // namespace ui
