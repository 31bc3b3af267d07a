#include "PanelTestEnv.h"
#include "Database.h"
#include "panel/PanelViewModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

using Ids = QList<qint64>;

class PanelModelTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    std::unique_ptr<PanelViewModel> model;
    void make() { model = std::make_unique<PanelViewModel>(env.store, env.prefs, env.clock); }
};

// ---- query and filter ----

TEST_F(PanelModelTest, QueryMatchesEveryWordAnywhereAndSelectsTheFirstResult) {
    env.store.rows = {makeClip(1, "alpha beta", 100, ClipKind::text, "Editor"),
                      makeClip(2, "beta gamma", 90, ClipKind::text, "Terminal"), makeClip(3, "Gamma ALPHA", 80),
                      makeClip(4, "unrelated", 70, ClipKind::text, "Terminal"),
                      makeClip(5, "明日の東京本社で会議", 60)};
    make();
    const std::vector<std::pair<QString, Ids>> cases = {
        {"   ", {1, 2, 3, 4, 5}},  // blanks are no terms
        {"GAMMA   alpha", {3}},     // order and case of the words do not matter
        {"terminal", {2, 4}},       // the source app's name counts
        // Any Unicode whitespace separates words: ideographic space, no-break space, line separator.
        {QString::fromUtf16(u"東京\u3000会議"), {5}},
        {QString::fromUtf16(u"alpha\u00a0gamma"), {3}},
        {QString::fromUtf16(u"\u3000\u2028"), {1, 2, 3, 4, 5}},
    };
    for (const auto& [query, expected] : cases) {
        model->setSelectedID(4);
        model->setQuery(query);
        EXPECT_EQ(ids(model->results()), expected) << query.toStdString();
        EXPECT_EQ(model->selectedID(), expected.first()) << query.toStdString();
    }
}

TEST_F(PanelModelTest, EachFilterAdmitsItsKinds) {
    env.store.rows = {makeClip(1, "plain", 100), makeClip(2, "rich", 99, ClipKind::richText),
                      makeClip(3, "https://a.example", 98, ClipKind::url), makeClip(4, "Image 4x4", 97, ClipKind::image),
                      makeClip(5, "1 file\n/tmp/a", 96, ClipKind::file), makeClip(6, "#fff", 95, ClipKind::color),
                      makeClip(7, "pinned plain", 94, ClipKind::text, std::nullopt, true)};
    make();
    const std::vector<std::pair<ClipFilter, Ids>> cases = {
        {ClipFilter::all, {1, 2, 3, 4, 5, 6, 7}}, {ClipFilter::pinned, {7}}, {ClipFilter::text, {1, 2, 7}},
        {ClipFilter::links, {3}}, {ClipFilter::images, {4}}, {ClipFilter::files, {5}}, {ClipFilter::colors, {6}}};
    for (const auto& [filter, expected] : cases) {
        model->setFilter(filter);
        EXPECT_EQ(ids(model->results()), expected) << rawValue(filter).toStdString();
        EXPECT_EQ(model->selectedID(), expected.first()) << "a new filter selects its first result";
    }
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
    model->setQuery("item");
    model->prepareForShow();  // clears the query: a real change
    EXPECT_EQ(query.count(), 2);
    EXPECT_EQ(results.count(), 1);  // "item" listed 1-3 but not 10
}

// ---- the full-text fallback beyond the window ----

TEST_F(PanelModelTest, OlderMatchesFollowTheWindowsWithoutDuplicatesAndHonourTheFilter) {
    env.addTexts(10, "Report");
    env.store.countOverride = 100;
    // What the index finds: 20 older rows (one a link) plus three that the window already lists.
    for (int i = 0; i < 20; ++i)
        env.store.searchAnswer.append(makeClip(1000 + i, "old report", 500 - i, i == 7 ? ClipKind::url : ClipKind::text));
    for (int i = 1; i <= 3; ++i) env.store.searchAnswer.append(env.store.rows[i - 1]);
    make();
    model->setQuery("REPort");
    EXPECT_EQ(env.store.lastSearchQuery, "REPort") << "the index gets the query as typed";
    EXPECT_EQ(env.store.lastSearchLimit, 290);
    Ids expected;
    for (int i = 1; i <= 10; ++i) expected.append(i);
    for (int i = 0; i < 20; ++i) expected.append(1000 + i);
    EXPECT_EQ(ids(model->results()), expected);
    model->setFilter(ClipFilter::links);
    EXPECT_EQ(ids(model->results()), Ids{1007});

    // Searched in the background: the window's matches show at once, the older ones when the
    // answer comes, and an answer to a query typed over is dropped.
    model->setFilter(ClipFilter::all);
    std::vector<std::pair<QString, std::function<void(QList<ClipItem>)>>> asked;
    model->searchOlder = [&](const QString& query, qint64, std::function<void(QList<ClipItem>)> answer) {
        asked.emplace_back(query, std::move(answer));
    };
    model->setQuery("repo");
    model->setQuery("report");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(model->results().size(), 10);
    asked[0].second(env.store.searchAnswer);
    EXPECT_EQ(model->results().size(), 10) << "the answer to a superseded query";
    asked[1].second(env.store.searchAnswer);
    EXPECT_EQ(ids(model->results()), expected);
}

