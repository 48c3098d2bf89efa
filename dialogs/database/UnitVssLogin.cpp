#include "UnitVssLogin.h"

#include "FormPlacing.h"
#include "UnitVssRegistry.h"

#include <system/Paths.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <vector>

namespace {

constexpr const char kIniName[] = "srcsafe.ini";

using namespace placing;

constexpr int kLabelWidth = 60;
constexpr int kLabelHeight = 17;
constexpr int kButtonWidth = 75;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TFormVssLogin::TFormVssLogin(const VssDatabase& database) : Database(database) {
    CreateControls();
    FillFromSettings();
}

TFormVssLogin::~TFormVssLogin() = default;

void TFormVssLogin::CreateControls() {
    setObjectName("FormVssLogin");
    setWindowTitle("Source Safe Login");
    setClientSize(282, 160);

    EditUser = place<QLineEdit>(this, "EditUser", 72, 8, 121, 21);
    EditPassword = place<QLineEdit>(this, "EditPassword", 72, 36, 121, 21);
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword->setStyleSheet("lineedit-password-character: 42;"); // "*"
    Button1 = button(this, "Button1", "&Browse...", 200, 124, kButtonWidth);
    ButtonOk = button(this, "ButtonOk", "OK", 200, 8, kButtonWidth);
    ButtonCancel = button(this, "ButtonCancel", "Cancel", 200, 38, kButtonWidth);
    CoBoxDataBases = place<QComboBox>(this, "CoBoxDataBases", 72, 64, 121, 21);
    CoBoxDataBases->setEditable(false);

    LabelUser = label(this, "LabelUser", "Username", 8, 12, kLabelWidth, kLabelHeight);
    LabelPassword = label(this, "LabelPassword", "Password", 8, 40, kLabelWidth, kLabelHeight);
    LabelDataBase = label(this, "LabelDataBase", "Database", 8, 68, kLabelWidth, kLabelHeight);
    LabelPath = label(this, "LabelPath", "Path", 8, 96, kLabelWidth, kLabelHeight);
    LabelDir = label(this, "LabelDir", "", 72, 96, 202, kLabelHeight);
    LabelDir->setFixedWidth(202);
    LabelDir->setWordWrap(false);

    setTabOrder(EditUser, EditPassword);
    setTabOrder(EditPassword, Button1);
    setTabOrder(Button1, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, CoBoxDataBases);

    OpenDialog.fileName = kIniName;
    OpenDialog.filter = "Source Safe DataBases (srcsafe.ini)|srcsafe.ini";
    OpenDialog.filterIndex = 1;
    OpenDialog.mustExist = true;

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonCancel);
    onClick(ButtonOk, [this] { ButtonOkClick(); });
    onClick(Button1, [this] { Button1Click(); });
    onChoice(CoBoxDataBases, [this] { CoBoxDataBasesChange(); });
}

// Selecting the first database here is not a user's choice, so the change event stays quiet.
void TFormVssLogin::FillFromSettings() {
    TVssRegistry registry;
    EditUser->setText(qt(registry.ReadUserName()));
    std::vector<std::string> names;
    registry.ReadDatabaseNames(names);
    for (const std::string& name : names)
        CoBoxDataBases->addItem(qt(name));
    if (!names.empty()) {
        CoBoxDataBases->setCurrentIndex(0);
        LabelDir->setText(qt(registry.ReadDatabasePath(names.front())));
    } else {
        CoBoxDataBases->setCurrentIndex(-1);
    }
    // A machine hive that cannot be read lists no database; the user is told why, once.
    if (const std::string failure = registry.ReadFailure(); !failure.empty())
        ui::Application::instance().showError(failure);
}

void TFormVssLogin::CoBoxDataBasesChange() {
    TVssRegistry registry;
    LabelDir->setText(qt(registry.ReadDatabasePath(CoBoxDataBases->currentText().toStdString())));
}

void TFormVssLogin::Button1Click() {
    if (const auto file = ui::Application::instance().openFile(OpenDialog))
        LabelDir->setText(qt(sys::extractFileDir(*file)));
}

// Any failure, whatever the server says, gets the same message and leaves the dialog open for
// another try on the same database object.
void TFormVssLogin::ButtonOkClick() {
    const std::string password = EditPassword->text().toStdString();
    const std::string user = EditUser->text().toStdString();
    const std::string folder = LabelDir->text().toStdString();
    try {
        Database.open(sys::joinPath(folder, kIniName), user, password);
        setModalResult(ui::mrOk);
    } catch (const std::exception&) {
        ui::Application::instance().messageBox("Can not login to Source Safe database.",
                                               "Source Safe", ui::MB_ICONERROR | ui::MB_OK);
        setModalResult(ui::mrNone);
    }
}
