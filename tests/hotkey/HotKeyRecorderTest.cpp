// The shortcut recorder driven by key events that carry X keycodes, as xcb delivers them.

#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"

#include "FakeKeyboardLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeKeyboardLayout;

// X keycodes of a US keyboard.
constexpr std::uint32_t kV = 55, kC = 54, kK = 45, kA = 38, kP = 33, kQ = 24, kW = 25, kZ = 52, kSpace = 65,
                        kEscape = 9, kCapsLock = 66, kF13 = 191, kPrint = 107, kHome = 110;
constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifiers super = Qt::MetaModifier;
constexpr Qt::KeyboardModifiers shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers alt = Qt::AltModifier;

// Sends a key press as the X server would: the X keycode of the key's position as native scan code.
void press(QWidget* target, std::uint32_t keycode, Qt::KeyboardModifiers modifiers, int qtKey = Qt::Key_A,
           quint32 nativeModifiers = 0) {
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, keycode, 0, nativeModifiers);
    QApplication::sendEvent(target, &event);
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() : layout(FakeKeyboardLayout::usQwerty()) {
        auto* column = new QVBoxLayout(&window);
        recorder = new HotKeyRecorder(HotKeyCombo::defaultCombo(), layout);
        recorder->setBeep([this] { ++beeps; });
        field = new QLineEdit;
        column->addWidget(recorder);
        column->addWidget(field);
        window.show();
        field->setFocus();
    }

    FakeKeyboardLayout layout;
    QWidget window;
    HotKeyRecorder* recorder;
    QLineEdit* field;
    int beeps = 0;
};

