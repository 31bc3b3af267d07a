#include "onboarding/OnboardingView.h"

#include "hotkey/KeyNames.h"
#include "platform/KeySynthesiser.h"
#include "ui/SymbolIcons.h"
#include "settings/DesktopTexts.h"
#include "settings/SettingsColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace mendrake {

namespace {

QColor accent(const QWidget* w) { return w->palette().color(QPalette::Highlight); }

QLabel* symbol(const QString& name, int size, const QColor& color) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setPixmap(symbolPixmap(name, size, color, label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

QLabel* text(const QString& content, qreal scale, QFont::Weight weight, bool secondary = false) {
    auto* label = new QLabel(content);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setWeight(weight);
    label->setFont(font);
    if (secondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
        label->setPalette(palette);
    }
    return label;
}

// A page dot: a 7 x 7 circle.
class Dot : public QWidget {
public:
    Dot() { setFixedSize(7, 7); }
    void setCurrent(bool current) {
        current_ = current;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor color = palette().color(current_ ? QPalette::Highlight : QPalette::PlaceholderText);
        if (!current_) color.setAlphaF(0.3f);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QRectF(rect()));
    }

private:
    bool current_ = false;
};

}  // namespace

ShortcutBadge::ShortcutBadge(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
    QFont badgeFont = font();
    badgeFont.setPixelSize(22);
    badgeFont.setWeight(QFont::DemiBold);
    setFont(badgeFont);
    setFixedSize(sizeHint());
}

QSize ShortcutBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 32, metrics.height() + 16};
}

void ShortcutBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.08f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    p.fillPath(shape, fill);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignCenter, text_);
}

OnboardingView::OnboardingView(Page start, QString hotKey, bool trayIconShown, KeySynthesiser& keys, Clock& clock,
                               std::function<void()> finish, QWidget* parent)
    : QWidget(parent), page_(start), finish_(std::move(finish)), keys_(keys),
      trusted_(keys.isTrusted()), hotKey_(std::move(hotKey)), trayIconShown_(trayIconShown) {
    setFixedSize(500, 400);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 36, 28, 24);
    pages_ = new QStackedWidget;
    pages_->addWidget(makeWelcome());
    pages_->addWidget(makePermissions());
    pages_->addWidget(makeTryIt());
    layout->addWidget(pages_, 1);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(6);
    for (int i = 0; i < 3; ++i) {
        auto* dot = new Dot;
        dots_ << dot;
        footer->addWidget(dot);
    }
    footer->addStretch(1);
    skip_ = new QPushButton("Skip for now");
    skip_->setFlat(true);
    skip_->setCursor(Qt::PointingHandCursor);
    skip_->setStyleSheet("QPushButton { color: palette(highlight); border: none; }");
    connect(skip_, &QPushButton::clicked, this, [this] { advance(); });
    footer->addWidget(skip_);
    primary_ = new QPushButton;
    primary_->setMinimumHeight(32);
    primary_->setMinimumWidth(120);
    primary_->setStyleSheet(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text); border: none;"
        " border-radius: 8px; padding: 6px 18px; font-weight: 600; }");
    connect(primary_, &QPushButton::clicked, this, [this] { advance(); });
    footer->addWidget(primary_);
    layout->addLayout(footer);

    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, primary_, &QPushButton::click);
    }

    refresh();
    timer_ = clock.every(1.0, 0.0, [this] { setTrusted(keys_.isTrusted()); });
}

