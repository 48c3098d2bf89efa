// The entry of every widget test program: a QApplication on the offscreen platform (unless told
// otherwise), and COM initialised for the test thread as the host would have it.
#include <com/Com.h>

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    com::CoInitialize();
    const int result = RUN_ALL_TESTS();
    com::CoUninitialize();
    return result;
}
