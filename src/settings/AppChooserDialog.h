#pragma once
// Lets the user pick installed applications (icon and name, several at once) to ignore; the
// confirming button reads "Ignore".

#include <QDialog>
#include <QStringList>

#include <vector>

class QListWidget;
class QPushButton;

namespace mendrake {

class Workspace;
struct InstalledApplication;

class AppChooserDialog : public QDialog {
public:
    AppChooserDialog(Workspace& workspace, QWidget* parent = nullptr);

    // Identifiers of the chosen applications, in list order.
    QStringList selectedBundleIDs() const;
    QListWidget* list() const { return list_; }
    QPushButton* ignoreButton() const { return ignore_; }

private:
    QListWidget* list_;
    QPushButton* ignore_;
};

}  // namespace mendrake