QWidget* OnboardingView::makeWelcome() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    layout->addStretch(1);
    layout->addWidget(symbol("scissors", 54, accent(this)), 0, Qt::AlignHCenter);
    auto* title = text("Welcome to Mendrake", 2.2, QFont::Bold);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);
    auto* subtitle = text("Everything you copy, one keystroke away.", 1.35, QFont::Normal, true);
    subtitle->setAlignment(Qt::AlignHCenter);
    layout->addWidget(subtitle);
    layout->addSpacing(6);
    layout->addWidget(new ShortcutBadge(hotKey_), 0, Qt::AlignHCenter);
    auto* hint = text("Press it anywhere to search your clipboard history.", 1.0, QFont::Normal, true);
    hint->setAlignment(Qt::AlignHCenter);
    layout->addWidget(hint);
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingView::makePermissions() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    layout->addStretch(1);
    permissionSymbol_ = new QLabel;
    permissionSymbol_->setFixedSize(48, 48);
    layout->addWidget(permissionSymbol_, 0, Qt::AlignHCenter);
    auto* title = text("Let Mendrake paste for you", 1.9, QFont::Bold);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);
    // No button: X11 has no permission to grant. The text says whether XTEST is there and, when
    // it is not, what to change.
    explanation_ = text(QString(), 1.0, QFont::Normal, true);
    explanation_->setAlignment(Qt::AlignHCenter);
    explanation_->setFixedWidth(400);
    layout->addWidget(explanation_, 0, Qt::AlignHCenter);
    granted_ = new QWidget;
    auto* grantedLayout = new QHBoxLayout(granted_);
    grantedLayout->setContentsMargins(0, 0, 0, 0);
    grantedLayout->setSpacing(6);
    grantedLayout->addWidget(symbol("checkmark", 14, tintGreen()));
    grantedLayout->addWidget(new QLabel(desktopTexts::pasteAccessReady()));
    layout->addWidget(granted_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingView::makeTryIt() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(14);
    layout->addStretch(1);
    layout->addWidget(text("Try it now", 1.9, QFont::Bold));
    const std::pair<const char*, QString> rows[] = {
        {"1.circle.fill", "Copy anything: text, a link, a screenshot."},
        {"2.circle.fill", "Press " + hotKey_ + " and start typing to search."},
        {"3.circle.fill", "Hit " + qtKeyName(Qt::Key_Return) + " to paste, " +
                              shortcutLabel(Qt::AltModifier, Qt::Key_Return) + " for plain text, " +
                              shortcutLabel(Qt::ControlModifier, QString::fromUtf8("1–9")) +
                              " for the first nine."},
        {"pin.fill", shortcutLabel(Qt::ControlModifier, Qt::Key_P) + " pins an item so it's never removed."},
        {"menubar.rectangle", desktopTexts::settingsAndPauseHint(trayIconShown_, hotKey_)},
    };
    for (const auto& [name, line] : rows) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(symbol(name, 14, accent(this)), 0, Qt::AlignTop);
        row->addWidget(text(line, 1.0, QFont::Normal), 1);
        layout->addLayout(row);
    }
    layout->addStretch(1);
    return page;
}

void OnboardingView::advance() {
    switch (page_) {
    case Page::welcome: page_ = Page::permissions; break;
    case Page::permissions: page_ = Page::tryIt; break;
    case Page::tryIt:
        if (finish_) finish_();
        return;
    }
    refresh();
}

void OnboardingView::setTrusted(bool trusted) {
    if (trusted == trusted_) return;
    trusted_ = trusted;
    refresh();
}

void OnboardingView::refresh() {
    pages_->setCurrentIndex(static_cast<int>(page_));
    for (int i = 0; i < dots_.size(); ++i) static_cast<Dot*>(dots_[i])->setCurrent(i == static_cast<int>(page_));
    permissionSymbol_->setPixmap(trusted_ ? symbolPixmap("checkmark.circle.fill", 48, tintGreen(), devicePixelRatioF())
                                          : symbolPixmap("hand.raised.fill", 48, accent(this), devicePixelRatioF()));
    permissionSymbol_->setObjectName(trusted_ ? "checkmark.circle.fill" : "hand.raised.fill");
    explanation_->setText(desktopTexts::pasteAccessExplanation(trusted_, keys_.mechanism()));
    granted_->setVisible(trusted_);
    skip_->setVisible(page_ == Page::permissions && !trusted_);
    primary_->setText(page_ == Page::tryIt ? "Start Using Mendrake" : "Continue");
}

}  // namespace mendrake
