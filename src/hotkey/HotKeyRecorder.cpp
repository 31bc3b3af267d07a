#include "hotkey/HotKeyRecorder.h"

#include "hotkey/KeyCap.h"
#include "hotkey/KeyNames.h"
#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace mendrake {

namespace {

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

bool isFunctionKey(int key) { return key >= Qt::Key_F1 && key <= Qt::Key_F24; }

}  // namespace

QString refusalReason(int qtKey, Qt::KeyboardModifiers modifiers) {
    modifiers = shortcutModifiers(modifiers);
    // F13-F20 double as the copy and paste keys of old Sun keyboards in Qt's tables; on a PC they
    // are free, so a function key alone is never an editing chord.
    if ((modifiers & ~Qt::ShiftModifier) == 0)
        return isFunctionKey(qtKey) ? QString() : QStringLiteral("Add Ctrl, Alt or Super, or use F1–F24");
    static const QKeySequence::StandardKey editing[] = {
        QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut,     QKeySequence::Undo,
        QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::Save, QKeySequence::Find,
        QKeySequence::Close, QKeySequence::Quit, QKeySequence::New,     QKeySequence::Open,
        QKeySequence::Print};
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(qtKey)));
    // The terminal's copy and paste, and the quit, close and redo chords whatever the platform
    // theme's key scheme says.
    static const QKeySequence always[] = {
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Q),
        QKeySequence(Qt::CTRL | Qt::Key_W)};
    bool taken = std::find(std::begin(always), std::end(always), pressed) != std::end(always);
    for (QKeySequence::StandardKey key : editing)
        taken = taken || QKeySequence::keyBindings(key).contains(pressed);
    if (taken)
        return shortcutLabel(modifiers, qtKey) + QStringLiteral(" is a standard shortcut in every app");
    return {};
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
        // Tab reaches the recorder; Space then starts recording, as on any button.
        setFocusPolicy(Qt::StrongFocus);
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
        QColor stroke = recording || hasFocus() ? accent : primary;
        if (!recording && !hasFocus()) stroke.setAlphaF(0.12f);
        const qreal width = recording || hasFocus() ? 1.5 : 1.0;
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
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    main_ = new MainButton(*this);
    auto* label = new QHBoxLayout(main_);
    label->setContentsMargins(4, 4, 4, 4);
    label->setSpacing(4);
    caps_ = new KeyCaps;
    prompt_ = new QLabel(QString::fromUtf8("Press a shortcut…"));
    prompt_->setObjectName(QStringLiteral("prompt"));
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
    reset_->setToolTip(QStringLiteral("Reset to ") + displayString(HotKeyCombo::defaultCombo(), layout_));
    row->addWidget(reset_);
    connect(reset_, &QToolButton::clicked, this, [this] { write(HotKeyCombo::defaultCombo()); });
    column->addLayout(row);

    refusal_ = new QLabel;
    refusal_->setWordWrap(true);
    QFont refusalFont = refusal_->font();
    refusalFont.setPixelSize(11);
    refusal_->setFont(refusalFont);
    QPalette refusalPalette = refusal_->palette();
    refusalPalette.setColor(QPalette::WindowText, refusalPalette.color(QPalette::PlaceholderText));
    refusal_->setPalette(refusalPalette);
    refusal_->hide();
    column->addWidget(refusal_);

    refresh();
}

HotKeyRecorder::~HotKeyRecorder() { filter_.reset(); }

QAbstractButton* HotKeyRecorder::mainButton() const { return main_; }

QString HotKeyRecorder::refusal() const { return refusal_->text(); }

void HotKeyRecorder::setCombo(const HotKeyCombo& combo) {
    combo_ = combo;
    refresh();
}

void HotKeyRecorder::startRecording() {
    recording_ = true;
    refusal_->clear();
    filter_ = std::make_unique<KeyFilter>(*this);
    refresh();
}

void HotKeyRecorder::stopRecording() {
    recording_ = false;
    refusal_->clear();
    filter_.reset();
    refresh();
}

void HotKeyRecorder::hideEvent(QHideEvent* event) {
    if (recording_) stopRecording();
    QWidget::hideEvent(event);
}

void HotKeyRecorder::handleKeyPress(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Escape) {
        stopRecording();
        return;
    }
    if (isModifierKey(event.key())) return;
    // Under X11 the native scan code is the X keycode: the key's physical position.
    const std::uint32_t keycode = event.nativeScanCode();
    QString reason = refusalReason(event.key(), event.modifiers());
    if (reason.isEmpty() && (keycode < 8 || keycode > 255))
        reason = QStringLiteral("This key cannot be a shortcut");
    if (!reason.isEmpty()) {
        refusal_->setText(reason);
        refusal_->show();
        beep_();
        return;
    }
    // Recording ends first: whoever stores the combo may raise an alert that needs the keyboard.
    stopRecording();
    write(HotKeyCombo{keycode, shortcutModifiers(event.modifiers())});
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
    refusal_->setVisible(recording_ && !refusal_->text().isEmpty());
    main_->setToolTip(recording_ ? "Press Esc to cancel" : "Click to record a new shortcut");
    reset_->setVisible(!recording_ && combo_ != HotKeyCombo::defaultCombo());
    main_->update();
}

}  // namespace mendrake
