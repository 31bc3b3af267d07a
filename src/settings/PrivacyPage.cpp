#include "settings/PrivacyPage.h"

#include "platform/Workspace.h"
#include "ui/SymbolIcons.h"
#include "prefs/Preferences.h"
#include "settings/AppChooserDialog.h"
#include "settings/DesktopTexts.h"
#include "settings/Formatting.h"
#include "settings/SettingsColors.h"
#include "settings/SettingsIcon.h"
#include "settings/SettingsWindowController.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace mendrake {

IgnoredAppInfo ignoredAppInfo(const QString& appId, Workspace& workspace) {
    if (const std::optional<QString> location = workspace.applicationLocation(appId)) {
        QString name;
        for (const InstalledApplication& app : workspace.installedApplications())
            if (app.appId == appId) name = app.name;
        if (name.isEmpty()) name = QFileInfo(*location).completeBaseName();
        return {name, appId, true};
    }
    const QStringList parts = appId.split(u'.', Qt::SkipEmptyParts);
    return {parts.isEmpty() ? appId : parts.last(), QStringLiteral("Not installed"), false};
}

QStringList withoutAppId(const QStringList& list, const QString& appId) {
    QStringList kept = list;
    kept.removeAll(appId);
    return kept;
}

QStringList withAppIds(const QStringList& list, const QStringList& chosen) {
    QStringList result = list;
    for (const QString& id : chosen)
        if (!id.isEmpty() && !result.contains(id)) result << id;
    return result;
}

IgnoredAppRow::IgnoredAppRow(const QString& appId, Workspace& workspace, std::function<void()> onRemove,
                             QWidget* parent)
    : QWidget(parent), appId_(appId) {
    const IgnoredAppInfo info = ignoredAppInfo(appId, workspace);
    QWidget* icon = nullptr;
    QImage image;
    if (info.installed)
        if (auto location = workspace.applicationLocation(appId))
            image = workspace.iconForFile(*location, qRound(20 * devicePixelRatioF()));
    if (!image.isNull()) {
        auto* label = new QLabel;
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        label->setPixmap(pixmap);
        label->setFixedSize(20, 20);
        label->setScaledContents(true);
        label->setObjectName("appIcon");
        icon = label;
    } else {
        icon = symbolLabel("app.dashed", 20, tintGray());
    }
    remove_ = new QToolButton;
    remove_->setAutoRaise(true);
    remove_->setStyleSheet("QToolButton { border: none; }");
    remove_->setIcon(symbolIcon("minus.circle", tintRed()));
    remove_->setToolTip("Stop ignoring this app");
    connect(remove_, &QToolButton::clicked, this, [onRemove = std::move(onRemove)] { onRemove(); });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(formRow(info.name, info.detail, remove_, icon));
}

PrivacyPage::PrivacyPage(SettingsServices& services, QWidget* parent)
    : FormPage(parent), services_(services) {
    Preferences& prefs = services.prefs;

    auto* statements = new FormGroup;
    statements->addRow(formRow("Passwords are never saved",
                               "Items that password managers mark as concealed are skipped.",
                               symbolLabel("checkmark.circle.fill", 16, tintGreen()),
                               new SettingsIcon("lock.fill", tintBlue(), 20)));
    statements->addRow(formRow(desktopTexts::historyStaysHere(), "No account, no cloud sync, no analytics.",
                               symbolLabel("checkmark.circle.fill", 16, tintGreen()),
                               new SettingsIcon("internaldrive.fill", tintGray(), 20)));
    addGroup(statements);

    auto* capture = new FormGroup("Capture");
    auto* controls = new QWidget;
    auto* controlsLayout = new QHBoxLayout(controls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    resume_ = new QPushButton("Resume");
    connect(resume_, &QPushButton::clicked, &prefs, &Preferences::resume);
    pause_ = new QPushButton("Pause");
    auto* menu = new QMenu(pause_);
    for (const PauseLength& length : pauseLengths) {
        if (length.minutes <= 0) menu->addSeparator();
        menu->addAction(QString::fromUtf8(length.label), &prefs, [&prefs, minutes = length.minutes] {
            prefs.pauseFor(minutes);
        });
    }
    pause_->setMenu(menu);
    controlsLayout->addWidget(resume_);
    controlsLayout->addWidget(pause_);
    QWidget* captureRow = formRow(QString(), QString(" "), controls);
    captureTitle_ = captureRow->findChild<QLabel*>("title");
    captureDetail_ = captureRow->findChild<QLabel*>("subtitle");
    capture->addRow(captureRow);
    addGroup(capture);

    ignored_ = new FormGroup("Ignored Apps", "Anything you copy while one of these apps is in front isn't recorded.");
    addApp_ = new QPushButton(QString::fromUtf8("Add App…"));
    connect(addApp_, &QPushButton::clicked, this, [this] { chooseApps(); });
    addGroup(ignored_);
    addStretch();

    connect(&prefs, &Preferences::pausedUntilChanged, this, [this] { refreshCapture(); });
    connect(&prefs, &Preferences::excludedAppIdsChanged, this, [this] { rebuildIgnored(); });
    refreshCapture();
    rebuildIgnored();
}

QString PrivacyPage::captureTitle() const { return captureTitle_->text(); }
QString PrivacyPage::captureDetail() const { return captureDetail_->text(); }

void PrivacyPage::refreshCapture() {
    const std::optional<double> until = services_.prefs.pausedUntil();
    const double now = services_.clock.now();
    const PauseTexts texts = pauseTexts(until, now, Preferences::distantFuture);
    const bool paused = until && *until > now;
    captureTitle_->setText(texts.title);
    captureDetail_->setText(texts.detail);
    resume_->setVisible(paused);
    pause_->setVisible(!paused);
    // A timed pause ends by itself: redraw the row then. Each redraw replaces the pending one.
    refreshTimer_.reset();
    if (paused && *until < Preferences::distantFuture)
        refreshTimer_ = services_.clock.after(*until - now, [this] { refreshCapture(); });
}

QList<IgnoredAppRow*> PrivacyPage::ignoredRows() const { return ignored_->findChildren<IgnoredAppRow*>(); }

void PrivacyPage::rebuildIgnored() {
    addApp_->setParent(nullptr);
    ignored_->clearRows();
    Preferences& prefs = services_.prefs;
    for (const QString& id : prefs.excludedAppIds()) {
        ignored_->addRow(new IgnoredAppRow(id, services_.workspace, [&prefs, id] {
            prefs.setExcludedAppIds(withoutAppId(prefs.excludedAppIds(), id));
        }));
    }
    auto* addRow = new QWidget;
    auto* layout = new QHBoxLayout(addRow);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(addApp_);
    layout->addStretch(1);
    ignored_->addRow(addRow);
}

void PrivacyPage::addApps(const QStringList& appIds) {
    Preferences& prefs = services_.prefs;
    const QStringList updated = withAppIds(prefs.excludedAppIds(), appIds);
    if (updated != prefs.excludedAppIds()) prefs.setExcludedAppIds(updated);
}

void PrivacyPage::chooseApps() {
    if (chooser_) return;
    auto* dialog = new AppChooserDialog(services_.workspace, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { addApps(dialog->selectedAppIds()); });
    chooser_ = dialog;
    dialog->open();
}

}  // namespace mendrake