TEST_F(PanelModelTest, FallbackOnlyWithWordsAHistoryLargerThanTheWindowAndRoomInTheList) {
    env.addTexts(400);
    env.store.countOverride = 0;  // what the store answers when counting fails
    make();
    EXPECT_EQ(model->totalCount(), 0);
    model->setQuery("item 1");
    EXPECT_EQ(env.store.searchCalls, 0) << "a failed count turns the fallback off";
    env.store.countOverride.reset();
    model->reload();
    model->setQuery("item 2");
    EXPECT_EQ(env.store.searchCalls, 0) << "the window covers the whole history";

    model->setQuery("");
    env.store.countOverride = 10'000;
    model->reload();
    model->setQuery("  ");
    EXPECT_EQ(env.store.searchCalls, 0) << "no search terms";
    model->setQuery("item");
    EXPECT_EQ(model->results().size(), 300);
    EXPECT_EQ(model->results().last().id, 300);
    EXPECT_EQ(env.store.searchCalls, 0) << "the window alone fills the list";
    model->setQuery("item 1");  // 1, 10-19, 100-199
    EXPECT_EQ(env.store.searchCalls, 1);
}

// ---- selection and updates ----

TEST_F(PanelModelTest, UpdatesFromTheAppKeepTheSelection) {
    env.addTexts(3);
    make();
    model->setSelectedID(2);
    ClipItem repeat = env.store.rows[2];  // row 3 copied again
    repeat.lastUsedAt = env.clock.now() + 5;
    model->insertAtFront(repeat);
    EXPECT_EQ(ids(model->items()), (Ids{3, 1, 2}));
    EXPECT_EQ(model->selectedID(), 2);

    env.clock.advance(60);
    model->markUsed(2);
    EXPECT_EQ(ids(model->items()), (Ids{2, 3, 1}));
    EXPECT_EQ(model->items().first().lastUsedAt, env.clock.now());

    model->removeItems({2, 77});
    EXPECT_EQ(ids(model->results()), (Ids{3, 1}));
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
    model->prepareForShow();
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(model->filter(), ClipFilter::all);
    EXPECT_EQ(model->selectedID(), 1);
    model->prepareForShow();
    EXPECT_EQ(model->focusToken(), 2);
}

// ---- delete and pin ----

TEST_F(PanelModelTest, DeletingMovesTheSelectionIntoTheGapUntilNothingIsLeft) {
    env.addTexts(4);
    make();
    model->setSelectedID(2);
    model->deleteSelected();
    EXPECT_EQ(model->selectedID(), 3) << "the next item moved into the deleted one's place";
    model->setSelectedID(4);
    model->deleteSelected();
    EXPECT_EQ(model->selectedID(), 3) << "deleting the last selects the new last";
    EXPECT_EQ(env.store.deleted, (Ids{2, 4}));
    EXPECT_EQ(model->totalCount(), 2);
    EXPECT_EQ(ids(model->items()), (Ids{1, 3}));

    // A delete the store refuses (a read-only database) keeps the row listed and says why.
    QStringList failures;
    model->onFailure = [&](const QString& message, const QString& reason) { failures << message << reason; };
    env.store.deleteError = StoreError::sqlite("attempt to write a readonly database");
    model->deleteSelected();
    EXPECT_EQ(ids(model->results()), (Ids{1, 3}));
    EXPECT_EQ(model->selectedID(), 3);
    EXPECT_EQ(failures, (QStringList{"Mendrake couldn't delete the item", "SQLite: attempt to write a readonly database"}));
    env.store.deleteError.reset();
    env.store.deleted.removeLast();

    env.store.countOverride = 0;
    model->reload();
    model->deleteSelected();
    model->deleteSelected();
    EXPECT_TRUE(model->results().isEmpty());
    EXPECT_FALSE(model->selectedID());
    EXPECT_EQ(model->totalCount(), 0) << "the count never goes negative";
    // With nothing listed the commands ask nothing of the store.
    model->moveSelection(1);
    model->deleteSelected();
    model->togglePinSelected();
    EXPECT_EQ(env.store.deleted.size(), 4);
    EXPECT_TRUE(env.store.pinCalls.isEmpty());
}

