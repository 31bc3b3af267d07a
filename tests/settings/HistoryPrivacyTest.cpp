// The History page against a real store on disk, the Privacy page's pause row and ignored apps.

#include "settings/AppChooserDialog.h"
#include "settings/Formatting.h"
#include "settings/HistoryPage.h"
#include "settings/PrivacyPage.h"
#include "store/HistoryStore.h"

#include "SettingsTestEnvironment.h"

#include <QComboBox>
#include <QDateTime>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <QLineEdit>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

CapturedClip textClip(const QString& text) {
    CapturedClip clip;
    clip.text = text;
    clip.hash = contentHash("text", text.toUtf8());
    clip.representations = {{"public.utf8-plain-text", text.toUtf8()}};
    clip.byteSize = text.toUtf8().size();
    return clip;
}

QPushButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text) return static_cast<QPushButton*>(button);
    return nullptr;
}

class HistoryPageTest : public ::testing::Test {
protected:
    HistoryPageTest() {
        auto opened = HistoryStore::open(env.clock, dir.path());
        EXPECT_TRUE(opened.ok());
        store = std::move(opened.value());
        for (int i = 0; i < 1234; ++i) {
            auto item = store->record(textClip(QString("clip %1").arg(i)));
            if (i % 500 == 0) store->setPinned(item->id, true);  // 3 pinned
            env.clock.advance(1);
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    ~HistoryPageTest() override { QLocale::setDefault(QLocale::c()); }

    QString shown(HistoryPage& page, const QString& title) {
        for (QLabel* label : page.findChildren<QLabel*>("title"))
            if (label->text() == title)
                for (QLabel* value : label->parentWidget()->findChildren<QLabel*>())
                    if (value != label) return value->text();
        return {};
    }

    void chooseInConfirmation(HistoryPage& page, const QString& choice) {
        page.clearButton()->click();
        ASSERT_NE(page.confirmation(), nullptr);
        EXPECT_EQ(page.confirmation()->text(), "Clear clipboard history?");
        EXPECT_EQ(page.confirmation()->informativeText(), "This can't be undone.");
        QPushButton* button = buttonNamed(page.confirmation(), choice);
        ASSERT_NE(button, nullptr) << choice.toStdString();
        button->click();
    }

    QTemporaryDir dir;
    test::SettingsTestEnvironment env;
    std::unique_ptr<HistoryStore> store;
};

TEST_F(HistoryPageTest, FiguresAreLoadedWhenThePageComesOnScreenAndFollowAClear) {
    SettingsServices services = env.services(store.get());
    HistoryPage page(services);
    EXPECT_EQ(page.itemCount(), 0);
    page.show();
    EXPECT_EQ(page.itemCount(), 1234);
    EXPECT_EQ(shown(page, "Items saved"), "1,234");
    EXPECT_GT(page.diskBytes(), 0);
    EXPECT_EQ(shown(page, "Space used"), formatByteCount(page.diskBytes()));
    page.showInFilesButton()->click();
    EXPECT_EQ(env.workspace.revealed, std::vector<QString>{store->directory()});

    // Clearing asks first, then keeps the pinned items or removes everything.
    const qint64 before = page.diskBytes();
    page.clearButton()->click();
    page.confirmation()->button(QMessageBox::Cancel)->click();
    EXPECT_EQ(store->count(), 1234);
    EXPECT_EQ(env.historyClears, 0);

    chooseInConfirmation(page, "Clear All but Pinned");
    EXPECT_EQ(page.itemCount(), 3);
    EXPECT_EQ(shown(page, "Items saved"), "3");
    EXPECT_EQ(store->count(), 3);
    EXPECT_EQ(env.historyClears, 1);

    chooseInConfirmation(page, "Clear Everything");
    EXPECT_EQ(page.itemCount(), 0);
    EXPECT_LT(page.diskBytes(), before);
    EXPECT_EQ(env.historyClears, 2);
}

TEST_F(HistoryPageTest, WithoutAStoreTheFiguresStayZeroAndNothingHappens) {
    SettingsServices services = env.services(nullptr);
    HistoryPage page(services);
    page.show();
    EXPECT_EQ(shown(page, "Items saved"), "0");
    EXPECT_EQ(shown(page, "Space used"), "Zero KB");
    page.showInFilesButton()->click();
    EXPECT_TRUE(env.workspace.revealed.empty());
    page.clear(false);
    EXPECT_EQ(env.historyClears, 0);
}

TEST_F(HistoryPageTest, PickersShowStoredChoicesAndNothingForOtherValues) {
    env.prefs.setMaxItems(1234);
    env.prefs.setRetentionDays(30);
    SettingsServices services = env.services(store.get());
    HistoryPage page(services);
    EXPECT_EQ(page.maxItemsPicker()->currentIndex(), -1);
    EXPECT_EQ(page.retentionPicker()->currentText(), "1 Month");

    int limitPosts = 0;
    env.notifications.addObserver(historyLimitsChangedNotification, [&] { ++limitPosts; });
    page.maxItemsPicker()->setCurrentIndex(1);
    emit page.maxItemsPicker()->activated(1);
    EXPECT_EQ(env.prefs.maxItems(), 1000);
    EXPECT_EQ(limitPosts, 1);
    env.prefs.setRetentionDays(0);
    EXPECT_EQ(page.retentionPicker()->currentText(), "Forever");
}

TEST(FormattingTest, ByteCountsItemCountsAndPauseEnds) {
    const std::pair<qint64, const char*> cases[] = {{0, "Zero KB"}, {1, "1 byte"}, {999, "999 bytes"}, {1000, "1 KB"},
                                                    {999'500, "1 MB"}, {1'500'000, "1.5 MB"}, {2'340'000'000, "2.34 GB"}};
    for (auto [bytes, text] : cases) EXPECT_EQ(formatByteCount(bytes), text) << bytes;
    EXPECT_EQ(formatItemCount(1234567, QLocale(QLocale::English, QLocale::UnitedStates)), "1,234,567");
    EXPECT_EQ(formatItemCount(1234, QLocale(QLocale::German, QLocale::Germany)), "1.234");

    // The end of a pause is a short time without seconds, even in the C locale.
    const double end = QDateTime(QDate(2026, 3, 2), QTime(9, 5, 42)).toSecsSinceEpoch();
    const double now = end - 60;
    EXPECT_EQ(pauseTexts(end, now, 1e12, QLocale::c()).detail, "Nothing is recorded until 09:05.");
    const QString english = pauseTexts(end, now, 1e12, QLocale(QLocale::English, QLocale::UnitedStates)).detail;
    EXPECT_TRUE(english.startsWith("Nothing is recorded until 9:05")) << english.toStdString();
    EXPECT_TRUE(english.endsWith("AM.")) << english.toStdString();
}

class PrivacyPageTest : public ::testing::Test {
protected:
    PrivacyPageTest() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // a 24-hour clock
        env.clock.setNow(QDateTime(QDate(2026, 3, 2), QTime(14, 0)).toSecsSinceEpoch());
    }
    ~PrivacyPageTest() override { QLocale::setDefault(QLocale::c()); }

    void choosePause(PrivacyPage& page, const QString& text) {
        for (QAction* action : page.pauseButton()->menu()->actions())
            if (action->text() == text) return action->trigger();
        FAIL() << "no menu item " << text.toStdString();
    }

    QStringList rowIDs(PrivacyPage& page) {
        QStringList ids;
        for (IgnoredAppRow* row : page.ignoredRows()) ids << row->bundleID();
        return ids;
    }

    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
};

TEST_F(PrivacyPageTest, PauseAndResumeRewriteTheCaptureRow) {
    PrivacyPage page(services);
    page.show();
    EXPECT_EQ(page.captureTitle(), "Record new copies");
    EXPECT_EQ(page.captureDetail(), "Pause for a while, for example when handling sensitive data.");
    EXPECT_FALSE(page.resumeButton()->isVisible());

    choosePause(page, "For 15 Minutes");
    EXPECT_EQ(env.prefs.pausedUntil(), env.clock.now() + 900);
    EXPECT_EQ(page.captureTitle(), "Capture is paused");
    EXPECT_EQ(page.captureDetail(), "Nothing is recorded until 14:15.");
    EXPECT_TRUE(page.resumeButton()->isVisible());
    EXPECT_FALSE(page.pauseButton()->isVisible());

    page.resumeButton()->click();
    EXPECT_FALSE(env.prefs.pausedUntil().has_value());
    EXPECT_EQ(page.captureTitle(), "Record new copies");

    choosePause(page, "Until I Resume");
    EXPECT_EQ(env.prefs.pausedUntil(), Preferences::distantFuture);
    EXPECT_EQ(page.captureDetail(), "Nothing is recorded until you resume.");
}

TEST_F(PrivacyPageTest, ATimedPauseReturnsTheRowWhenItEndsAndAStaleOneCountsAsNone) {
    PrivacyPage page(services);
    choosePause(page, "For 5 Minutes");
    env.clock.advance(299);
    EXPECT_EQ(page.captureTitle(), "Capture is paused");
    env.clock.advance(1);
    EXPECT_EQ(page.captureTitle(), "Record new copies");
    EXPECT_FALSE(page.resumeButton()->isVisibleTo(&page));

    env.prefs.setPausedUntil(env.clock.now() - 60);
    PrivacyPage later(services);
    EXPECT_EQ(later.captureTitle(), "Record new copies");
}

TEST_F(PrivacyPageTest, IgnoredAppsAreAddedOnceAndRemovedEverywhere) {
    env.prefs.setExcludedBundleIDs({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault"});
    PrivacyPage page(services);
    EXPECT_EQ(rowIDs(page), QStringList({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault"}));

    page.addApps({"org.gnome.TextEditor", "org.keepassxc.KeePassXC", "org.keepassxc.KeePassXC", ""});
    EXPECT_EQ(env.prefs.excludedBundleIDs(),
              QStringList({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault", "org.keepassxc.KeePassXC"}));

    page.ignoredRows().first()->removeButton()->click();
    EXPECT_EQ(env.prefs.excludedBundleIDs(), QStringList({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"}));
    EXPECT_EQ(rowIDs(page), env.prefs.excludedBundleIDs());
}

TEST_F(PrivacyPageTest, RowsNameInstalledAppsAndMarkMissingOnes) {
    // Id, name shown, detail shown; a missing app is named after the last piece of its id.
    const char* cases[][3] = {{"org.gnome.TextEditor", "Text Editor", "org.gnome.TextEditor"},
                              {"com.bitwarden.desktop", "desktop", "Not installed"},
                              {"com.example.", "example", "Not installed"},
                              {"...", "...", "Not installed"}};
    for (const auto& [id, name, detail] : cases) {
        const IgnoredAppInfo info = ignoredAppInfo(id, env.workspace);
        EXPECT_EQ(info.name, name) << id;
        EXPECT_EQ(info.detail, detail) << id;
    }
    env.prefs.setExcludedBundleIDs({"org.gnome.TextEditor", "com.bitwarden.desktop"});
    PrivacyPage page(services);
    const auto rows = page.ignoredRows();
    EXPECT_NE(rows[0]->findChild<QLabel*>("appIcon"), nullptr);
    EXPECT_NE(rows[1]->findChild<QLabel*>("app.dashed"), nullptr);
    // Names and ids come from files any package writes: shown as text, never as markup.
    for (IgnoredAppRow* row : rows)
        for (const char* label : {"title", "subtitle"})
            EXPECT_EQ(row->findChild<QLabel*>(label)->textFormat(), Qt::PlainText) << label;
}

TEST_F(PrivacyPageTest, ChooserListsInstalledAppsAndIgnoresTheSelection) {
    env.prefs.setExcludedBundleIDs({"org.gnome.TextEditor"});
    PrivacyPage page(services);
    page.show();
    page.addAppButton()->click();
    AppChooserDialog* chooser = page.chooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(chooser->list()->count(), 2);
    EXPECT_FALSE(chooser->ignoreButton()->isEnabled());
    chooser->list()->selectAll();
    chooser->ignoreButton()->click();
    EXPECT_EQ(env.prefs.excludedBundleIDs(), QStringList({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"}));

    page.addAppButton()->click();
    page.chooser()->list()->selectAll();
    page.chooser()->reject();
    EXPECT_EQ(env.prefs.excludedBundleIDs().size(), 2);

    // An application without a desktop entry, by the WM_CLASS typed by hand.
    page.addAppButton()->click();
    page.chooser()->windowClassField()->setText("  SecretKeeper ");
    ASSERT_TRUE(page.chooser()->ignoreButton()->isEnabled());
    page.chooser()->ignoreButton()->click();
    EXPECT_EQ(env.prefs.excludedBundleIDs().last(), "SecretKeeper");
}

}  // namespace
}  // namespace mendrake
