#include "UnitVSSProperties.h"

#include "FormPlacing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <vector>

namespace {

// One row of the mapping between a drop-down list and its setting: item i stores values[i].
using Choices = std::vector<std::int32_t>;
const Choices kUnchanged = {0, 33554432, 50331648};
const Choices kCompare = {0, 512, 1536, 1024};
const Choices kReplace = {0, 128, 192, 256};
const Choices kDate = {0, 4, 8, 12};

constexpr std::int32_t kRecursiveYes = 8192;
constexpr std::int32_t kRecursiveNo = 4096;
constexpr std::int32_t kReadOnlyYes = 2;
constexpr std::int32_t kReadOnlyNo = 1;

using namespace placing;

constexpr int kLabelHeight = 17;
constexpr int kButtonWidth = 75;

QCheckBox* checkBox(QWidget* parent, const char* name, const char* caption, int x, int y, int w) {
    auto* box = place<QCheckBox>(parent, name, x, y, w, 17);
    box->setText(QString::fromUtf8(caption));
    return box;
}

QComboBox* choiceBox(QWidget* parent, const char* name, std::initializer_list<const char*> items,
                     int x, int y, int w) {
    auto* box = place<QComboBox>(parent, name, x, y, w, 21);
    box->setEditable(false);
    for (const char* item : items)
        box->addItem(QString::fromUtf8(item));
    box->setCurrentIndex(-1);
    return box;
}

// Qt's fonts are wider than the ones these positions were laid out for: a field beside a label
// starts where the label's text ends and keeps its right edge, so no caption is cut.
void fitBesideLabel(QLabel* label, QWidget* field) {
    const int textWidth = label->sizeHint().width();
    if (textWidth <= label->width())
        return;
    const int right = field->geometry().right();
    label->resize(textWidth, label->height());
    const int left = label->x() + textWidth + 4;
    field->setGeometry(left, field->y(), right - left + 1, field->height());
}

// A number in no row of the mapping leaves the list without selection.
void selectValue(QComboBox* box, const Choices& values, std::int32_t value) {
    int index = -1;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] == value)
            index = static_cast<int>(i);
    box->setCurrentIndex(index);
}

// A list without selection stores 0 ("Default").
std::int32_t chosenValue(const QComboBox* box, const Choices& values) {
    const int index = box->currentIndex();
    return index >= 0 && index < static_cast<int>(values.size()) ? values[std::size_t(index)] : 0;
}

} // namespace

TFormVSSProperties::TFormVSSProperties(QWidget* owner) : ui::Form(owner) {
    setObjectName("FormVSSProperties");
    setWindowTitle("SourceSafe Properites");
    setClientSize(347, 266);

    PageCProperties = place<QTabWidget>(this, "PageCProperties", 8, 8, 331, 217);
    PageCProperties->setUsesScrollButtons(false);
    TabSheetGeneral = new QWidget;
    TabSheetGeneral->setObjectName("TabSheetGeneral");
    TabSheetLocal = new QWidget;
    TabSheetLocal->setObjectName("TabSheetLocal");
    PageCProperties->addTab(TabSheetGeneral, "&General");
    PageCProperties->addTab(TabSheetLocal, "&Local Files");
    CreateGeneralPage();
    CreateLocalPage();
    PageCProperties->setCurrentIndex(0);

    ButtonOk = button(this, "ButtonOk", "OK", 184, 233, kButtonWidth);
    ButtonCacnel = button(this, "ButtonCacnel", "Cancel", 264, 233, kButtonWidth);
    setTabOrder(PageCProperties, ButtonOk);
    setTabOrder(ButtonOk, ButtonCacnel);

    OpenDialog.filter = "Any Files|*.*|Executables|*.exe";
    OpenDialog.filterIndex = 2;
    OpenDialog.mustExist = true;

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCacnel);
    setButtonModalResult(ButtonOk, ui::mrOk);
    setButtonModalResult(ButtonCacnel, ui::mrCancel);
    onClick(ButtonOk, [this] { ButtonOkClick(); });
    onClick(ButtonCacnel);
    onClick(ButtonBrowse, [this] { ButtonBrowseClick(); });

    TVSSProperties properties;
    TVssRegistry().ReadProperties(properties);
    ShowProperties(properties);
}

TFormVSSProperties::~TFormVSSProperties() = default;

