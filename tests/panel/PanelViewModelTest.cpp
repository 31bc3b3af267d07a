#include "PanelTestEnv.h"
#include "panel/PanelViewModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

class PanelModelTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    std::unique_ptr<PanelViewModel> model;
    void make() { model = std::make_unique<PanelViewModel>(env.store, env.prefs, env.clock); }
};

// ---- query and filter ----

TEST_F(PanelModelTest, EmptyHistoryHasNoResultsAndNoSelection) {
    make();
    model->moveSelection(1);
    model->deleteSelected();
    EXPECT_TRUE(model->results().isEmpty());
    EXPECT_FALSE(model->selectedID());
    EXPECT_EQ(model->totalCount(), 0);
}

TEST_F(PanelModelTest, QueryMatchesEveryWordAnywhereIncludingTheSourceAppName) {
    env.store.rows = {makeClip(1, "alpha beta", 100, ClipKind::text, "Editor"),
                      makeClip(2, "beta gamma", 90, ClipKind::text, "Terminal"),
                      makeClip(3, "Gamma ALPHA", 80),
                      makeClip(4, "unrelated", 70, ClipKind::text, "Terminal")};
    make();
    model->setQuery("   ");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{1, 2, 3, 4}));  // blanks are no terms
    model->setQuery("alpha gamma");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{3}));
    model->setQuery("GAMMA   Alpha");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{3}));  // order and case of the words do not matter
    model->setQuery("terminal");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{2, 4}));
    model->setQuery("editor beta");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{1}));
}

TEST_F(PanelModelTest, EachFilterAdmitsItsKinds) {
    env.store.rows = {makeClip(1, "plain", 100), makeClip(2, "rich", 99, ClipKind::richText),
                      makeClip(3, "https://a.example", 98, ClipKind::url), makeClip(4, "Image 4x4", 97, ClipKind::image),
                      makeClip(5, "1 file\n/tmp/a", 96, ClipKind::file), makeClip(6, "#fff", 95, ClipKind::color),
                      makeClip(7, "pinned plain", 94, ClipKind::text, std::nullopt, true)};
    make();
    const std::vector<std::pair<ClipFilter, QList<qint64>>> cases = {
        {ClipFilter::all, {1, 2, 3, 4, 5, 6, 7}}, {ClipFilter::pinned, {7}}, {ClipFilter::text, {1, 2, 7}},
        {ClipFilter::links, {3}}, {ClipFilter::images, {4}}, {ClipFilter::files, {5}}, {ClipFilter::colors, {6}}};
    for (const auto& [filter, expected] : cases) {
        model->setFilter(filter);
        EXPECT_EQ(ids(model->results()), expected) << rawValue(filter).toStdString();
        EXPECT_EQ(model->selectedID(), expected.first()) << "a new filter selects its first result";
    }
}

TEST_F(PanelModelTest, FilterRawValuesRoundTripAndRejectOthers) {
    for (ClipFilter f : allClipFilters()) EXPECT_EQ(clipFilterFromRaw(rawValue(f)), f);
    EXPECT_FALSE(clipFilterFromRaw("all"));
    EXPECT_FALSE(clipFilterFromRaw("Link"));
    EXPECT_FALSE(clipFilterFromRaw(""));
}

TEST_F(PanelModelTest, ChangingTheQuerySelectsTheFirstResult) {
    env.addTexts(5);
    make();
    model->setSelectedID(4);
    model->setQuery("item");
    EXPECT_EQ(model->selectedID(), 1);
    model->setSelectedID(3);
    model->setQuery("item 3");
    EXPECT_EQ(model->selectedID(), 3);
}

TEST_F(PanelModelTest, UnchangedRefreshNotifiesNobody) {
    env.addTexts(3);
    make();
    model->setFilter(ClipFilter::images);
    QSignalSpy results(model.get(), &PanelViewModel::resultsChanged);
    QSignalSpy selection(model.get(), &PanelViewModel::selectedIDChanged);
    QSignalSpy query(model.get(), &PanelViewModel::queryChanged);
    model->insertAtFront(makeClip(10, "text, not an image", 2e9));
    model->setFilter(ClipFilter::images);
    model->removeItems({});
    model->markUsed(999);
    EXPECT_EQ(results.count(), 0);
    EXPECT_EQ(selection.count(), 0);

    model->setFilter(ClipFilter::all);
    model->setQuery("item");
    results.clear();
    selection.clear();
    model->setQuery("item");
    model->prepareForShow();  // clears the query: a real change
    EXPECT_EQ(query.count(), 2);
    EXPECT_EQ(results.count(), 1);  // "item" listed 1-3 but not 10
}

