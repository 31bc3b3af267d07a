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

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() {
        auto* column = new QVBoxLayout(&window);
        recorder = new HotKeyRecorder(HotKeyCombo::defaultCombo(), layout);
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
    HotKeyRecorder* recorder;
    QLineEdit* field = new QLineEdit;
    int beeps = 0;
};

TEST_F(RecorderTest, RefusesChordsThatBreakTypingRecordsTheRest) {
    // X keycode, Qt key, modifiers, recorded: refused chords beep, show why and keep recording.
    const std::tuple<std::uint32_t, int, Qt::KeyboardModifiers, bool> rows[] = {
        {kV, Qt::Key_V, ctrl, false},         {kC, Qt::Key_C, ctrl, false},         {kV, Qt::Key_V, ctrl | shift, false},
        {kQ, Qt::Key_Q, ctrl, false},         {kW, Qt::Key_W, ctrl, false},         {kZ, Qt::Key_Z, ctrl, false},
        {kP, Qt::Key_P, ctrl, false},         {kA, Qt::Key_A, none, false},         {kA, Qt::Key_A, shift, false},
        {kPrint, Qt::Key_Print, none, false}, {0, Qt::Key_K, ctrl, false},  // a key without a position
        {kV, Qt::Key_V, super | shift, true}, {kSpace, Qt::Key_Space, ctrl, true}, {kV, Qt::Key_V, ctrl | alt, true},
        {kF1, Qt::Key_F1, none, true},        {kF13, Qt::Key_F13, none, true},      {kF24, Qt::Key_F24, shift, true},
        {kPrint, Qt::Key_Print, ctrl, true},
        {kHome, Qt::Key_Home, alt, true},     {kK, Qt::Key_K, ctrl | alt | shift | super, true},
        {255, Qt::Key_K, ctrl | alt, true},  // the last X keycode
    };
    for (const auto& [keycode, qtKey, modifiers, ok] : rows) {
        SCOPED_TRACE(QKeySequence(modifiers | Qt::Key(qtKey)).toString().toStdString());
        recorder->setCombo(HotKeyCombo::defaultCombo());
        QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
        beeps = 0;
        recorder->startRecording();
        press(keycode, modifiers, qtKey);
        EXPECT_EQ(std::tuple(recorded.size(), recorder->combo(), beeps, !recorder->refusal().isEmpty(), recorder->hasKeyFilter()),
                  std::tuple(ok ? 1 : 0, ok ? HotKeyCombo{keycode, modifiers} : HotKeyCombo::defaultCombo(), ok ? 0 : 1, !ok, !ok));
        recorder->stopRecording();
        EXPECT_TRUE(field->text().isEmpty()) << "a key reached the text field while recording";
    }
}

TEST_F(RecorderTest, EscapeCancelsAndLoneModifiersWait) {
    QSignalSpy recorded(recorder, &HotKeyRecorder::comboRecorded);
    for (Qt::KeyboardModifiers modifiers : {none, ctrl | shift, alt | super | shift}) {
        recorder->startRecording();
        press(kEscape, modifiers, Qt::Key_Escape);
        EXPECT_FALSE(recorder->hasKeyFilter());
    }
    // The modifier keys themselves arrive first; they must neither beep nor end recording.
    recorder->startRecording();
    press(66, none, Qt::Key_CapsLock);
    press(133, super, Qt::Key_Meta);
    press(50, super | shift, Qt::Key_Shift);
    EXPECT_EQ(std::tuple(recorder->isRecording(), beeps, recorded.size()), std::tuple(true, 0, 0));
    // Caps Lock is on (X LockMask in the native state); only Super and Shift are recorded.
    press(kK, super | shift | Qt::KeypadModifier, Qt::Key_K, /*LockMask*/ 0x2);
    EXPECT_EQ(std::pair(recorded.size(), recorder->combo()), std::pair(qsizetype(1), HotKeyCombo{kK, super | shift}));
}

TEST_F(RecorderTest, RecordingSwallowsShortcutsButtonToggles) {
    int closes = 0;
    auto* close = new QShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_W), &window);
    QObject::connect(close, &QShortcut::activated, [&] { ++closes; });
    QAbstractButton* main = recorder->mainButton();
    QToolButton* reset = recorder->resetButton();
    QApplication::setActiveWindow(&window);
    recorder->startRecording();
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(closes, 0);
    recorder->stopRecording();
    QTest::keyClick(field, Qt::Key_X);
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(std::pair(field->text(), closes), std::pair(QString("x"), 1));
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(main->hasFocus());
    EXPECT_FALSE(reset->isVisible());
    // The button's backdrop, left of the key caps, shows that it records.
    auto backdrop = [&] { return main->grab().toImage().pixelColor(3, main->height() / 2); };
    const QColor idle = backdrop();
    main->click();
    EXPECT_TRUE(recorder->hasKeyFilter());
    EXPECT_NE(backdrop(), idle);
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
    EXPECT_EQ(std::pair(recorded[0][0].value<HotKeyCombo>(), reset->isVisible()), std::pair(HotKeyCombo::defaultCombo(), false));
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
