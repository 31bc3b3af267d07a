#include "hotkey/HotKeyRecorder.h"

#include "hotkey/KeyCap.h"
#include "hotkey/KeyCodes.h"
#include "platform/x11/SymbolIcons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include <algorithm>

namespace mendrake {

namespace {
constexpr std::uint32_t escapeKeyCode = 53;

// The key-event flag bits that carbonModifiers reads.
constexpr std::uint64_t shiftFlag = 0x20000;
constexpr std::uint64_t controlFlag = 0x40000;
constexpr std::uint64_t optionFlag = 0x80000;
constexpr std::uint64_t commandFlag = 0x100000;

// X11 reports presses of the modifier keys themselves as key presses; they are the start of a
// combination, not one, so they are consumed without a beep.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Meta: case Qt::Key_Alt:
    case Qt::Key_AltGr: case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}
}  // namespace

std::uint32_t comboModifiers(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= shiftFlag;
    if (modifiers & Qt::ControlModifier) flags |= controlFlag;
    if (modifiers & Qt::AltModifier) flags |= optionFlag;
    if (modifiers & Qt::MetaModifier) flags |= commandFlag;
    return carbonModifiers(flags);
}

// Installed on the application while recording: consumes every key press (and the shortcut
// lookup that precedes it, so window shortcuts such as Ctrl+W do not fire) and hands presses to
// the recorder.
class HotKeyRecorder::KeyFilter : public QObject {
public:
    explicit KeyFilter(HotKeyRecorder& recorder) : recorder_(recorder) {
        qApp->installEventFilter(this);
    }
    ~KeyFilter() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            event->accept();
            recorder_.handleKeyPress(static_cast<const QKeyEvent&>(*event));
            return true;
        }
        return false;
    }

private:
    HotKeyRecorder& recorder_;
};

// The clickable label area: caps when idle, the prompt while recording, on a rounded backdrop
// that takes the accent colour while recording.
class HotKeyRecorder::MainButton : public QAbstractButton {
public:
    explicit MainButton(HotKeyRecorder& recorder) : recorder_(recorder) {
        setMinimumSize(130, 32);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        return layout() ? layout()->sizeHint().expandedTo(QSize(130, 32)) : QSize(130, 32);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor primary = palette().color(QPalette::WindowText);
        const QColor accent = palette().color(QPalette::Highlight);
        const bool recording = recorder_.isRecording();
        QColor fill = recording ? accent : primary;
        fill.setAlphaF(recording ? 0.12f : 0.04f);
        QColor stroke = recording ? accent : primary;
        if (!recording) stroke.setAlphaF(0.12f);
        const qreal width = recording ? 1.5 : 1.0;
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 8, 8);
        p.fillPath(shape, fill);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2), 8, 8);
        p.setPen(QPen(stroke, width));
        p.drawPath(outline);
    }

private:
    HotKeyRecorder& recorder_;
};

HotKeyRecorder::HotKeyRecorder(const HotKeyCombo& combo, const KeyboardLayout& layout, QWidget* parent)
    : QWidget(parent), combo_(combo), layout_(layout), beep_([] { QApplication::beep(); }) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    main_ = new MainButton(*this);
    auto* label = new QHBoxLayout(main_);
    label->setContentsMargins(4, 4, 4, 4);
    label->setSpacing(4);
    caps_ = new KeyCaps;
    prompt_ = new QLabel(QString::fromUtf8("Press a shortcut…"));
    prompt_->setAttribute(Qt::WA_TransparentForMouseEvents);
    prompt_->setContentsMargins(6, 0, 6, 0);
    QFont promptFont = prompt_->font();
    promptFont.setPixelSize(12);
    promptFont.setWeight(QFont::Medium);
    prompt_->setFont(promptFont);
    QPalette promptPalette = prompt_->palette();
    promptPalette.setColor(QPalette::WindowText, promptPalette.color(QPalette::Highlight));
    prompt_->setPalette(promptPalette);
    label->addStretch(1);
    label->addWidget(caps_);
    label->addWidget(prompt_);
    label->addStretch(1);
    row->addWidget(main_);
    connect(main_, &QAbstractButton::clicked, this, [this] {
        if (recording_)
            stopRecording();
        else
            startRecording();
    });

    reset_ = new QToolButton;
    reset_->setAutoRaise(true);
    reset_->setStyleSheet("QToolButton { border: none; }");
    reset_->setIcon(symbolIcon("arrow.counterclockwise", palette().color(QPalette::PlaceholderText)));
    reset_->setIconSize(QSize(12, 12));
    reset_->setToolTip("Reset to " + displayString(HotKeyCombo::defaultCombo(), layout_));
    row->addWidget(reset_);
    connect(reset_, &QToolButton::clicked, this, [this] { write(HotKeyCombo::defaultCombo()); });

    refresh();
}

HotKeyRecorder::~HotKeyRecorder() { filter_.reset(); }

QAbstractButton* HotKeyRecorder::mainButton() const { return main_; }

void HotKeyRecorder::setCombo(const HotKeyCombo& combo) {
    combo_ = combo;
    refresh();
}

void HotKeyRecorder::startRecording() {
    recording_ = true;
    filter_ = std::make_unique<KeyFilter>(*this);
    refresh();
}

void HotKeyRecorder::stopRecording() {
    recording_ = false;
    filter_.reset();
    refresh();
}

void HotKeyRecorder::hideEvent(QHideEvent* event) {
    if (recording_) stopRecording();
    QWidget::hideEvent(event);
}

void HotKeyRecorder::handleKeyPress(const QKeyEvent& event) {
    // Under X11 the native scan code is the X keycode: the key's hardware position.
    const std::optional<std::uint32_t> keyCode = keyCodeForX11Keycode(event.nativeScanCode());
    if (keyCode == escapeKeyCode || (!keyCode && event.key() == Qt::Key_Escape)) {
        stopRecording();
        return;
    }
    if (isModifierKey(event.key())) return;
    const std::uint32_t modifiers = comboModifiers(event.modifiers());
    const bool noRealModifier = (modifiers & ~HotKeyCombo::shift) == 0;
    const bool reserved = modifiers == HotKeyCombo::command &&
        std::find(reservedCommandKeys.begin(), reservedCommandKeys.end(), keyCode.value_or(~0u)) !=
            reservedCommandKeys.end();
    // A lone modifier press or a key without a known position cannot make a shortcut either.
    if (noRealModifier || reserved || !keyCode) {
        beep_();
        return;
    }
    write(HotKeyCombo{*keyCode, modifiers});
    stopRecording();
}

void HotKeyRecorder::write(const HotKeyCombo& combo) {
    combo_ = combo;
    refresh();
    emit comboRecorded(combo);
}

void HotKeyRecorder::refresh() {
    caps_->setKeys(keyCapTexts(combo_, layout_));
    caps_->setVisible(!recording_);
    prompt_->setVisible(recording_);
    main_->setToolTip(recording_ ? "Press Esc to cancel" : "Click to record a new shortcut");
    reset_->setVisible(!recording_ && combo_ != HotKeyCombo::defaultCombo());
    main_->update();
}

}  // namespace mendrake