TEST_F(PanelModelTest, ResultsStopAtThreeHundredWithoutAskingTheStore) {
    env.addTexts(400);
    env.store.countOverride = 10'000;  // the history is larger than the window
    make();
    model->setQuery("item");
    EXPECT_EQ(model->results().size(), 300);
    EXPECT_EQ(model->results().last().id, 300);
    EXPECT_EQ(env.store.searchCalls, 0);
}

// ---- the full-text fallback beyond the window ----

TEST_F(PanelModelTest, OlderMatchesFollowTheWindowsWithoutDuplicates) {
    env.addTexts(10, "Report");
    env.store.countOverride = 100;
    // What the index finds: 20 older rows plus three that the window already lists.
    for (int i = 0; i < 20; ++i) env.store.searchAnswer.append(makeClip(1000 + i, "old report", 500 - i));
    for (int i = 1; i <= 3; ++i) env.store.searchAnswer.append(env.store.rows[i - 1]);
    make();
    model->setQuery("REPort");
    EXPECT_EQ(env.store.lastSearchQuery, "REPort") << "the index gets the query as typed";
    EXPECT_EQ(env.store.lastSearchLimit, 290);
    QList<qint64> expected;
    for (int i = 1; i <= 10; ++i) expected.append(i);
    for (int i = 0; i < 20; ++i) expected.append(1000 + i);
    EXPECT_EQ(ids(model->results()), expected);
}

TEST_F(PanelModelTest, FallbackOnlyWithWordsAndAHistoryLargerThanTheWindow) {
    env.addTexts(5);
    make();
    model->setQuery("item");
    EXPECT_EQ(env.store.searchCalls, 0) << "the window covers the whole history";
    model->setQuery("");
    env.store.countOverride = 50;
    model->reload();
    model->setQuery("  ");
    EXPECT_EQ(env.store.searchCalls, 0) << "no search terms";
    model->setQuery("item");
    EXPECT_EQ(env.store.searchCalls, 1);
}

TEST_F(PanelModelTest, FallbackResultsHonourTheFilter) {
    env.store.countOverride = 100;
    env.store.searchAnswer = {makeClip(50, "old link", 10, ClipKind::url), makeClip(51, "old text", 9)};
    make();
    model->setFilter(ClipFilter::links);
    model->setQuery("old");
    EXPECT_EQ(ids(model->results()), (QList<qint64>{50}));
}

TEST_F(PanelModelTest, FailedCountTurnsTheFallbackOff) {
    env.addTexts(3);
    env.store.countOverride = 0;  // what the store answers when counting fails
    make();
    EXPECT_EQ(model->totalCount(), 0);
    model->setQuery("nothing");
    EXPECT_EQ(env.store.searchCalls, 0);
}

// ---- selection ----

TEST_F(PanelModelTest, MovingTheSelectionClampsAtBothEnds) {
    env.addTexts(4);
    make();
    struct Step { int step; qint64 expected; };
    for (auto [step, expected] : {Step{10, 4}, Step{1, 4}, Step{-1, 3}, Step{-10, 1}, Step{-1, 1}, Step{2, 3}}) {
        model->moveSelection(step);
        EXPECT_EQ(model->selectedID(), expected) << "step " << step;
    }
    model->setSelectedID(12345);  // an id that is not listed counts as index 0
    model->moveSelection(1);
    EXPECT_EQ(model->selectedID(), 2);
}

