#pragma once
// AlertPresenter: shows a modal alert with a message text and an informative text, and returns
// when the user has dismissed it.
//
// Contract: blocks the caller (a nested event loop) until dismissed; never fails. Main thread only.
// Owns nothing beyond the alert while it is shown.

#include <QString>

namespace mendrake {

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    virtual void showAlert(const QString& message, const QString& informativeText) = 0;
};

}  // namespace mendrake
