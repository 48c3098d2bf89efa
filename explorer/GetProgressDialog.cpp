#include "GetProgressDialog.h"

#include <ui/Application.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

GetProgressDialog::GetProgressDialog(const ProjectGet& get, std::vector<GetJob> jobs,
                                     std::int32_t flags)
    : Get(get), Jobs(std::move(jobs)), Flags(flags) {
    setObjectName("GetProgressDialog");
    setWindowTitle(QStringLiteral("Get Latest Version"));
    LabelFile = new QLabel(this);
    LabelFile->setObjectName("LabelFile");
    LabelFile->setMinimumWidth(360);
    ProgressBarFiles = new QProgressBar(this);
    ProgressBarFiles->setObjectName("ProgressBarFiles");
    ProgressBarFiles->setRange(0, static_cast<int>(Jobs.size()));
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelFile);
    layout->addWidget(ProgressBarFiles);
    layout->addLayout(buttons);

    setCancelButton(ButtonCancel);
    // Cancel only asks: the run finishes the file it is on and then closes the dialog.
    onClick(ButtonCancel, [this] {
        CancelRequested = true;
        ButtonCancel->setEnabled(false);
    });
}

void GetProgressDialog::formShow() {
    if (Started)
        return;
    Started = true;
    // A timer of its own, not a single shot (a posted call): a timer started earlier, such as
    // a test driver's, still fires first.
    auto* start = new QTimer(this);
    start->setSingleShot(true);
    connect(start, &QTimer::timeout, this, [this] { runHandler([this] { Run(); }); });
    start->start(0);
}

void GetProgressDialog::reject() {
    if (Running) {
        CancelRequested = true;
        return;
    }
    Form::reject();
}

void GetProgressDialog::closeEvent(QCloseEvent* event) {
    if (Running) {
        CancelRequested = true;
        event->ignore();
        return;
    }
    Form::closeEvent(event);
}

void GetProgressDialog::Run() {
    Running = true;
    Outcome = Get.run(Jobs, Flags, [this](std::size_t index) { return Proceed(index); });
    Running = false;
    ProgressBarFiles->setValue(static_cast<int>(Jobs.size()));
    setModalResult(Outcome.cancelled ? ui::mrCancel : ui::mrOk);
}

// Events are handled between files: the user sees the progress and can press Cancel.
bool GetProgressDialog::Proceed(std::size_t index) {
    ProgressBarFiles->setValue(static_cast<int>(index));
    LabelFile->setText(QString::fromStdString(Jobs[index].spec));
    QCoreApplication::processEvents();
    return !CancelRequested;
}
