// The History page against a real store on disk, the Privacy page's pause row and ignored apps.

#include "panel/Formatters.h"
#include "settings/AppChooserDialog.h"
#include "settings/Formatting.h"
#include "settings/HistoryPage.h"
#include "settings/PrivacyPage.h"
#include "store/HistoryStore.h"

#include "SettingsTestEnvironment.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

struct HistoryPageTest : ::testing::Test {
    HistoryPageTest() {
        store = std::move(HistoryStore::open(env.clock, dir.path()).value());
        for (int i = 0; i < 1234; ++i) {
            CapturedClip clip;
            clip.text = QString("clip %1").arg(i);
            clip.hash = contentHash("text", clip.text.toUtf8());
            clip.representations = {{"public.utf8-plain-text", clip.text.toUtf8()}};
            auto item = store->record(clip);
            if (i % 500 == 0) store->setPinned(item->id, true);  // 3 pinned
            env.clock.advance(1);
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    ~HistoryPageTest() override { QLocale::setDefault(QLocale::c()); }

    QString shown(HistoryPage& page, const QString& title) {
        for (QLabel* label : page.findChildren<QLabel*>("title"))
            if (label->text() == title) return label->parentWidget()->findChildren<QLabel*>().last()->text();
        return {};
    }
    // Clicks "Clear History…" and then `choice` in the confirmation.
    void clearChoosing(HistoryPage& page, const QString& choice) {
        page.clearButton()->click();
        ASSERT_NE(page.confirmation(), nullptr);
        for (QAbstractButton* button : page.confirmation()->buttons())
            if (button->text() == choice) return button->click();
        page.confirmation()->button(QMessageBox::Cancel)->click();
    }

    QTemporaryDir dir;
    test::SettingsTestEnvironment env;
    std::unique_ptr<HistoryStore> store;
};

TEST_F(HistoryPageTest, FiguresLoadOnScreenAndFollowAClear) {
    SettingsServices services = env.services(store.get());
    HistoryPage page(services);
    EXPECT_EQ(page.itemCount(), 0) << "read when the page comes on screen";
    page.show();
    EXPECT_EQ(shown(page, "Items saved"), "1,234");
    EXPECT_GT(page.diskBytes(), 0);
    EXPECT_EQ(shown(page, "Space used"), byteCountString(page.diskBytes()));
    page.showInFilesButton()->click();
    EXPECT_EQ(env.workspace.revealed, std::vector<QString>{store->directory()});

    const qint64 before = page.diskBytes();
    const struct {
        const char* choice;
        qint64 left;
        int clears;
    } rows[] = {{"Cancel", 1234, 0}, {"Clear All but Pinned", 3, 1}, {"Clear Everything", 0, 2}};
    for (const auto& row : rows) {
        clearChoosing(page, row.choice);
        EXPECT_EQ(store->count(), row.left) << row.choice;
        EXPECT_EQ(page.itemCount(), row.left) << row.choice;
        EXPECT_EQ(env.historyClears, row.clears) << row.choice;
    }
    EXPECT_EQ(shown(page, "Items saved"), "0");
    EXPECT_LT(page.diskBytes(), before);

    // Without a store the figures stay zero and nothing happens.
    SettingsServices none = env.services(nullptr);
    HistoryPage bare(none);
    bare.show();
    EXPECT_EQ(shown(bare, "Space used"), "Zero KB");
    bare.showInFilesButton()->click();
    bare.clear(false);
    EXPECT_EQ(env.workspace.revealed.size(), 1u);
    EXPECT_EQ(env.historyClears, 2);
}

TEST(HistoryPage, PickersShowStoredChoicesAndNothingForOtherValues) {
    test::SettingsTestEnvironment env;
    env.prefs.setMaxItems(1234);
    env.prefs.setRetentionDays(30);
    SettingsServices services = env.services();
    HistoryPage page(services);
    EXPECT_EQ(page.maxItemsPicker()->currentIndex(), -1);
    EXPECT_EQ(page.retentionPicker()->currentText(), "1 Month");
    QSignalSpy limits(&env.prefs, &Preferences::historyLimitsAssigned);
    page.maxItemsPicker()->setCurrentIndex(1);
    emit page.maxItemsPicker()->activated(1);
    EXPECT_TRUE(env.prefs.maxItems() == 1000 && limits.count() == 1);
    env.prefs.setRetentionDays(0);
    EXPECT_EQ(page.retentionPicker()->currentText(), "Forever");
}

TEST(FormattingTest, ItemCountsAndPauseEnds) {
    EXPECT_EQ(formatItemCount(1234567, QLocale(QLocale::English, QLocale::UnitedStates)), "1,234,567");
    EXPECT_EQ(formatItemCount(1234, QLocale(QLocale::German, QLocale::Germany)), "1.234");
    // The end of a pause is a short time without seconds, even in the C locale.
    const double end = QDateTime(QDate(2026, 3, 2), QTime(9, 5, 42)).toSecsSinceEpoch();
    EXPECT_EQ(pauseTexts(end, end - 60, 1e12, QLocale::c()).detail, "Nothing is recorded until 09:05.");
    const QString english = pauseTexts(end, end - 60, 1e12, QLocale(QLocale::English, QLocale::UnitedStates)).detail;
    EXPECT_TRUE(english.startsWith("Nothing is recorded until 9:05") && english.endsWith("AM.")) << english;
    EXPECT_EQ(pauseTexts(end, end, 1e12).title, "Record new copies") << "a pause ends at its instant";
    EXPECT_EQ(pauseTexts(1e12, end, 1e12).detail, "Nothing is recorded until you resume.");
}

struct PrivacyPageTest : ::testing::Test {
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
    static QStringList rowIDs(PrivacyPage& page) {
        QStringList ids;
        for (IgnoredAppRow* row : page.ignoredRows()) ids << row->appId();
        return ids;
    }

    test::SettingsTestEnvironment env;
    SettingsServices services = env.services();
};

TEST_F(PrivacyPageTest, PauseAndResumeRewriteTheCaptureRow) {
    PrivacyPage page(services);
    page.show();
    const struct {
        std::function<void()> act;
        std::optional<double> until;
        const char* title;
        const char* detail;
    } rows[] = {
        {[] {}, std::nullopt, "Record new copies", "Pause for a while, for example when handling sensitive data."},
        {[&] { choosePause(page, "For 15 Minutes"); }, env.clock.now() + 900, "Capture is paused",
         "Nothing is recorded until 14:15."},
        {[&] { page.resumeButton()->click(); }, std::nullopt, "Record new copies", nullptr},
        {[&] { choosePause(page, "Until I Resume"); }, Preferences::distantFuture, "Capture is paused",
         "Nothing is recorded until you resume."},
        // A timed pause brings the row back when it ends.
        {[&] {
             EXPECT_EQ(env.clock.pendingTasks(), 0u) << "no redraw is due for a pause without end";
             page.resumeButton()->click();
             choosePause(page, "For 5 Minutes");
             env.clock.advance(299);
         },
         env.clock.now() + 300, "Capture is paused", nullptr},
        {[&] { env.clock.advance(1); }, env.clock.now() + 300, "Record new copies", nullptr},
    };
    for (const auto& row : rows) {
        row.act();
        EXPECT_EQ(env.prefs.pausedUntil(), row.until) << row.title;
        EXPECT_EQ(page.captureTitle(), row.title);
        if (row.detail) {
            EXPECT_EQ(page.captureDetail(), row.detail);
        }
        const bool paused = QString(row.title) == "Capture is paused";
        EXPECT_TRUE(page.resumeButton()->isVisible() == paused && page.pauseButton()->isVisible() != paused);
    }
    env.prefs.setPausedUntil(env.clock.now() - 60);
    EXPECT_EQ(PrivacyPage(services).captureTitle(), "Record new copies") << "a stale pause counts as none";
}

TEST_F(PrivacyPageTest, IgnoredAppsAreNamedAddedOnceAndRemovedEverywhere) {
    // Id, name shown, detail shown; a missing app is named after the last piece of its id.
    const char* cases[][3] = {{"org.gnome.TextEditor", "Text Editor", "org.gnome.TextEditor"},
                              {"com.bitwarden.desktop", "desktop", "Not installed"},
                              {"com.example.", "example", "Not installed"},
                              {"...", "...", "Not installed"}};
    for (const auto& [id, name, detail] : cases) {
        const IgnoredAppInfo info = ignoredAppInfo(id, env.workspace);
        EXPECT_TRUE(info.name == name && info.detail == detail) << id;
    }
    env.prefs.setExcludedAppIds({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault"});
    PrivacyPage page(services);
    EXPECT_EQ(rowIDs(page), env.prefs.excludedAppIds());
    const auto rows = page.ignoredRows();
    EXPECT_NE(rows[0]->findChild<QLabel*>("app.dashed"), nullptr) << "not installed: a placeholder icon";
    EXPECT_NE(rows[1]->findChild<QLabel*>("appIcon"), nullptr);
    // Names and ids come from files any package writes: shown as text, never as markup.
    for (IgnoredAppRow* row : rows)
        for (const char* label : {"title", "subtitle"})
            EXPECT_EQ(row->findChild<QLabel*>(label)->textFormat(), Qt::PlainText) << label;

    page.addApps({"org.gnome.TextEditor", "org.keepassxc.KeePassXC", "org.keepassxc.KeePassXC", ""});
    EXPECT_EQ(env.prefs.excludedAppIds(),
              QStringList({"com.example.Vault", "org.gnome.TextEditor", "com.example.Vault", "org.keepassxc.KeePassXC"}));
    page.ignoredRows().first()->removeButton()->click();
    EXPECT_EQ(env.prefs.excludedAppIds(), QStringList({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"}));
    EXPECT_EQ(rowIDs(page), env.prefs.excludedAppIds());
}

TEST_F(PrivacyPageTest, ChooserIgnoresTheSelectionOrATypedWindowClass) {
    env.prefs.setExcludedAppIds({"org.gnome.TextEditor"});
    PrivacyPage page(services);
    page.show();
    const QStringList both{"org.gnome.TextEditor", "org.keepassxc.KeePassXC"};
    const struct {
        QString windowClass;  // typed by hand, for an application without a desktop entry
        bool accept;
        QStringList expected;
    } rows[] = {{"", true, both}, {"", false, both}, {"  SecretKeeper ", true, both + QStringList{"SecretKeeper"}}};
    for (const auto& row : rows) {
        page.addAppButton()->click();
        AppChooserDialog* chooser = page.chooser();
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->list()->count(), 2);
        if (&row == rows) {
            EXPECT_FALSE(chooser->ignoreButton()->isEnabled()) << "nothing chosen yet";
        }
        if (row.windowClass.isEmpty()) chooser->list()->selectAll();
        chooser->windowClassField()->setText(row.windowClass);
        row.accept ? chooser->ignoreButton()->click() : chooser->reject();
        EXPECT_EQ(env.prefs.excludedAppIds(), row.expected);
    }
}

}  // namespace
}  // namespace mendrake
