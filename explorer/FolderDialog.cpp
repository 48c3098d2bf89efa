#include "FolderDialog.h"

#include "OkCancelRow.h"

#include <ui/Application.h>

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

FolderDialog::FolderDialog(const QString& caption, const std::string& project,
                           const std::string& folder) {
    setObjectName("FolderDialog");
    setWindowTitle(caption);
    LabelFolder = new QLabel(
        QStringLiteral("Working folder for %1:").arg(QString::fromStdString(project)), this);
    LabelFolder->setObjectName("LabelFolder");
    EditFolder = new QLineEdit(QString::fromStdString(folder), this);
    EditFolder->setObjectName("EditFolder");
    EditFolder->setMinimumWidth(320);
    ButtonBrowse = newDialogButton(this, "ButtonBrowse", "&Browse...");

    auto* row = new QHBoxLayout;
    row->addWidget(EditFolder);
    row->addWidget(ButtonBrowse);
    const OkCancelRow buttons = addOkCancelRow(*this);
    ButtonOk = buttons.ok;
    ButtonCancel = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelFolder);
    layout->addLayout(row);
    layout->addLayout(buttons.layout);

    onClick(ButtonBrowse, [this] { Browse(); });
    const auto follow = [this] { ButtonOk->setEnabled(!EditFolder->text().trimmed().isEmpty()); };
    connect(EditFolder, &QLineEdit::textChanged, this, follow);
    follow();
}

std::string FolderDialog::folder() const {
    const std::filesystem::path typed(EditFolder->text().trimmed().toStdString());
    return std::filesystem::absolute(typed).lexically_normal().string();
}

void FolderDialog::Browse() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, windowTitle(), EditFolder->text());
    if (!chosen.isEmpty())
        EditFolder->setText(chosen);
}
