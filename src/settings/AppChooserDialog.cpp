#include "settings/AppChooserDialog.h"

#include "platform/Workspace.h"
#include "ui/SymbolIcons.h"

#include <QTextDocument>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace mendrake {

AppChooserDialog::AppChooserDialog(Workspace& workspace, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Choose Apps to Ignore");
    resize(420, 480);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(24, 24));
    const qreal dpr = devicePixelRatioF();
    for (const InstalledApplication& app : workspace.installedApplications()) {
        QImage image = workspace.iconForFile(app.location, qRound(24 * dpr));
        QIcon icon = image.isNull() ? symbolIcon("app.dashed", Qt::gray) : QIcon(QPixmap::fromImage(image));
        auto* item = new QListWidgetItem(icon, app.name);
        item->setData(Qt::UserRole, app.appId);
        item->setToolTip(Qt::convertFromPlainText(app.appId));  // a tool tip would read markup
        list_->addItem(item);
    }
    layout->addWidget(list_);
    // Applications without a desktop entry are known by their window's WM_CLASS only.
    windowClass_ = new QLineEdit;
    windowClass_->setPlaceholderText("Window class (WM_CLASS), for example KeePassXC");
    auto* classLabel = new QLabel("Or type the window class of an app that isn't listed:");
    classLabel->setBuddy(windowClass_);
    layout->addWidget(classLabel);
    layout->addWidget(windowClass_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    ignore_ = buttons->addButton("Ignore", QDialogButtonBox::AcceptRole);
    ignore_->setDefault(true);
    ignore_->setEnabled(false);
    auto update = [this] { ignore_->setEnabled(!selectedAppIds().isEmpty()); };
    connect(list_, &QListWidget::itemSelectionChanged, this, update);
    connect(windowClass_, &QLineEdit::textChanged, this, update);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList AppChooserDialog::selectedAppIds() const {
    QStringList ids;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) ids << list_->item(i)->data(Qt::UserRole).toString();
    if (const QString typed = windowClass_->text().trimmed(); !typed.isEmpty()) ids << typed;
    return ids;
}

}  // namespace mendrake
