// The shortcut recorder driven by key events that carry X keycodes, as xcb delivers them.

#include "hotkey/HotKeyRecorder.h"

#include "FakeKeyboardLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace mendrake {
namespace {

constexpr std::uint32_t kV = 55, kC = 54, kK = 45, kA = 38, kP = 33, kQ = 24, kW = 25, kZ = 52, kSpace = 65,
                        kEscape = 9, kF1 = 67, kF13 = 191, kF24 = 202, kPrint = 107, kHome = 110;
constexpr Qt::KeyboardModifiers none = Qt::NoModifier, super = Qt::MetaModifier, shift = Qt::ShiftModifier,
                                ctrl = Qt::ControlModifier, alt = Qt::AltModifier;

struct RecorderTest : ::testing::Test {
    RecorderTest() {
        auto* column = new QVBoxLayout(&window);
        recorder->setBeep([this] { ++beeps; });
        column->addWidget(recorder);
        column->addWidget(field);
        window.show();
        field->setFocus();
    }
    // As xcb sends it: the X keycode of the key's position as native scan code.
    void press(std::uint32_t keycode, Qt::KeyboardModifiers modifiers, int qtKey, quint32 nativeModifiers = 0) {
        QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, keycode, 0, nativeModifiers);
        QApplication::sendEvent(field, &event);
    }

    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    QWidget window;
    HotKeyRecorder* recorder = new HotKeyRecorder(HotKeyCombo::defaultCombo(), layout);
    QLineEdit* field = new QLineEdit;
    int beeps = 0;
};

TEST_F(RecorderTest, RefusesChordsThatBreakTypingRecordsTheRest) {
    // Refused chords beep, show why and keep recording; Escape cancels; a lone modifier key waits.
    enum Outcome { recorded, refused, cancelled, waits };
    const struct { std::uint32_t keycode; int qtKey; Qt::KeyboardModifiers modifiers; Outcome outcome; } rows[] = {
        {kV, Qt::Key_V, ctrl, refused},         {kC, Qt::Key_C, ctrl, refused},         {kQ, Qt::Key_Q, ctrl, refused},
        {kV, Qt::Key_V, ctrl | shift, refused}, {kW, Qt::Key_W, ctrl, refused},         {kZ, Qt::Key_Z, ctrl, refused},
        {kP, Qt::Key_P, ctrl, refused},         {kA, Qt::Key_A, none, refused},         {kA, Qt::Key_A, shift, refused},
        {kPrint, Qt::Key_Print, none, refused}, {0, Qt::Key_K, ctrl, refused},  // a key without a position
        {kV, Qt::Key_V, super | shift, recorded}, {kSpace, Qt::Key_Space, ctrl, recorded},
        {kV, Qt::Key_V, ctrl | alt, recorded}, {kF1, Qt::Key_F1, none, recorded}, {kF13, Qt::Key_F13, none, recorded},
        {kF24, Qt::Key_F24, shift, recorded}, {kPrint, Qt::Key_Print, ctrl, recorded},
        {kK, Qt::Key_K, ctrl | alt | shift | super, recorded}, {255, Qt::Key_K, ctrl | alt, recorded},  // last keycode
        {kHome, Qt::Key_Home, alt, recorded}, {kEscape, Qt::Key_Escape, none, cancelled},
        {kEscape, Qt::Key_Escape, ctrl | shift, cancelled},
        {kEscape, Qt::Key_Escape, alt | super | shift, cancelled}, {66, Qt::Key_CapsLock, none, waits},
        {133, Qt::Key_Meta, super, waits}, {50, Qt::Key_Shift, super | shift, waits},
    };
    for (const auto& [keycode, qtKey, modifiers, outcome] : rows) {
        SCOPED_TRACE(QKeySequence(modifiers | Qt::Key(qtKey)).toString().toStdString());
        recorder->setCombo(HotKeyCombo::defaultCombo());
        QSignalSpy spy(recorder, &HotKeyRecorder::comboRecorded);
        beeps = 0;
        recorder->startRecording();
        press(keycode, modifiers, qtKey);
        const bool ok = outcome == recorded;
        EXPECT_EQ(std::tuple(spy.size(), recorder->combo(), beeps, !recorder->refusal().isEmpty(),
                             recorder->hasKeyFilter()),
                  std::tuple(ok ? 1 : 0, ok ? HotKeyCombo{keycode, modifiers} : HotKeyCombo::defaultCombo(),
                             outcome == refused ? 1 : 0, outcome == refused, outcome == refused || outcome == waits));
        recorder->stopRecording();
        EXPECT_TRUE(field->text().isEmpty()) << "a key reached the text field while recording";
    }
    // Caps Lock is on (X LockMask in the native state); only Super and Shift are recorded.
    recorder->startRecording();
    press(kK, super | shift | Qt::KeypadModifier, Qt::Key_K, /*LockMask*/ 0x2);
    EXPECT_EQ(recorder->combo(), (HotKeyCombo{kK, super | shift}));
}

TEST_F(RecorderTest, RecordingSwallowsShortcutsButtonToggles) {
    int closes = 0;
    QObject::connect(new QShortcut(Qt::CTRL | Qt::Key_W, &window), &QShortcut::activated, [&] { ++closes; });
    QAbstractButton* main = recorder->mainButton();
    QToolButton* reset = recorder->resetButton();
    QApplication::setActiveWindow(&window);
    recorder->startRecording();
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X);
    recorder->stopRecording();
    QTest::keyClick(field, Qt::Key_X);
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(std::pair(field->text(), closes), std::pair(QString("x"), 1));
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(std::pair(main->hasFocus(), reset->isVisible()), std::pair(true, false));
    // The button's backdrop, left of the key caps, shows that it records.
    auto backdrop = [&] { return main->grab().toImage().pixelColor(3, main->height() / 2); };
    const QColor idle = backdrop();
    main->click();
    EXPECT_TRUE(recorder->hasKeyFilter() && backdrop() != idle);
    main->click();
    EXPECT_FALSE(recorder->hasKeyFilter());
    recorder->setCombo({kV, alt | super});
    EXPECT_TRUE(reset->isVisible());
    recorder->startRecording();
    EXPECT_FALSE(reset->isVisible());
    recorder->stopRecording();
    QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
    reset->click();
    EXPECT_EQ(std::tuple(recorded.size(), recorded.value(0).value(0).value<HotKeyCombo>(), reset->isVisible()),
              std::tuple(1, HotKeyCombo::defaultCombo(), false));
    // Leaving the screen stops recording; a recorder destroyed while recording leaves no filter.
    recorder->startRecording();
    recorder->hide();
    EXPECT_FALSE(recorder->hasKeyFilter());
    recorder->show();
    recorder->startRecording();
    delete recorder;
    QTest::keyClick(field, Qt::Key_Z);
    EXPECT_TRUE(field->text().endsWith("z")) << "typing reaches the field again";
}

}  // namespace
}  // namespace mendrake
