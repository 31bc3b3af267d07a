// The panel's widgets on the offscreen platform: rows, badges, empty states, chips, preview by kind,
// the metadata line, the paused label, keys arriving through the window, and the symbol icons.
#include "FakePanelWindowSystem.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "PanelTestEnv.h"
#include "capture/AppIcon.h"
#include "panel/EmptyState.h"
#include "panel/FilterBar.h"
#include "panel/FloatingPanel.h"
#include "panel/FooterBar.h"
#include "panel/PanelController.h"
#include "panel/PanelView.h"
#include "panel/PanelViewModel.h"
#include "panel/PreviewPane.h"
#include "panel/ResultList.h"
#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

using Page = PreviewPane::Page;

QImage filled(int w, int h, QColor color = QColor(40, 120, 200)) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

class PanelViewsTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    FakeWorkspace workspace;
    FakePanelWindowSystem windows;
    std::unique_ptr<AppIcons> icons;
    std::unique_ptr<PanelViewModel> model;
    std::unique_ptr<PanelController> controller;

    // One or more items of every kind, one application with an icon, a pinned item and an image.
    void addSamples() {
        workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"}};
        workspace.iconsByLocation["/apps/editor.desktop"] = filled(32, 32);
        const double now = env.clock.now();
        auto add = [&](ClipKind kind, const QString& text, double ago, std::optional<QString> app = {}, bool pin = false) {
            env.store.rows.append(makeClip(env.store.rows.size() + 1, text, now - ago, kind, app, pin));
        };
        add(ClipKind::text, "Meeting notes: ship the panel on Friday.", 20, "Editor");
        add(ClipKind::url, "https://www.example.org/articles?ref=panel", 140);
        add(ClipKind::image, "Image 640 × 400", 600);
        env.store.rows.last().byteSize = 182'000;
        env.store.images[3] = filled(640, 400);
        add(ClipKind::file, "3 files\n/home/user/report.pdf\n/home/user/holiday.png\n/home/user/src/main.cpp", 3600);
        add(ClipKind::color, "#FF9500", 7200, "Editor", true);
        add(ClipKind::text, "#include <vector>\nint main() {\n    std::vector<int> v{1, 2, 3};\n}\n", 9000);
        add(ClipKind::richText, "Quarterly report", 20'000);
        add(ClipKind::color, "rgb(52, 199, 89)", 40'000);
        add(ClipKind::text, "ssh deploy@build.example.org", 90'000);
        add(ClipKind::text, "The tenth row shows its age", 200'000);
        add(ClipKind::text, "A long text", 700'000);
        add(ClipKind::color, "not a colour", 1'300'000);
    }
    void make(bool samples = true) {
        if (samples) addSamples();
        icons = std::make_unique<AppIcons>(workspace);
        model = std::make_unique<PanelViewModel>(env.store, env.prefs, env.clock);
        controller = std::make_unique<PanelController>(*model, workspace, *icons, windows);
    }
    PanelView& view() { return controller->view(); }
    PreviewPane& preview() { return *view().previewPane(); }
    void select(qint64 id) { model->setSelectedID(id); }
    void showPanel() {
        controller->show();
        QApplication::processEvents();
    }
};

TEST_F(PanelViewsTest, RowsShowTitlesKeyBadgesThenAges) {
    make();
    ResultList& list = *view().resultList();
    ASSERT_EQ(list.model()->rowCount(), 12);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "Meeting notes: ship the panel on Friday.");
    EXPECT_EQ(list.model()->index(5, 0).data().toString(), "#include <vector>") << "the title is the first line";
    EXPECT_EQ(ClipRowDelegate::badgeText(8, "1d"), "Ctrl+9");
    EXPECT_EQ(ClipRowDelegate::badgeText(9, ageLabel(model->results()[9], env.clock.now())), "2d");
    model->setFilter(ClipFilter::colors);
    EXPECT_EQ(list.model()->rowCount(), 3);
}

TEST_F(PanelViewsTest, EmptyStatesNameWhatIsMissing) {
    make(false);
    EmptyState& empty = *view().resultList()->emptyState();
    EXPECT_FALSE(empty.isHidden());
    EXPECT_EQ(empty.message(), "Copy something to get started");
    model->setQuery("  ");
    EXPECT_EQ(empty.message(), "No matches for “  ”");
    model->insertAtFront(makeClip(1, "something", env.clock.now()));
    EXPECT_TRUE(empty.isHidden()) << "spaces list everything";
    model->setQuery("zebra");
    EXPECT_FALSE(empty.isHidden());
    EXPECT_EQ(empty.message(), "No matches for “zebra”");
}

TEST_F(PanelViewsTest, PreviewShowsEachKindInItsOwnWay) {
    make();
    env.clock.advance(100);
    MetaRow& meta = *preview().metaRow();
    const struct {
        qint64 id;
        Page page;
        QString text;  // what the pane shows as text, when it shows any
        bool monospaced = false;
    } rows[] = {
        {1, Page::text, "Meeting notes: ship the panel on Friday."},
        {6, Page::text, "#include <vector>\nint main() {\n    std::vector<int> v{1, 2, 3};\n}\n", true},
        {2, Page::link, "https://www.example.org/articles?ref=panel"},
        {3, Page::image, "Image 640 × 400"},
        {4, Page::files, ""},
        {12, Page::color, "not a colour"},  // unreadable: the swatch stays empty
        {5, Page::color, "#FF9500"},
    };
    for (const auto& r : rows) {
        select(r.id);
        EXPECT_EQ(preview().page(), r.page) << r.id;
        if (!r.text.isEmpty()) EXPECT_EQ(preview().shownText(), r.text) << r.id;
        EXPECT_EQ(preview().usesMonospacedFont(), r.monospaced) << r.id;
    }
    EXPECT_EQ(preview().swatchColor(), QColor(255, 149, 0));
    EXPECT_EQ((std::tuple{meta.appName(), meta.hasAppIcon(), meta.relativeTime(), meta.size(), meta.showsPinned()}),
              (std::tuple{QString("Editor"), true, QString("2 hours ago"), QString("7 bytes"), true}));
    select(3);
    EXPECT_EQ(preview().shownImageSize(), QSize(640, 400));
    EXPECT_EQ((std::tuple{meta.appName(), meta.hasAppIcon(), meta.size(), meta.showsPinned()}),
              (std::tuple{QString("Unknown app"), false, QString("182 KB"), false}));
    select(4);
    EXPECT_EQ(preview().shownFiles(),
              (QStringList{"/home/user/report.pdf", "/home/user/holiday.png", "/home/user/src/main.cpp"}));
    select(2);
    EXPECT_EQ(preview().linkTitle(), "www.example.org");
    select(12);
    EXPECT_EQ(preview().swatchColor(), QColor(Qt::transparent));
}

TEST_F(PanelViewsTest, ImagesDecodeOffThreadAndStaleOnesStayHidden) {
    make();
    for (qint64 id : {20, 21}) {
        env.store.rows.append(makeClip(id, QStringLiteral("Image %1").arg(id), env.clock.now() - 10000 - id, ClipKind::image));
        env.store.images[id] = filled(int(id), 10);
    }
    model->reload();
    FakeTaskRunner decoder;
    decoder.hold = true;  // a decode that takes as long as the test likes
    model->decodeImagesOn(decoder);
    select(3);
    EXPECT_EQ(preview().page(), Page::imagePending);
    EXPECT_EQ(preview().shownText(), "Image 640 × 400") << "the label stands in, never an empty pane";
    EXPECT_EQ(env.store.imageCalls, 0) << "nothing read or decoded while selecting";
    select(1);
    decoder.runAll();
    EXPECT_EQ(preview().page(), Page::text) << "the selection moved on: the late image is not shown";
    select(3);
    EXPECT_EQ(preview().page(), Page::image) << "but kept for the next visit";
    select(20);
    select(21);
    decoder.runAll();
    EXPECT_EQ(preview().shownImageSize(), QSize(21, 10));
    EXPECT_EQ(env.store.imageCalls, 2) << "a decode overtaken before it started is skipped";
}

TEST_F(PanelViewsTest, PausedLabelOnlyWhileThePauseLiesAhead) {
    make();
    showPanel();
    EXPECT_TRUE(view().pausedLabel()->isHidden());
    env.prefs.setPausedUntil(env.clock.now() + 300);
    EXPECT_FALSE(view().pausedLabel()->isHidden());
    env.clock.advance(301);
    controller->hide();
    showPanel();
    EXPECT_TRUE(view().pausedLabel()->isHidden()) << "an expired pause is no pause";
}

TEST_F(PanelViewsTest, ClicksOnRowsSettingsAndFilterChips) {
    make();
    showPanel();
    std::vector<std::pair<qint64, UseMode>> used;
    int opened = 0;
    model->onActivate = [&](const ClipItem& item, UseMode mode) { used.push_back({item.id, mode}); };
    model->onOpenSettings = [&] { ++opened; };
    ResultList& list = *view().resultList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(2, 0)).center());
    EXPECT_EQ(model->selectedID(), 3);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(1, 0)).center());
    ASSERT_FALSE(used.empty());
    EXPECT_EQ(used.back(), std::make_pair(qint64(2), UseMode::paste));
    QTest::mouseClick(view().footerBar()->settingsButton(), Qt::LeftButton);
    EXPECT_EQ(opened, 1);
    // A chip filters, selects the first of its results and is the only one highlighted.
    model->setSelectedID(4);
    FilterChip* links = view().filterBar()->chips()[3];
    QTest::mouseClick(links, Qt::LeftButton);
    EXPECT_EQ(model->filter(), ClipFilter::links);
    EXPECT_EQ(model->selectedID(), 2);
    for (FilterChip* chip : view().filterBar()->chips()) EXPECT_EQ(chip->isCurrent(), chip == links);
}

