#include "menubar/StatusItemController.h"

#include "prefs/Preferences.h"

#include <QTextDocument>
#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QSystemTrayIcon>

namespace mendrake {

namespace {
const QChar kEllipsis(0x2026);

// A popup menu does not run its entries' shortcuts, so the keys it shows next to them (Ctrl+1-9,
// Ctrl+comma, Ctrl+Q) are matched here while it is open: the menu closes and the entry runs.
class MenuAccelerators final : public QObject {
public:
    explicit MenuAccelerators(QMenu& menu) : QObject(&menu), menu_(menu) { menu.installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
        for (QAction* action : menu_.actions()) {
            if (action->shortcut().isEmpty() || action->shortcut() != pressed || !action->isEnabled()) continue;
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                menu_.close();
                action->trigger();
            }
            return true;
        }
        return false;
    }

private:
    QMenu& menu_;
};
}  // namespace

StatusItemController::StatusItemController(std::weak_ptr<StatusMenuShell> shell, Preferences& prefs,
                                           const KeyboardLayout& layout, Clock& clock,
                                           std::function<QIcon(const QString&)> symbolIcon,
                                           QObject* parent)
    : QObject(parent),
      shell_(std::move(shell)),
      prefs_(prefs),
      layout_(layout),
      clock_(clock),
      symbolIcon_(std::move(symbolIcon)),
      menu_(std::make_unique<QMenu>()) {
    item_ = new QSystemTrayIcon(this);
    if (symbolIcon_) item_->setIcon(symbolIcon_(QStringLiteral("scissors")));
    item_->setToolTip(QStringLiteral("Mendrake"));
    menu_->setToolTipsVisible(false);
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItemController::rebuildMenu);
    new MenuAccelerators(*menu_);
    item_->setContextMenu(menu_.get());
    // A left click opens the same menu, as clicking a menu-bar item does; trays that show the
    // context menu themselves never report a plain click.
    connect(item_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    setVisible(prefs_.showMenuBarIcon());
}

StatusItemController::~StatusItemController() = default;

void StatusItemController::setVisible(bool visible) { item_->setVisible(visible); }

void StatusItemController::setRecordingProblem(const std::optional<QString>& reason) {
    recordingProblem_ = reason;
    // The reason may name a path: text, never markup.
    item_->setToolTip(reason ? Qt::convertFromPlainText(QStringLiteral("Mendrake: not recording (%1)").arg(*reason))
                             : QStringLiteral("Mendrake"));
}

void StatusItemController::showNotice(const QString& title, const QString& text) {
    item_->showMessage(title, text, QSystemTrayIcon::Information, 4000);
}

bool StatusItemController::isVisible() const { return item_->isVisible(); }

QString StatusItemController::menuTitle(const QString& title) {
    // Only titles of 49 characters or more are cut; counting stops early for long texts.
    if (firstGraphemes(title, menuTitleLimit + 1) == firstGraphemes(title, menuTitleLimit))
        return title;
    return firstGraphemes(title, menuTitleLimit - 1) + kEllipsis;
}

void StatusItemController::rebuildMenu() {
    // clear() drops the entries but not the submenus they open.
    qDeleteAll(menu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    menu_->clear();
    auto shell = shell_.lock();
    if (!shell) return;
    if (shell->menuOpening) shell->menuOpening();

    if (recordingProblem_) {
        menu_->addAction(QStringLiteral("Not Recording: the history can't be written"))->setEnabled(false);
        menu_->addSeparator();
    }

    const QList<ClipItem> items = shell->recentItems ? shell->recentItems() : QList<ClipItem>{};
    recents_ = items.mid(0, recentsLimit);

    if (recents_.isEmpty()) {
        menu_->addAction(QStringLiteral("Nothing copied yet"))->setEnabled(false);
    } else {
        for (int i = 0; i < recents_.size(); ++i) addRecentEntry(recents_[i], i, *shell);
    }
    menu_->addSeparator();

    const QString shortcut = displayString(prefs_.hotKey(), layout_);
    // Text after a tab is drawn in the menu's shortcut column.
    connect(menu_->addAction(QStringLiteral("Open Mendrake\t") + shortcut), &QAction::triggered, this,
            &StatusItemController::openPanel);

    const bool paused = prefs_.isPaused();
    QMenu* pause = menu_->addMenu(paused ? QStringLiteral("Paused") : QStringLiteral("Pause Capture"));
    if (paused) {
        connect(pause->addAction(QStringLiteral("Resume Now")), &QAction::triggered, this,
                &StatusItemController::resume);
    } else {
        for (const PauseLength& length : pauseLengths) {
            QAction* action = pause->addAction(QString::fromUtf8(length.label));
            action->setData(length.minutes);
            connect(action, &QAction::triggered, this, [this, minutes = length.minutes] { pauseFor(minutes); });
        }
    }
    menu_->addSeparator();

    // Only a build that can check for updates offers it; packaged builds update through the system.
    if (shell->checkForUpdates)
        connect(menu_->addAction(QStringLiteral("Check for Updates") + kEllipsis), &QAction::triggered, this,
                &StatusItemController::checkUpdates);
    QAction* settings = menu_->addAction(QStringLiteral("Settings") + kEllipsis);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &StatusItemController::openSettings);
    menu_->addSeparator();

    QAction* quit = menu_->addAction(QStringLiteral("Quit Mendrake"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] {
        if (auto s = shell_.lock(); s && s->quit) s->quit();
    });
}

QAction* StatusItemController::addRecentEntry(const ClipItem& item, int index, StatusMenuShell& shell) {
    // A single "&" would vanish and make the next letter a mnemonic.
    QAction* action = menu_->addAction(menuTitle(displayTitle(item)).replace(QLatin1Char('&'), QStringLiteral("&&")));
    action->setData(index);
    if (index < 9) action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + index)));

    std::optional<QImage> icon = shell.appIcon ? shell.appIcon(item.sourceAppId) : std::nullopt;
    if (icon && !icon->isNull())
        action->setIcon(QIcon(QPixmap::fromImage(
            icon->scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation))));
    else if (symbolIcon_)
        action->setIcon(symbolIcon_(kindSymbol(item.kind)));

    connect(action, &QAction::triggered, this, [this, index] { pasteRecent(index); });
    return action;
}

void StatusItemController::pasteRecent(int index) {
    if (shell_.expired() || index < 0 || index >= recents_.size()) return;
    // The copy held here is pasted even if the row was deleted since the menu was built.
    const ClipItem item = recents_[index];
    pasteTimer_ = clock_.after(pasteDelay, [shell = shell_, item] {
        if (auto s = shell.lock(); s && s->pasteItem) s->pasteItem(item);
    });
}

void StatusItemController::openPanel() {
    if (auto s = shell_.lock(); s && s->togglePanel) s->togglePanel();
}

void StatusItemController::openSettings() {
    if (auto s = shell_.lock(); s && s->openSettings) s->openSettings();
}

void StatusItemController::checkUpdates() {
    if (auto s = shell_.lock(); s && s->checkForUpdates) s->checkForUpdates();
}

void StatusItemController::pauseFor(int minutes) {
    if (!shell_.expired()) prefs_.pauseFor(minutes);
}

void StatusItemController::resume() {
    if (!shell_.expired()) prefs_.resume();
}

}  // namespace mendrake
