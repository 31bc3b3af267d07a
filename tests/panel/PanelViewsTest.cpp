// The panel's widgets on the offscreen platform: rows, badges, empty states, chips, preview by kind,
// the metadata line, the paused label and keys arriving through the window.
#include "FakePanelWindowSystem.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "PanelSampleHistory.h"
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

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

class PanelViewsTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    FakeWorkspace workspace;
    FakePanelWindowSystem windows;
    std::unique_ptr<AppIcons> icons;
    std::unique_ptr<PanelViewModel> model;
    std::unique_ptr<PanelController> controller;

    void make(bool sample = true) {
        if (sample) addSampleHistory(env, workspace);
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

TEST_F(PanelViewsTest, RowsFollowTheResultsWithKeyBadgesThenAges) {
    make();
    ResultList& list = *view().resultList();
    ASSERT_EQ(list.model()->rowCount(), 12);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "Meeting notes: ship the panel on Friday, review on Monday.");
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
    EXPECT_FALSE(model->results().isEmpty()) << "spaces list everything";
    EXPECT_TRUE(empty.isHidden());
    model->setQuery("zebra");
    EXPECT_FALSE(empty.isHidden());
    EXPECT_EQ(empty.message(), "No matches for “zebra”");
}

TEST_F(PanelViewsTest, PreviewShowsEachKindInItsOwnWayUnderAMetadataRow) {
    make();
    env.clock.advance(100);
    using Page = PreviewPane::Page;
    MetaRow& meta = *preview().metaRow();

    select(1);
    EXPECT_EQ(preview().page(), Page::text);
    EXPECT_EQ(preview().shownText(), env.store.rows[0].text);
    EXPECT_FALSE(preview().usesMonospacedFont());
    select(6);
    EXPECT_TRUE(preview().usesMonospacedFont()) << "code is set in the monospaced font";

    select(2);
    EXPECT_EQ(preview().page(), Page::link);
    EXPECT_EQ(preview().linkTitle(), "www.example.org");
    EXPECT_EQ(preview().shownText(), env.store.rows[1].text);

    select(3);
    EXPECT_EQ(preview().page(), Page::image);
    EXPECT_EQ(preview().shownImageSize(), QSize(640, 400));
    EXPECT_EQ(meta.appName(), "Unknown app");
    EXPECT_FALSE(meta.hasAppIcon());
    EXPECT_EQ(meta.size(), "182 KB");
    EXPECT_FALSE(meta.showsPinned());

    select(4);
    EXPECT_EQ(preview().page(), Page::files);
    EXPECT_EQ(preview().shownFiles(),
              (QStringList{"/home/user/Documents/report-final.pdf", "/home/user/Pictures/holiday.png",
                           "/home/user/Projects/mendrake/src/panel/PanelViewModel.cpp"}));

    select(5);  // from Editor, pinned, copied 7200 s before the start
    EXPECT_EQ(preview().page(), Page::color);
    EXPECT_EQ(preview().swatchColor(), QColor(255, 149, 0));
    EXPECT_EQ(meta.appName(), "Editor");
    EXPECT_TRUE(meta.hasAppIcon());
    EXPECT_EQ(meta.relativeTime(), "2 hours ago");
    EXPECT_EQ(meta.size(), "7 bytes");
    EXPECT_TRUE(meta.showsPinned());
    select(12);
    EXPECT_EQ(preview().swatchColor(), QColor(Qt::transparent)) << "an unreadable colour leaves the swatch empty";
    EXPECT_EQ(preview().shownText(), "not a colour");
}

