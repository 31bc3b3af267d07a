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

int main(int argc, char** argv) {
    TestApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
