#include "settings/AppChooserDialog.h"

#include "platform/Workspace.h"
#include "platform/x11/SymbolIcons.h"

#include <QTextDocument>
#include <QDialogButtonBox>
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
        item->setData(Qt::UserRole, app.bundleID);
        item->setToolTip(Qt::convertFromPlainText(app.bundleID));  // a tool tip would read markup
        list_->addItem(item);
    }
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    ignore_ = buttons->addButton("Ignore", QDialogButtonBox::AcceptRole);
    ignore_->setDefault(true);
    ignore_->setEnabled(false);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { ignore_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList AppChooserDialog::selectedBundleIDs() const {
    QStringList ids;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) ids << list_->item(i)->data(Qt::UserRole).toString();
    return ids;
}

}  // namespace mendrake
