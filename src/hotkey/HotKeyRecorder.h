#pragma once
// The shortcut recorder: a button showing the current combo as key caps. Clicking it starts
// recording; while recording every key press of the application is consumed by the recorder's key
// filter. Escape (with any modifiers) cancels; no modifier, Shift alone, or Command alone with one
// of the reserved keys beeps and keeps recording; any other combination is written through
// `comboRecorded` and ends recording. A reset button, shown only while idle and off the default,
// writes the default combo. Leaving the screen (hidden or destroyed) stops recording.
//
// The combo is a two-way binding: the owner feeds the stored value in with `setCombo` and stores
// what `comboRecorded` hands out. Main thread only.

#include "hotkey/HotKeyCombo.h"

#include <QAbstractButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QKeyEvent;
class QLabel;
class QToolButton;

namespace mendrake {

class KeyCaps;

// Key codes that Command alone may not take: C, V, X, Q, W, Tab, Space (ANSI positions).
inline constexpr std::array<std::uint32_t, 7> reservedCommandKeys = {8, 9, 7, 12, 13, 48, 49};

// The combo mask of a Qt key event's modifiers: Shift, Ctrl, Alt and Super (Meta) only.
std::uint32_t comboModifiers(Qt::KeyboardModifiers modifiers);

class HotKeyRecorder : public QWidget {
    Q_OBJECT
public:
    HotKeyRecorder(const HotKeyCombo& combo, const KeyboardLayout& layout, QWidget* parent = nullptr);
    ~HotKeyRecorder() override;

    HotKeyCombo combo() const { return combo_; }
    void setCombo(const HotKeyCombo& combo);
    bool isRecording() const { return recording_; }
    bool hasKeyFilter() const { return filter_ != nullptr; }

    void startRecording();
    void stopRecording();

    // The refusal sound; QApplication::beep unless replaced (tests count beeps).
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    QAbstractButton* mainButton() const;
    QToolButton* resetButton() const { return reset_; }

signals:
    void comboRecorded(const mendrake::HotKeyCombo& combo);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    class KeyFilter;
    class MainButton;

    // Returns after deciding what the press means; the press is consumed in every case.
    void handleKeyPress(const QKeyEvent& event);
    void write(const HotKeyCombo& combo);
    void refresh();

    HotKeyCombo combo_;
    const KeyboardLayout& layout_;
    bool recording_ = false;
    std::unique_ptr<KeyFilter> filter_;
    std::function<void()> beep_;
    MainButton* main_;
    KeyCaps* caps_;
    QLabel* prompt_;
    QToolButton* reset_;
};

}  // namespace mendrake
