// Widget tests need the application object; COM is initialised for the test thread as the host
// would have it.
#include <com/Com.h>

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    com::CoInitialize();
    const int result = RUN_ALL_TESTS();
    com::CoUninitialize();
    return result;
}
