#pragma once
// Ends the event loop, as the Quit command does, when the process receives SIGTERM (a session
// logout), SIGINT or SIGHUP, so that everything is torn down in order: the store closes and its
// write-ahead log is checkpointed instead of being cut off mid-way.

#include <QObject>

#include <functional>

namespace mendrake {

class QuitSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; `quit` runs on the main thread for each signal received.
    explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> quit_;
};

}  // namespace mendrake
