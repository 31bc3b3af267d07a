#pragma once
// An alert presenter that records the alerts instead of blocking on them.

#include "platform/AlertPresenter.h"

#include <functional>
#include <vector>

namespace mendrake::test {

class FakeAlertPresenter final : public AlertPresenter {
public:
    struct Alert {
        QString message, informativeText;
    };

    void showAlert(const QString& message, const QString& informativeText) override {
        alerts.push_back({message, informativeText});
        if (onShown) onShown();
    }

    std::vector<Alert> alerts;
    std::function<void()> onShown;
};

}  // namespace mendrake::test