TEST_F(PanelViewsTest, KeysReachTheCommandsFirstAndTheFieldOtherwise) {
    env.addTexts(120, "note");
    make(false);
    showPanel();
    QWindow* window = controller->panel().windowHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(view().searchField()->hasFocus());
    for (char c : std::string("note 1")) QTest::keyClick(window, c);
    EXPECT_EQ(model->query(), "note 1");
    // Ctrl+Backspace and Ctrl+Delete edit the query, as in every text field, and delete no item.
    QTest::keyClick(window, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(model->query(), "note ");
    QTest::keyClick(window, Qt::Key_Home);
    QTest::keyClick(window, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(model->query(), "");
    EXPECT_TRUE(env.store.deleted.isEmpty());
    QTest::keyClick(window, 'n');
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(view().searchField()->text(), "");
    EXPECT_TRUE(controller->isVisible());
    // Moving far down scrolls the list so the selected row stays in view.
    ResultList& list = *view().resultList();
    for (int i = 0; i < 6; ++i) QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(model->selectedID(), 61);
    QApplication::processEvents();
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualRect(list.model()->index(60, 0))));
    EXPECT_GT(list.verticalScrollBar()->value(), 0);
    QTest::keyClick(window, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(env.store.deleted, (QList<qint64>{61}));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(controller->isVisible()) << "Escape with an empty query hides the panel";
}

// No symbol is ever blank, whether the icon theme supplies it or not, and the tint is the colour asked.
TEST(SymbolIcons, EverySymbolDrawsInItsTint) {
    const QColor tint(200, 30, 30);
    auto ink = [&](const QPixmap& pm, int* offTint = nullptr) {
        const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 128) continue;
                ++painted;
                if (offTint && std::max({std::abs(c.red() - tint.red()), std::abs(c.green() - tint.green()),
                                         std::abs(c.blue() - tint.blue())}) > 40)
                    ++*offTint;
            }
        return painted;
    };
    const QStringList names = symbolNames() << "no.such.symbol";
    ASSERT_GE(names.size(), 31);
    for (const QString& name : names) {
        for (int size : {14, 24}) {
            int offTint = 0;
            EXPECT_GE(ink(symbolPixmap(name, size, tint), &offTint), size / 2) << name.toStdString() << size;
            EXPECT_EQ(offTint, 0) << name.toStdString();
            EXPECT_GE(ink(drawnSymbolPixmap(name, size, tint, 2.0)), size) << "drawn " << name.toStdString();
        }
        EXPECT_FALSE(symbolIcon(name).isNull()) << name.toStdString();
    }
    EXPECT_FALSE(symbolHasThemeIcon("no.such.symbol"));
    // Adwaita ships with the app; if these fall back to drawn glyphs the theme lookup is broken.
    for (const char* name : {"magnifyingglass", "gearshape", "link", "scissors", "doc"})
        EXPECT_TRUE(symbolHasThemeIcon(name)) << name;
}

}  // namespace
