#pragma once
// The application's standard keys in every one of its windows: Ctrl+Q quits, Ctrl+W closes the
// active window; Super combinations belong to the desktop. Text fields keep Qt's own editing keys.
// Installed once on the application object by the launch sequence. Main thread only.

#include <QObject>

#include <functional>

namespace mendrake {

class MainMenu final : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(std::function<void()> quit, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> quit_;
};

}  // namespace mendrake