TEST_F(PanelModelTest, PinningUpdatesStoreWindowAndResultsInPlace) {
    env.addTexts(3);
    make();
    QSignalSpy results(model.get(), &PanelViewModel::resultsChanged);
    model->setSelectedID(2);
    model->togglePinSelected();
    EXPECT_EQ(env.store.pinCalls, (QList<std::pair<qint64, bool>>{{2, true}}));
    EXPECT_TRUE(model->items()[1].pinned);
    EXPECT_TRUE(model->results()[1].pinned);
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(ids(model->results()), (Ids{1, 2, 3})) << "pinned items keep their place";
    model->togglePinSelected();
    EXPECT_FALSE(model->results()[1].pinned);

    // Unpinning under the Pinned filter drops the item and selects the next pinned one.
    env.store.rows[0].pinned = env.store.rows[2].pinned = true;
    model->reload();
    model->setFilter(ClipFilter::pinned);
    model->togglePinSelected();
    EXPECT_EQ(ids(model->results()), Ids{3});
    EXPECT_EQ(model->selectedID(), 3);
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
    EXPECT_EQ(ids(model->items()), (Ids{1, 2, 3, 500}));
    EXPECT_TRUE(model->items().last().pinned);
    EXPECT_TRUE(model->results().first().pinned);
}

// ---- images ----

TEST_F(PanelModelTest, ImagesAreCachedByRowAndHashAndMissingOnesAreAskedAgain) {
    QImage red(2, 2, QImage::Format_RGB32), blue(2, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    env.store.rows = {makeClip(1, "Image", 10, ClipKind::image), makeClip(2, "Image", 9, ClipKind::image)};
    env.store.images[1] = red;
    make();
    EXPECT_EQ(model->imageFor(env.store.rows[0]).image, red);
    EXPECT_EQ(model->imageFor(env.store.rows[0]).image, red);
    EXPECT_EQ(env.store.imageCalls, 1);
    EXPECT_TRUE(model->imageFor(env.store.rows[1]).image.isNull());
    EXPECT_TRUE(model->imageFor(env.store.rows[1]).image.isNull());
    EXPECT_EQ(env.store.imageCalls, 3);

    // After the history is cleared the store numbers rows from 1 again: never the old image.
    ClipItem reused = makeClip(1, "Image", 20, ClipKind::image);
    reused.hash = "another-hash";
    env.store.rows = {reused};
    env.store.images[1] = blue;
    model->insertAtFront(reused);
    EXPECT_EQ(model->imageFor(reused).image, blue);
}

// ---- over a real SQLite history ----

TEST_F(PanelModelTest, SearchBeyondTheWindowOfARealStoreAppendsOlderRowsFromTheIndex) {
    QTemporaryDir dir;
    auto opened = HistoryStore::open(env.clock, dir.path());
    ASSERT_TRUE(opened.ok()) << opened.error().message.toStdString();
    HistoryStore& store = *opened.value();
    auto record = [&](const QString& text) {
        env.clock.advance(1);
        CapturedClip clip;
        clip.kind = ClipKind::text;
        clip.text = text;
        clip.hash = contentHash("text", text.toUtf8());
        clip.byteSize = text.toUtf8().size();
        auto item = store.record(clip);
        return item.ok() ? item->id : -1;
    };
    // 30 old rows mention "needle", then 5000 newer rows of which 10 do: the window holds only the
    // newer ones, so the index supplies the 30 older matches after the 10 in memory.
    Ids older, newer;
    ASSERT_FALSE(connectionOf(store).exec("BEGIN").has_value());
    for (int i = 0; i < 30; ++i) older.prepend(record(QStringLiteral("old needle %1").arg(i)));
    for (int i = 0; i < 5000; ++i) {
        const bool match = i % 500 == 0;
        const qint64 id = record(match ? QStringLiteral("new Needle %1").arg(i) : QStringLiteral("filler text %1").arg(i));
        if (match) newer.prepend(id);
    }
    ASSERT_FALSE(connectionOf(store).exec("COMMIT").has_value());

    PanelViewModel real(store, env.prefs, env.clock);
    EXPECT_EQ(real.items().size(), 5000);
    EXPECT_EQ(real.totalCount(), 5030);
    real.setQuery("needle");
    EXPECT_EQ(ids(real.results()), newer + older);

    // Pinning an old row from the fallback keeps it in the window from then on.
    real.setSelectedID(older.first());
    real.togglePinSelected();
    real.reload();
    EXPECT_EQ(real.items().size(), 5001);
    EXPECT_TRUE(real.items().last().pinned);
}

}  // namespace
