#include "PanelTestEnv.h"
#include "panel/Formatters.h"
#include "panel/PanelViewModel.h"

#include <QSignalSpy>
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

TEST_F(PanelModelTest, QueryMatchesEveryWordAndSelectsTheFirst) {
    env.store.rows = {makeClip(1, "alpha beta", 100, ClipKind::text, "Editor"),
                      makeClip(2, "beta gamma", 90, ClipKind::text, "Terminal"), makeClip(3, "Gamma ALPHA", 80),
                      makeClip(4, "unrelated", 70, ClipKind::text, "Terminal"), makeClip(5, "明日の東京本社で会議", 60)};
    make();
    const std::pair<QString, Ids> rows[] = {
        {"   ", {1, 2, 3, 4, 5}},  // blanks are no terms
        {"GAMMA   alpha", {3}},     // order and case of the words do not matter
        {"terminal", {2, 4}},       // the source app's name counts
        // Any Unicode whitespace separates words: ideographic space, no-break space, line separator.
        {QString::fromUtf16(u"東京\u3000会議"), {5}},
        {QString::fromUtf16(u"alpha\u00a0gamma"), {3}},
        {QString::fromUtf16(u"\u3000\u2028"), {1, 2, 3, 4, 5}},
    };
    for (const auto& [query, expected] : rows) {
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
    const std::pair<ClipFilter, Ids> rows[] = {
        {ClipFilter::all, {1, 2, 3, 4, 5, 6, 7}}, {ClipFilter::pinned, {7}}, {ClipFilter::text, {1, 2, 7}},
        {ClipFilter::links, {3}}, {ClipFilter::images, {4}}, {ClipFilter::files, {5}}, {ClipFilter::colors, {6}}};
    for (const auto& [filter, expected] : rows) {
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
    EXPECT_EQ(results.count() + selection.count(), 0);
    model->setFilter(ClipFilter::all);
    model->setQuery("item");
    results.clear();
    model->setQuery("item");
    model->prepareForShow();  // clears the query: a real change
    EXPECT_EQ(query.count(), 2);
    EXPECT_EQ(results.count(), 1);
}

TEST_F(PanelModelTest, OlderMatchesFollowTheWindowOnceAndFiltered) {
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
    std::vector<std::function<void(QList<ClipItem>)>> answers;
    model->searchOlder = [&](const QString&, qint64, std::function<void(QList<ClipItem>)> answer) {
        answers.push_back(std::move(answer));
    };
    model->setQuery("repo");
    model->setQuery("report");
    ASSERT_EQ(answers.size(), 2u);
    answers[0](env.store.searchAnswer);
    EXPECT_EQ(model->results().size(), 10) << "the answer to a superseded query";
    answers[1](env.store.searchAnswer);
    EXPECT_EQ(ids(model->results()), expected);
}

TEST_F(PanelModelTest, FallbackOnlyWhenTheWindowCannotAnswer) {
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

TEST_F(PanelModelTest, UpdatesKeepTheSelectionAndTheWindowLimit) {
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

    // New captures never grow the window beyond its limit, but an old pinned row stays.
    env.store.rows.clear();
    env.addTexts(int(PanelViewModel::windowLimit));
    env.store.rows.append(makeClip(900'000, "old pinned", env.clock.now() - 1e6, ClipKind::text, std::nullopt, true));
    model->reload();
    ASSERT_EQ(model->items().size(), PanelViewModel::windowLimit + 1);
    for (qint64 id = 1'000'000; id < 1'000'010; ++id)
        model->insertAtFront(makeClip(id, QStringLiteral("new %1").arg(id), env.clock.now() + double(id)));
    EXPECT_EQ(model->items().size(), PanelViewModel::windowLimit + 1);
    EXPECT_EQ(model->items().first().id, 1'000'009);
    EXPECT_EQ(model->items().last().id, 900'000);
}

TEST_F(PanelModelTest, PrepareForShowStartsAFreshSearch) {
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

TEST_F(PanelModelTest, DeleteSelectsTheNextAndKeepsRefusedRows) {
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
    EXPECT_EQ(env.store.deleted.size(), 5);
    EXPECT_TRUE(env.store.pinCalls.isEmpty());
}

TEST_F(PanelModelTest, PinningUpdatesStoreWindowAndResultsInPlace) {
    env.addTexts(3);
    const ClipItem old = makeClip(500, "ancient recipe", 10);
    env.store.searchAnswer = {old};
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

    // Pinning a row found beyond the window brings it into the window in date order.
    model->setFilter(ClipFilter::all);
    env.store.countOverride = 100;
    model->reload();
    env.store.rows.append(old);
    model->setQuery("recipe");
    ASSERT_EQ(model->selectedID(), 500);
    model->togglePinSelected();
    EXPECT_EQ(ids(model->items()), (Ids{1, 2, 3, 500}));
    EXPECT_TRUE(model->items().last().pinned);
    EXPECT_TRUE(model->results().first().pinned);
}

TEST_F(PanelModelTest, ImagesCachedByRowAndHashMissingAskedAgain) {
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

TEST(Formatters, RelativeTimesAndByteCounts) {
    const double now = 1'700'000'000.0;
    const std::pair<double, const char*> times[] = {
        {0, "in 0 seconds"},      {1, "1 second ago"},         {59.9, "59 seconds ago"}, {60, "1 minute ago"},
        {3599, "59 minutes ago"}, {3600, "1 hour ago"},        {86400, "1 day ago"},     {6 * 86400, "6 days ago"},
        {7 * 86400, "1 week ago"}, {70 * 86400, "2 months ago"}, {800 * 86400, "2 years ago"}, {-120, "in 2 minutes"}};
    for (auto [ago, expected] : times) EXPECT_EQ(relativeTimeString(now - ago, now), expected) << ago;
    // Decimal units, like a file size.
    const std::pair<qint64, const char*> sizes[] = {
        {0, "Zero KB"},    {1, "1 byte"},           {999, "999 bytes"},         {1000, "1 KB"},  {1500, "2 KB"},
        {999'500, "1 MB"}, {1'500'000, "1.5 MB"}, {1'234'567'890, "1.23 GB"}, {5'000'000'000'000, "5 TB"}};
    for (auto [bytes, expected] : sizes) EXPECT_EQ(byteCountString(bytes), expected) << bytes;
}

}  // namespace
