// The verb commands of the file dialogs and the explorer start, through the connection object.
#include "DialogFixture.h"

#include "UnitVssInterface.h"

#include <registry/Registry.h>
#include <ui/Form.h>

#include <QListWidget>
#include <QPushButton>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Commands = DialogFixture;
namespace fs = std::filesystem;

TEST_F(Commands, EachFileCommandShowsItsDialogForTheBoundProject) {
    TVssInterface connection;
    connection.ChangeProject("$/Proj");
    ASSERT_TRUE(connection.IsProjectBound());
    struct Case {
        void (TVssInterface::*command)(const std::string&);
        const char* caption;
        QStringList selected;
    };
    for (const Case& c :
         {Case{&TVssInterface::ShowGetLatest, "Get Latest Version", {"D.pas"}},
          Case{&TVssInterface::ShowCheckOut, "Check Out", {"D.pas"}},
          Case{&TVssInterface::ShowCheckIn, "Check In Files", {}},
          Case{&TVssInterface::ShowUndoCheckOut, "Undo Check Out", {}},
          Case{&TVssInterface::ShowRemoveFromControl, "FormRemoveFromControl", {"D.pas"}}}) {
        driver.drive([&](ui::Form& form) {
            EXPECT_EQ(form.windowTitle(), c.caption);
            auto* list = form.findChild<QListWidget*>("ListBoxFileList");
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(selectedEntries(list), c.selected) << c.caption;
            click(form.findChild<QPushButton*>("ButtonCancel"));
        });
        (connection.*c.command)((work / "D.pas").string());
    }
    EXPECT_EQ(driver.shownForms().size(), 5u);
}

TEST_F(Commands, AFailingConstructionLeavesTheCommand) {
    TVssInterface connection;
    connection.ChangeProject("$/Gone");
    EXPECT_FALSE(connection.IsProjectBound());
    EXPECT_THROW(connection.ShowCheckIn("A.pas"), EVssError);
    EXPECT_TRUE(driver.shownForms().empty());
}

TEST_F(Commands, RunExplorerStartsSsexpFromTheServerFolderWithoutArguments) {
    const fs::path folder = env.root() / "vss" / "win32";
    const fs::path marker = env.root() / "started";
    const fs::path explorer = env.write(
        folder / "ssexp.exe", "#!/bin/sh\necho \"$#\" > '" + marker.string() + ".tmp'\nmv '" +
                                  marker.string() + ".tmp' '" + marker.string() + "'\n");
    fs::permissions(explorer, fs::perms::owner_all);
    reg::writeValue(reg::Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                    reg::Value::fromString((folder / "ssscc.dll").string()));

    TVssInterface connection;
    connection.RunExplorer();
    for (int i = 0; i < 200 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(fs::exists(marker));
    EXPECT_EQ(testenv::TestEnvironment::read(marker), "0\n");
}

TEST_F(Commands, RunExplorerSaysNothingWhenItCannotStart) {
    TVssInterface connection;
    for (const std::string& path :
         {(env.root() / "nowhere" / "ssscc.dll").string(), std::string()}) {
        reg::writeValue(reg::Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                        reg::Value::fromString(path));
        EXPECT_NO_THROW(connection.RunExplorer());
    }
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(driver.errors().empty());
}

} // namespace
