// The one gtest main of the unit tests. The GUI variant creates a QApplication (widget tests run on
// the offscreen or Xvfb platform), the core variant a QCoreApplication (model tests need an event
// loop and QObject signals, never a display).
#ifdef MENDRAKE_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    TestApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // A filter that matches nothing (a test renamed under it) would otherwise pass having run nothing.
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        fprintf(stderr, "no test matches the filter\n");
        return 1;
    }
    return status;
}
