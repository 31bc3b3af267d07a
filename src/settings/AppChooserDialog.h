#pragma once
// Lets the user pick installed applications (icon and name, several at once) to ignore, or type
// the window class of one that has no desktop entry; the confirming button reads "Ignore".

#include <QDialog>
#include <QStringList>

#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace mendrake {

class Workspace;
struct InstalledApplication;

class AppChooserDialog : public QDialog {
public:
    AppChooserDialog(Workspace& workspace, QWidget* parent = nullptr);

    // Identifiers of the chosen applications, in list order, then the typed window class.
    QStringList selectedAppIds() const;
    QListWidget* list() const { return list_; }
    QLineEdit* windowClassField() const { return windowClass_; }
    QPushButton* ignoreButton() const { return ignore_; }

private:
    QListWidget* list_;
    QLineEdit* windowClass_;
    QPushButton* ignore_;
};

}  // namespace mendrake
