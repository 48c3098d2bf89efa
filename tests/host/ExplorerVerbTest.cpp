// Verb 12 of the real add-in in the real host starts the explorer from the folder of the
// registered server library, and the explorer shows its window.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QStringList>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

// The lines of the explorer's ready file, once it holds all three; empty after the deadline.
QStringList waitForReadyFile(const fs::path& file, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        QFile ready(QString::fromStdString(file.string()));
        if (ready.open(QIODevice::ReadOnly)) {
            const QStringList lines = QString::fromUtf8(ready.readAll()).split(u'\n');
            if (lines.size() >= 3)
                return lines;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

TEST(ExplorerVerbTest, Verb12StartsTheExplorerWhichShowsItsWindow) {
    testenv::TestEnvironment env;
    if (testenv::addinLibrary().empty() || !fs::exists(testenv::addinLibrary()))
        GTEST_SKIP() << "libquillmoor.so is not built";
    env.createDatabase("Main");
    env.ss({"register", "--name", "Main", "--current"});
    ASSERT_TRUE(fs::exists(testenv::serverLibrary().parent_path() / "ssexp.exe"));
    const fs::path ready = env.root() / "ready";

    // The explorer inherits the host's output, so the host's run ends only when it does: the
    // run waits in a thread while this one finds the explorer and closes it.
    auto host = std::async(std::launch::async, [&] {
        return runScript("verb 12\nidle\n", testenv::addinLibrary().string(),
                         {{"SSEXP_READY_FILE", ready.string()}});
    });
    const QStringList lines = waitForReadyFile(ready, std::chrono::seconds(60));
    ASSERT_GE(lines.size(), 3) << "the explorer never reported its window";
    const pid_t pid = lines[0].toInt();
    ASSERT_GT(pid, 1);
    EXPECT_EQ(lines[1], "SourceSafe Explorer");
    EXPECT_EQ(lines[2], "visible");
    ::kill(pid, SIGTERM);

    const Transcript t = host.get();
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
}

} // namespace
