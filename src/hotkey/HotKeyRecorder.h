#pragma once
// The shortcut recorder: a button showing the current combo as key caps. Clicking it starts
// recording; while recording every key press of the application is consumed by the recorder's key
// filter. Escape (with any modifiers) cancels. A combination that would break typing or editing
// elsewhere once grabbed for the whole desktop (see `refusalReason`) beeps, shows the reason under
// the caps and keeps recording; any other combination ends recording and is then written through
// `comboRecorded`, so an alert raised by its receiver gets the keyboard. A reset button, shown only while idle and off the default,
// writes the default combo. Leaving the screen (hidden or destroyed) stops recording.
//
// The combo is a two-way binding: the owner feeds the stored value in with `setCombo` and stores
// what `comboRecorded` hands out. Main thread only.

#include "hotkey/HotKeyCombo.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <memory>

class QKeyEvent;
class QLabel;
class QToolButton;

namespace mendrake {

class KeyCaps;

// Why a Qt key with these modifiers cannot be the global shortcut, or empty when it can: keys with
// no modifier but Shift (they would stop typing), except F1-F24; the editing and window chords
// every application uses (copy, paste, cut, undo, redo, select all, save, find, close, quit, new,
// open, print) and the terminal's Ctrl+Shift+C and Ctrl+Shift+V.
QString refusalReason(int qtKey, Qt::KeyboardModifiers modifiers);

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
    // The reason the last key was refused, shown under the caps; empty when none.
    QString refusal() const;

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
    QLabel* refusal_;
    QToolButton* reset_;
};

}  // namespace mendrake