void TFormVSSProperties::CreateGeneralPage() {
    QWidget* page = TabSheetGeneral;
    GroupBoxOpenClose = place<QGroupBox>(page, "GroupBoxOpenClose", 8, 4, 309, 57);
    CBoxGetOnOpen =
        checkBox(GroupBoxOpenClose, "CBoxGetOnOpen", "&Get files when opening project", 8, 14, 290);
    CBoxCheckOnClose = checkBox(GroupBoxOpenClose, "CBoxCheckOnClose",
                                "Check &in files when closing project", 8, 34, 290);

    GroupBoxCheckIn = place<QGroupBox>(page, "GroupBoxCheckIn", 8, 64, 309, 61);
    LabelUnchanged = label(GroupBoxCheckIn, "LabelUnchanged", "Check in unchanged files:", 8, 16,
                           140, kLabelHeight);
    ComboBoxUnchanged = choiceBox(GroupBoxCheckIn, "ComboBoxUnchanged",
                                  {"Default", "Check In", "Undo Check Out"}, 152, 14, 145);
    CBoxRecursive =
        checkBox(GroupBoxCheckIn, "CBoxRecursive", "Act on projects recursivley", 8, 38, 290);

    GroupBoxViewer = place<QGroupBox>(page, "GroupBoxViewer", 8, 128, 309, 53);
    LabelViewer = label(GroupBoxViewer, "LabelViewer", "Ascii Viewer:", 8, 22, 70, kLabelHeight);
    EditViewer = place<QLineEdit>(GroupBoxViewer, "EditViewer", 80, 20, 141, 21);
    ButtonBrowse = button(GroupBoxViewer, "ButtonBrowse", "Browse", 226, 18, kButtonWidth);
    fitBesideLabel(LabelUnchanged, ComboBoxUnchanged);
    fitBesideLabel(LabelViewer, EditViewer);

    setTabOrder(CBoxGetOnOpen, CBoxCheckOnClose);
    setTabOrder(CBoxCheckOnClose, ComboBoxUnchanged);
    setTabOrder(ComboBoxUnchanged, CBoxRecursive);
    setTabOrder(CBoxRecursive, EditViewer);
    setTabOrder(EditViewer, ButtonBrowse);
}

void TFormVSSProperties::CreateLocalPage() {
    QWidget* page = TabSheetLocal;
    CBoxReadOnly = checkBox(page, "CBoxReadOnly",
                            "Use &Read only flag for files that are not checked out", 8, 12, 309);
    LabelCompare = label(page, "LabelCompare", "Compare files by:", 8, 46, 150, kLabelHeight);
    ComboBoxCompare = choiceBox(page, "ComboBoxCompare",
                                {"Default", "Contents", "Checksum", "Time"}, 168, 44, 145);
    LabelReplace =
        label(page, "LabelReplace", "Replace writeable files:", 8, 78, 150, kLabelHeight);
    ComboBoxReplace =
        choiceBox(page, "ComboBoxReplace", {"Default", "Replace", "Skip", "Merge"}, 168, 76, 145);
    LabelDate =
        label(page, "LabelDate", "Set Date/Time on local files:", 8, 110, 150, kLabelHeight);
    ComboBoxDate = choiceBox(page, "ComboBoxDate",
                             {"Default", "Current", "Modification", "Check in"}, 168, 108, 145);
    fitBesideLabel(LabelCompare, ComboBoxCompare);
    fitBesideLabel(LabelReplace, ComboBoxReplace);
    fitBesideLabel(LabelDate, ComboBoxDate);

    setTabOrder(CBoxReadOnly, ComboBoxCompare);
    setTabOrder(ComboBoxCompare, ComboBoxReplace);
    setTabOrder(ComboBoxReplace, ComboBoxDate);
}

void TFormVSSProperties::ShowProperties(const TVSSProperties& properties) {
    CBoxGetOnOpen->setChecked(properties.GetOnOpen != 0);
    CBoxCheckOnClose->setChecked(properties.CheckOnClose != 0);
    selectValue(ComboBoxUnchanged, kUnchanged, properties.Unchanged);
    CBoxRecursive->setChecked(properties.Recursive == kRecursiveYes);
    CBoxReadOnly->setChecked(properties.ReadOnly == kReadOnlyYes);
    selectValue(ComboBoxCompare, kCompare, properties.Compare);
    selectValue(ComboBoxReplace, kReplace, properties.Replace);
    selectValue(ComboBoxDate, kDate, properties.Date);
    EditViewer->setText(QString::fromStdString(properties.Viewer));
}

TVSSProperties TFormVSSProperties::PropertiesFromControls() const {
    TVSSProperties properties;
    properties.GetOnOpen = CBoxGetOnOpen->isChecked() ? 1 : 0;
    properties.CheckOnClose = CBoxCheckOnClose->isChecked() ? 1 : 0;
    properties.Unchanged = chosenValue(ComboBoxUnchanged, kUnchanged);
    properties.Recursive = CBoxRecursive->isChecked() ? kRecursiveYes : kRecursiveNo;
    properties.ReadOnly = CBoxReadOnly->isChecked() ? kReadOnlyYes : kReadOnlyNo;
    properties.Compare = chosenValue(ComboBoxCompare, kCompare);
    properties.Replace = chosenValue(ComboBoxReplace, kReplace);
    properties.Date = chosenValue(ComboBoxDate, kDate);
    properties.Viewer = EditViewer->text().toStdString();
    return properties;
}

void TFormVSSProperties::ButtonOkClick() {
    TVssRegistry().WriteProperties(PropertiesFromControls());
}

void TFormVSSProperties::ButtonBrowseClick() {
    if (const auto file = ui::Application::instance().openFile(OpenDialog))
        EditViewer->setText(QString::fromStdString(*file));
}
