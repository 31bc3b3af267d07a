#include "platform/x11/MessageBoxAlertPresenter.h"

#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>

namespace mendrake {

void MessageBoxAlertPresenter::showAlert(const QString& message, const QString& informativeText) {
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Mendrake"));
    // Both texts may carry a path or an error message: shown as text, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(Qt::convertFromPlainText(informativeText));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    // The app has no window of its own in front, so the alert must raise itself.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // It takes the keyboard too, so Enter dismisses it wherever the focus was.
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.exec();
}

}  // namespace mendrake