TEST_F(PanelViewsTest, PreviewOfNothingOfAMissingImageAndOfTextsAtTheCut) {
    make(false);
    EXPECT_EQ(preview().page(), PreviewPane::Page::blank);
    EXPECT_TRUE(preview().metaRow()->isHidden()) << "an empty history shows no metadata row";

    ClipItem exact = makeClip(1, QString(2000, QLatin1Char('a')), env.clock.now());
    ClipItem longer = makeClip(2, QString(2000, QLatin1Char('b')), env.clock.now() - 1);
    longer.fullLength = 2001;
    env.store.rows = {exact, longer, makeClip(3, "Image 10 × 10", env.clock.now() - 2, ClipKind::image)};
    model->reload();
    EXPECT_FALSE(preview().metaRow()->isHidden());
    EXPECT_FALSE(preview().shownText().endsWith("…"));
    select(2);
    EXPECT_TRUE(preview().shownText().endsWith("\n…"));
    select(3);
    EXPECT_EQ(preview().page(), PreviewPane::Page::imageMissing) << "no stored image data";
    EXPECT_EQ(preview().shownText(), "Image 10 × 10");

    model->setQuery("nothing matches this");
    EXPECT_EQ(preview().page(), PreviewPane::Page::blank);
    EXPECT_TRUE(preview().metaRow()->isHidden());
}

TEST_F(PanelViewsTest, PreviewImagesDecodeOffTheMainThreadBehindTheirLabelAndStaleOnesAreNotShown) {
    make();
    for (qint64 id : {20, 21}) {
        env.store.rows.append(makeClip(id, QStringLiteral("Image %1").arg(id), env.clock.now() - 10000 - id, ClipKind::image));
        env.store.images[id] = sampleImage(int(id), 10);
    }
    model->reload();
    FakeTaskRunner decoder;
    decoder.hold = true;  // a decode that takes as long as the test likes
    model->decodeImagesOn(decoder);
    using Page = PreviewPane::Page;

    select(3);
    EXPECT_EQ(preview().page(), Page::imagePending);
    EXPECT_EQ(preview().shownText(), "Image 640 × 400") << "the label stands in, never an empty pane";
    EXPECT_EQ(env.store.imageCalls, 0) << "nothing read or decoded while selecting";
    select(1);
    decoder.runAll();
    EXPECT_EQ(preview().page(), Page::text) << "the selection moved on: the late image is not shown";
    select(3);
    EXPECT_EQ(preview().page(), Page::image) << "but kept for the next visit";
    EXPECT_EQ(preview().shownImageSize(), QSize(640, 400));

    select(20);
    select(21);
    decoder.runAll();
    EXPECT_EQ(preview().shownImageSize(), QSize(21, 10));
    EXPECT_EQ(env.store.imageCalls, 2) << "a decode overtaken before it started is skipped";
}

TEST_F(PanelViewsTest, FileListsStopAtTwentyAndLinksWithoutAHostAreCalledLink) {
    QString text = "25 files";
    for (int i = 1; i <= 25; ++i) text += QStringLiteral("\n/tmp/file-%1").arg(i);
    const QStringList paths = PreviewPane::filePathsFor(text);
    EXPECT_EQ(paths.size(), 20);
    EXPECT_EQ(paths.last(), "/tmp/file-20");
    EXPECT_EQ(PreviewPane::filePathsFor("/tmp/one\n\n/tmp/only-file"), QStringList{"/tmp/only-file"});

    const std::vector<std::pair<QString, QString>> links = {{"https://example.com/path", "example.com"},
                                                            {"  http://a.b.example:8080/x \n", "a.b.example"},
                                                            {"example.com", "Link"}, {"http://exa mple.com", "Link"}};
    for (const auto& [text, title] : links) EXPECT_EQ(PreviewPane::linkTitleFor(text), title) << text.toStdString();
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

TEST_F(PanelViewsTest, ClicksOnRowsTheSettingsButtonAndTheFilterChips) {
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
    EXPECT_EQ(env.store.count(), 120);
    QTest::keyClick(window, 'n');
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(view().searchField()->text(), "");
    EXPECT_TRUE(controller->isVisible());

    // Moving far down scrolls the list so the selected row stays in view.
    ResultList& list = *view().resultList();
    for (int i = 0; i < 6; ++i) QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(model->selectedID(), 61);
    QApplication::processEvents();
    const QRect selectedRect = list.visualRect(list.model()->index(60, 0));
    EXPECT_TRUE(list.viewport()->rect().contains(selectedRect)) << "row at " << selectedRect.y();
    EXPECT_GT(list.verticalScrollBar()->value(), 0);

    // Shift+Delete is the key that deletes the selected item.
    QTest::keyClick(window, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(env.store.deleted, (QList<qint64>{61}));

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(controller->isVisible()) << "Escape with an empty query hides the panel";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
