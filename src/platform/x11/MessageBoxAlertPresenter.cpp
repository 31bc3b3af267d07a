#include "platform/x11/MessageBoxAlertPresenter.h"

#include <QMessageBox>

namespace mendrake {

void MessageBoxAlertPresenter::showAlert(const QString& message, const QString& informativeText) {
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Mendrake"));
    box.setText(message);
    box.setInformativeText(informativeText);
    box.setStandardButtons(QMessageBox::Ok);
    // The app has no window of its own in front, so the alert must raise itself.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

}  // namespace mendrake
