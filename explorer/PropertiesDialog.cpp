#include "PropertiesDialog.h"

#include <ui/Application.h>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* value(QWidget* parent, const char* name, const std::string& text) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

std::string checkoutText(const VssChildStatus* status) {
    if (status == nullptr || status->checkoutUser.empty())
        return "Not checked out";
    return status->checkoutUser + " in " + status->checkoutLocalSpec;
}

} // namespace

PropertiesDialog::PropertiesDialog(const VssItem& item, const VssChildStatus* status) {
    setObjectName("PropertiesDialog");
    const bool project = item.type() == vss::kTypeProject;
    const std::string spec = item.spec();
    setWindowTitle(QStringLiteral("Properties of %1").arg(QString::fromStdString(spec)));
    LabelName = value(this, "LabelName", project && spec == "$/" ? "$" : item.name());
    LabelSpec = value(this, "LabelSpec", spec);
    LabelType = value(this, "LabelType",
                      project ? "Project" : (item.binary() ? "Binary file" : "Text file"));
    LabelVersion = value(this, "LabelVersion", std::to_string(item.versionNumber()));
    LabelLocal = value(this, "LabelLocal", item.localSpec());
    LabelCheckedOut = value(this, "LabelCheckedOut", project ? "" : checkoutText(status));
    ButtonClose = new QPushButton(QStringLiteral("Close"), this);
    ButtonClose->setObjectName("ButtonClose");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), LabelName);
    form->addRow(QStringLiteral("Path:"), LabelSpec);
    form->addRow(QStringLiteral("Type:"), LabelType);
    form->addRow(QStringLiteral("Version:"), LabelVersion);
    form->addRow(project ? QStringLiteral("Working folder:") : QStringLiteral("Local copy:"),
                 LabelLocal);
    if (!project)
        form->addRow(QStringLiteral("Checked out:"), LabelCheckedOut);
    else
        LabelCheckedOut->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    setDefaultButton(ButtonClose);
    setCancelButton(ButtonClose);
    setButtonModalResult(ButtonClose, ui::mrOk);
    onClick(ButtonClose);
}