TEST_F(PanelModelTest, UpdatesFromTheAppKeepTheSelection) {
    env.addTexts(3);
    make();
    model->setSelectedID(2);
    ClipItem repeat = env.store.rows[2];  // row 3 copied again
    repeat.lastUsedAt = env.clock.now() + 5;
    model->insertAtFront(repeat);
    EXPECT_EQ(ids(model->items()), (QList<qint64>{3, 1, 2}));
    EXPECT_EQ(model->selectedID(), 2);

    env.clock.advance(60);
    model->markUsed(2);
    EXPECT_EQ(ids(model->items()), (QList<qint64>{2, 3, 1}));
    EXPECT_EQ(model->items().first().lastUsedAt, env.clock.now());

    model->removeItems({2, 77});
    EXPECT_EQ(ids(model->results()), (QList<qint64>{3, 1}));
    EXPECT_EQ(model->selectedID(), 3) << "the removed selection falls back to the first result";
}

TEST_F(PanelModelTest, NewCapturesNeverGrowTheWindowBeyondItsLimitButKeepOldPinnedRows) {
    env.addTexts(int(PanelViewModel::windowLimit));
    env.store.rows.append(makeClip(900'000, "old pinned", env.clock.now() - 1e6, ClipKind::text, std::nullopt, true));
    make();
    ASSERT_EQ(model->items().size(), PanelViewModel::windowLimit + 1);
    for (qint64 id = 1'000'000; id < 1'000'010; ++id)
        model->insertAtFront(makeClip(id, QStringLiteral("new %1").arg(id), env.clock.now() + double(id)));
    EXPECT_EQ(model->items().size(), PanelViewModel::windowLimit + 1);
    EXPECT_EQ(model->items().first().id, 1'000'009);
    EXPECT_EQ(model->items().last().id, 900'000) << "a pinned row stays whatever its age";
}

TEST_F(PanelModelTest, PrepareForShowResetsQueryFilterAndSelectionAndRaisesTheFocusToken) {
    env.addTexts(3);
    make();
    model->setFilter(ClipFilter::text);
    model->setQuery("item 2");
    model->setSelectedID(2);
    model->prepareForShow();
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(model->filter(), ClipFilter::all);
    EXPECT_EQ(model->selectedID(), 1);
    EXPECT_EQ(model->focusToken(), 1);
    model->prepareForShow();
    EXPECT_EQ(model->focusToken(), 2);
}

// ---- delete and pin ----

TEST_F(PanelModelTest, DeletingMovesTheSelectionIntoTheGap) {
    env.addTexts(4);
    make();
    model->setSelectedID(2);
    model->deleteSelected();
    EXPECT_EQ(model->selectedID(), 3) << "the next item moved into the deleted one's place";
    model->setSelectedID(4);
    model->deleteSelected();
    EXPECT_EQ(model->selectedID(), 3) << "deleting the last selects the new last";
    EXPECT_EQ(env.store.deleted, (QList<qint64>{2, 4}));
    EXPECT_EQ(model->totalCount(), 2);
    EXPECT_EQ(ids(model->items()), (QList<qint64>{1, 3}));
}

TEST_F(PanelModelTest, DeletingTheOnlyResultLeavesNoSelectionAndTheCountNeverGoesNegative) {
    env.addTexts(1);
    env.store.countOverride = 0;
    make();
    model->deleteSelected();
    EXPECT_TRUE(model->results().isEmpty());
    EXPECT_FALSE(model->selectedID());
    EXPECT_EQ(model->totalCount(), 0);
    model->deleteSelected();  // nothing selected: nothing asked of the store
    EXPECT_EQ(env.store.deleted.size(), 1);
}

TEST_F(PanelModelTest, PinningUpdatesStoreWindowAndResults) {
    env.addTexts(3);
    make();
    QSignalSpy results(model.get(), &PanelViewModel::resultsChanged);
    model->setSelectedID(2);
    model->togglePinSelected();
    EXPECT_EQ(env.store.pinCalls, (QList<std::pair<qint64, bool>>{{2, true}}));
    EXPECT_TRUE(model->items()[1].pinned);
    EXPECT_TRUE(model->results()[1].pinned);
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(ids(model->results()), (QList<qint64>{1, 2, 3})) << "pinned items keep their place";
    model->togglePinSelected();
    EXPECT_FALSE(model->results()[1].pinned);
}

TEST_F(PanelModelTest, UnpinningUnderThePinnedFilterDropsTheItem) {
    env.store.rows = {makeClip(1, "a", 10, ClipKind::text, std::nullopt, true),
                      makeClip(2, "b", 9, ClipKind::text, std::nullopt, true)};
    make();
    model->setFilter(ClipFilter::pinned);
    model->togglePinSelected();
    EXPECT_EQ(ids(model->results()), (QList<qint64>{2}));
    EXPECT_EQ(model->selectedID(), 2);
}

TEST_F(PanelModelTest, PinningAnOlderRowBringsItIntoTheWindowInDateOrder) {
    env.addTexts(3, "recent");
    const ClipItem old = makeClip(500, "ancient recipe", 10);
    env.store.countOverride = 100;
    env.store.searchAnswer = {old};
    make();
    env.store.rows.append(old);  // in the store, not in the window
    model->setQuery("recipe");
    ASSERT_EQ(model->selectedID(), 500);
    model->togglePinSelected();
    EXPECT_EQ(ids(model->items()), (QList<qint64>{1, 2, 3, 500}));
    EXPECT_TRUE(model->items().last().pinned);
    EXPECT_TRUE(model->results().first().pinned);
}

// ---- activation ----

TEST_F(PanelModelTest, ActivationPassesTheItemAndModeAndIgnoresWhatIsNotThere) {
    env.addTexts(3);
    make();
    std::vector<std::pair<qint64, UseMode>> calls;
    model->activateIndex(0, UseMode::paste);  // no callback yet: nothing
    model->onActivate = [&](const ClipItem& item, UseMode mode) { calls.push_back({item.id, mode}); };
    model->activateIndex(2, UseMode::pastePlain);
    model->activateIndex(3, UseMode::paste);
    model->activateIndex(-1, UseMode::paste);
    model->setSelectedID(2);
    model->activateSelected(UseMode::copyOnly);
    EXPECT_EQ(calls, (std::vector<std::pair<qint64, UseMode>>{{3, UseMode::pastePlain}, {2, UseMode::copyOnly}}));
}

// ---- images ----

TEST_F(PanelModelTest, ImagesAreDecodedOnceAndMissingOnesAreAskedAgain) {
    env.store.rows = {makeClip(1, "Image", 10, ClipKind::image), makeClip(2, "Image", 9, ClipKind::image)};
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    env.store.images[1] = red;
    make();
    EXPECT_EQ(model->imageFor(env.store.rows[0]), red);
    EXPECT_EQ(model->imageFor(env.store.rows[0]), red);
    EXPECT_EQ(env.store.imageCalls, 1);
    EXPECT_TRUE(model->imageFor(env.store.rows[1]).isNull());
    EXPECT_TRUE(model->imageFor(env.store.rows[1]).isNull());
    EXPECT_EQ(env.store.imageCalls, 3);
}

TEST_F(PanelModelTest, ImageCacheHoldsAtMostFiftyImages) {
    QImage img(2, 2, QImage::Format_RGB32);
    for (int i = 1; i <= 60; ++i) {
        env.store.rows.append(makeClip(i, "Image", 100 - i, ClipKind::image));
        env.store.images[i] = img;
    }
    make();
    for (const ClipItem& item : env.store.rows) model->imageFor(item);
    const int before = env.store.imageCalls;
    for (const ClipItem& item : env.store.rows) model->imageFor(item);
    EXPECT_GE(env.store.imageCalls - before, 10) << "at most 50 of the 60 can still be cached";
}

TEST_F(PanelModelTest, AReusedRowIdNeverShowsTheOldImage) {
    // After the history is cleared the store numbers rows from 1 again.
    env.store.rows = {makeClip(1, "Image", 10, ClipKind::image)};
    QImage red(2, 2, QImage::Format_RGB32), blue(2, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    env.store.images[1] = red;
    make();
    EXPECT_EQ(model->imageFor(env.store.rows[0]), red);
    ClipItem reused = makeClip(1, "Image", 20, ClipKind::image);
    reused.hash = "another-hash";
    env.store.rows = {reused};
    env.store.images[1] = blue;
    model->insertAtFront(reused);
    EXPECT_EQ(model->imageFor(reused), blue);
}

}  // namespace