TEST_F(RecorderTest, RefusesChordsThatBreakTypingOrEditingAndRecordsTheRest) {
    const struct {
        const char* name;
        std::uint32_t keycode;
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        std::optional<HotKeyCombo> recorded;  // nullopt: refused with a beep and a reason
    } cases[] = {
        {"Ctrl+V pastes in every app", kV, Qt::Key_V, ctrl, std::nullopt},
        {"Ctrl+C copies", kC, Qt::Key_C, ctrl, std::nullopt},
        {"Ctrl+Shift+V pastes in terminals", kV, Qt::Key_V, ctrl | shift, std::nullopt},
        {"Ctrl+Q quits", kQ, Qt::Key_Q, ctrl, std::nullopt},
        {"Ctrl+W closes", kW, Qt::Key_W, ctrl, std::nullopt},
        {"Ctrl+Z undoes", kZ, Qt::Key_Z, ctrl, std::nullopt},
        {"Ctrl+P prints", kP, Qt::Key_P, ctrl, std::nullopt},
        {"a bare letter", kA, Qt::Key_A, none, std::nullopt},
        {"Shift and a letter", kA, Qt::Key_A, shift, std::nullopt},
        {"Print alone", kPrint, Qt::Key_Print, none, std::nullopt},
        {"Shift+Super+V", kV, Qt::Key_V, super | shift, HotKeyCombo{kV, super | shift}},
        {"Ctrl+Space", kSpace, Qt::Key_Space, ctrl, HotKeyCombo{kSpace, ctrl}},
        {"Ctrl+Alt+V", kV, Qt::Key_V, ctrl | alt, HotKeyCombo{kV, ctrl | alt}},
        {"F13 alone", kF13, Qt::Key_F13, none, HotKeyCombo{kF13, none}},
        {"Ctrl+Print", kPrint, Qt::Key_Print, ctrl, HotKeyCombo{kPrint, ctrl}},
        {"Alt+Home", kHome, Qt::Key_Home, alt, HotKeyCombo{kHome, alt}},
        {"all four", kK, Qt::Key_K, ctrl | alt | shift | super, HotKeyCombo{kK, ctrl | alt | shift | super}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder->setCombo(HotKeyCombo::defaultCombo());
        QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
        beeps = 0;
        recorder->startRecording();
        press(field, c.keycode, c.modifiers, c.qtKey);
        EXPECT_EQ(recorded.size(), c.recorded ? 1 : 0);
        EXPECT_EQ(recorder->refusal().isEmpty(), c.recorded.has_value()) << recorder->refusal().toStdString();
        EXPECT_EQ(recorder->combo(), c.recorded.value_or(HotKeyCombo::defaultCombo()));
        EXPECT_EQ(beeps, c.recorded ? 0 : 1);
        EXPECT_EQ(recorder->hasKeyFilter(), !c.recorded) << "recording ends only with a recorded combo";
        recorder->stopRecording();
        EXPECT_TRUE(field->text().isEmpty()) << "a key reached the text field while recording";
    }
}

TEST_F(RecorderTest, EscapeCancelsWithAnyModifiers) {
    for (Qt::KeyboardModifiers modifiers : {none, ctrl | shift, alt | super | shift}) {
        QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
        recorder->startRecording();
        press(field, kEscape, modifiers, Qt::Key_Escape);
        EXPECT_FALSE(recorder->hasKeyFilter());
        EXPECT_TRUE(recorded.isEmpty());
        EXPECT_EQ(recorder->combo(), HotKeyCombo::defaultCombo());
    }
    EXPECT_EQ(beeps, 0);
}

TEST_F(RecorderTest, LoneModifierPressesAreIgnoredAndAKeyWithoutAPositionBeeps) {
    QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
    recorder->startRecording();
    // The modifier keys themselves arrive first; they must neither beep nor end recording.
    press(field, kCapsLock, none, Qt::Key_CapsLock);
    press(field, 133, super, Qt::Key_Meta);
    press(field, 50, super | shift, Qt::Key_Shift);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(beeps, 0);
    QKeyEvent unplaced(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier, 0, 0, 0);
    QApplication::sendEvent(field, &unplaced);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(beeps, 1);
    // Caps Lock is on (X LockMask in the native state); only Super and Shift are recorded.
    press(field, kK, super | shift | Qt::KeypadModifier, Qt::Key_K, /*LockMask*/ 0x2);
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_EQ(recorder->combo(), (HotKeyCombo{kK, super | shift}));
}

TEST_F(RecorderTest, RecordingConsumesShortcutsAndTypingUntilItStops) {
    int closes = 0;
    auto* close = new QShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_W), &window);
    QObject::connect(close, &QShortcut::activated, [&] { ++closes; });
    window.activateWindow();
    QApplication::setActiveWindow(&window);

    recorder->startRecording();
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(field->text().isEmpty());

    recorder->stopRecording();
    QTest::keyClick(field, Qt::Key_X);
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "x");
    EXPECT_EQ(closes, 1);
}

TEST_F(RecorderTest, LeavingTheScreenStopsRecordingAndRemovesTheFilter) {
    recorder->startRecording();
    recorder->hide();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(recorder->hasKeyFilter());
    recorder->show();
    recorder->startRecording();
    delete recorder;
    QTest::keyClick(field, Qt::Key_Z);
    EXPECT_EQ(field->text(), "z");
}

TEST_F(RecorderTest, TabReachesItMainButtonTogglesAndResetIsOfferedOnlyOffTheDefaultWhileIdle) {
    QAbstractButton* main = recorder->mainButton();
    QToolButton* reset = recorder->resetButton();
    QApplication::setActiveWindow(&window);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(main->hasFocus());
    EXPECT_FALSE(reset->isVisible());
    main->click();
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_TRUE(recorder->findChild<QLabel*>("prompt")->isVisible());
    main->click();
    EXPECT_FALSE(recorder->hasKeyFilter());

    recorder->setCombo({kV, alt | super});
    EXPECT_TRUE(reset->isVisible());
    recorder->startRecording();
    EXPECT_FALSE(reset->isVisible());
    recorder->stopRecording();

    QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
    reset->click();
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_EQ(recorded[0][0].value<HotKeyCombo>(), HotKeyCombo::defaultCombo());
    EXPECT_FALSE(reset->isVisible());
}

}  // namespace
}  // namespace mendrake

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
