#include "settings/AboutPage.h"

#include "hotkey/HotKeyCombo.h"
#include "platform/Workspace.h"
#include "prefs/Preferences.h"
#include "ui/SymbolIcons.h"
#include "settings/BuildInfo.h"
#include "settings/SettingsColors.h"
#include "settings/SettingsIcon.h"
#include "settings/SettingsWindowController.h"

#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>

namespace mendrake {

QString noTrayText(const QString& shortcut) {
    return QStringLiteral("There is no tray on this desktop. Open Mendrake with its shortcut, %1, or run "
                          "\u201cmendrake --show\u201d.")
        .arg(shortcut);
}

AppHeader::AppHeader(const QString& subtitle, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(6);
    auto* icon = new QLabel;
    const qreal dpr = devicePixelRatioF();
    const QIcon appIcon = QApplication::windowIcon();
    icon->setPixmap(appIcon.isNull() ? SettingsIcon::render("scissors", tintBlue(), 72, dpr)
                                     : appIcon.pixmap(QSize(72, 72), dpr));
    icon->setFixedSize(72, 72);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    auto* name = new QLabel("Mendrake");
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.55);
    nameFont.setWeight(QFont::DemiBold);
    name->setFont(nameFont);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    auto* line = secondaryLabel(subtitle);
    line->setAlignment(Qt::AlignHCenter);
    layout->addWidget(line);
}

AboutPage::AboutPage(SettingsServices& services, QWidget* parent) : FormPage(parent) {
    addGroup(new AppHeader("Everything you copied, one keystroke away."));
    auto* app = new FormGroup;
    version_ = new QLabel(versionText(services.version, services.build));
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    app->addRow(formRow("Version", {}, version_));
    if (services.canCheckForUpdates && services.checkForUpdates) {
        update_ = new QPushButton(QString::fromUtf8("Check for Updates…"));
        connect(update_, &QPushButton::clicked, this, [check = services.checkForUpdates] { check(); });
        app->addRow(formRow("Updates", {}, update_));
    }
    addGroup(app);

    if (services.trayAvailable && !services.trayAvailable()) {
        auto* noTray = new FormGroup;
        QWidget* row = formRow(QStringLiteral("No tray"),
                               noTrayText(displayString(services.prefs.hotKey(), services.keyboardLayout)), nullptr);
        noTray_ = row->findChild<QLabel*>(QStringLiteral("subtitle"));
        noTray_->setWordWrap(true);
        noTray->addRow(row);
        addGroup(noTray);
    }

    // Links go only to the project's own address, and there are none without one.
    const QString home = services.sourceAddress;
    if (home.isEmpty()) {
        addStretch();
        return;
    }
    auto* linkGroup = new FormGroup;
    struct Link {
        const char* title;
        const char* symbol;
        QColor tint;
        QUrl url;
    };
    Workspace& workspace = services.workspace;
    for (const Link& link : {Link{"Website", "globe", tintBlue(), QUrl(home)},
                             Link{"What's New", "sparkles", tintOrange(), QUrl(home + QStringLiteral("/releases"))},
                             Link{"Contact Support", "envelope.fill", tintBlue(), QUrl(home + QStringLiteral("/issues"))}}) {
        auto* button = new QPushButton(QIcon(SettingsIcon::render(link.symbol, link.tint, 20, devicePixelRatioF())),
                                       QString::fromUtf8(link.title));
        button->setFlat(true);
        button->setIconSize(QSize(20, 20));
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(link.url.toString());
        button->setStyleSheet("QPushButton { text-align: left; padding: 8px 12px; border: none; }"
                              "QPushButton:hover { color: palette(highlight); }");
        connect(button, &QPushButton::clicked, this, [&workspace, url = link.url] { workspace.openURL(url); });
        linkGroup->addRow(button);
        links_ << button;
    }
    addGroup(linkGroup);
    addStretch();
}

}  // namespace mendrake
