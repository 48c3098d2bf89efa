#include "DialogFixture.h"

#include <vss/VssInterfaces.h>

#include <QAbstractButton>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

void DialogFixture::SetUp() {
    const auto folder = env.createDatabase();
    env.ss({"adduser", "Other"}, {}, true, "Admin");
    env.ss({"mkproj", "$/Proj"});
    work = env.root() / "work";
    std::vector<std::string> add{"add", "$/Proj"};
    for (const char* name : {"A.pas", "B.pas", "C.pas", "D.pas"})
        add.push_back(env.write(work / name, std::string("unit ") + name + ";\n").string());
    env.ss(add);
    env.ss({"workfold", "$/Proj", work.string()});
    env.ss({"checkout", "$/Proj/B.pas"});
    env.ss({"checkout", "$/Proj/C.pas", "--no-get"}, {}, true, "Other");

    server = CoVSSDatabase::Create();
    server.open((folder / "srcsafe.ini").string(), testenv::TestEnvironment::currentUser(), "");
    database = VssDatabase(testenv::wrapDatabase(server.raw(), plan));
}

void DialogFixture::TearDown() {
    EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
    EXPECT_TRUE(driver.idle()) << "scripted answers or forms left over";
    EXPECT_FALSE(driver.busy()) << "busy cursor left on";
}

void DialogFixture::storeSettings(const TVSSProperties& properties) {
    TVssRegistry().WriteProperties(properties);
}

TVSSProperties DialogFixture::sampleSettings() {
    TVSSProperties p;
    p.Unchanged = vss::FlagCheckInUnchanged;
    p.Recursive = vss::FlagRecursiveYes;
    p.ReadOnly = vss::FlagReadOnly;
    p.Compare = vss::FlagCompareContents;
    p.Replace = vss::FlagSkip;
    p.Date = vss::FlagTimeModification;
    return p;
}

std::string DialogFixture::localPath(const std::string& name) const {
    return server.item("$/Proj/" + name).localSpec();
}

std::int32_t DialogFixture::checkOutState(const std::string& name) const {
    return server.item("$/Proj/" + name).isCheckedOut();
}

std::vector<testenv::FaultPlan::Call> DialogFixture::callsOn(const std::string& method,
                                                             const std::string& item) const {
    std::vector<testenv::FaultPlan::Call> result;
    for (const auto& call : plan->callsOf(method))
        if (call.item == item)
            result.push_back(call);
    return result;
}

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *out << (i ? ", " : "");
        PrintTo(list[i], out);
    }
    *out << '}';
}

QStringList entries(const QListWidget* list) {
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->item(row)->text();
    return result;
}

QStringList selectedEntries(const QListWidget* list) {
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            result << list->item(row)->text();
    return result;
}

QStringList logLines(const QPlainTextEdit* log) {
    const QString text = log->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QChar('\n'));
}

void clickEntry(QListWidget* list, int row, Qt::KeyboardModifiers modifiers) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

void doubleClickEntry(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    // Press, release, double-click, release: what the system sends for a double-click.
    QWidget* viewport = list->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at);
}

void clickBelowEntries(QListWidget* list) {
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(last.center().x(), last.bottom() + 10));
}

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}
