#pragma once
// The first-run guide's content: three pages (welcome, permissions, try it), page dots, and the
// footer's buttons. Return presses the primary button. Whether the paste chord can be typed (the
// key synthesiser's trust) is re-read every second while the view exists, so the permissions page
// follows it by itself.

#include "platform/Clock.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace mendrake {

class KeySynthesiser;

class ShortcutBadge : public QWidget {
public:
    explicit ShortcutBadge(QString text, QWidget* parent = nullptr);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
};

class OnboardingView : public QWidget {
public:
    enum class Page { welcome, permissions, tryIt };

    // `hotKey` is the shortcut as text (Shift+Super+V); `trayIconShown` whether the guide can point
    // to the tray icon for Settings and Pause; `finish` closes the guide's window.
    OnboardingView(Page start, QString hotKey, bool trayIconShown, KeySynthesiser& keys, Clock& clock,
                   std::function<void()> finish, QWidget* parent = nullptr);

    Page page() const { return page_; }
    bool trusted() const { return trusted_; }
    void advance();

    QPushButton* primaryButton() const { return primary_; }
    QPushButton* skipButton() const { return skip_; }
    QLabel* explanation() const { return explanation_; }
    QWidget* grantedLabel() const { return granted_; }
    const QString& hotKey() const { return hotKey_; }

private:
    QWidget* makeWelcome();
    QWidget* makePermissions();
    QWidget* makeTryIt();
    void setTrusted(bool trusted);
    void refresh();

    Page page_;
    std::function<void()> finish_;
    KeySynthesiser& keys_;
    bool trusted_;
    QString hotKey_;
    bool trayIconShown_;
    std::unique_ptr<Clock::Timer> timer_;

    QStackedWidget* pages_;
    QLabel* permissionSymbol_ = nullptr;
    QLabel* explanation_ = nullptr;
    QWidget* granted_ = nullptr;
    QList<QWidget*> dots_;
    QPushButton* skip_;
    QPushButton* primary_;
};

}  // namespace mendrake
