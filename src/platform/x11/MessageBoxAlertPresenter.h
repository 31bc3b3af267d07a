#pragma once
// Alerts as QMessageBox warnings: the message as the text, the details as the informative text.

#include "platform/AlertPresenter.h"

namespace mendrake {

class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void showAlert(const QString& message, const QString& informativeText) override;
};

}  // namespace mendrake
