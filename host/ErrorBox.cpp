#include "ErrorBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr int kStyleOkError = 16; // MB_OK | MB_ICONERROR
constexpr int kResultOk = 1;
} // namespace

void showErrorBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::NoButton,
                    owner);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setProperty("qmError", true);
    box.setProperty("qmStyle", kStyleOkError);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setProperty("qmResult", kResultOk);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
