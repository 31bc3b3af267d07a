#include "app/MainMenu.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

TEST(MainMenu, QuitAndCloseKeysWorkInEveryWindowAndLeaveOtherChordsToTheWidgets) {
    int quits = 0;
    MainMenu menu([&] { ++quits; });
    qApp->installEventFilter(&menu);

    QLineEdit field;
    field.show();
    QApplication::setActiveWindow(&field);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));

    QTest::keyClick(&field, Qt::Key_Q, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Q);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(field.text(), "q");  // Ctrl+Shift+Q is not ours; a plain q still types
    QTest::keyClick(&field, Qt::Key_Q, Qt::MetaModifier);
    EXPECT_EQ(quits, 0) << "Super+Q belongs to the desktop";
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);

    QTest::keyClick(&field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(field.isVisible());
    qApp->removeEventFilter(&menu);
}

}  // namespace
}  // namespace mendrake
