#include "StoreFixture.h"
#include "panel/Formatters.h"
#include "panel/PanelKeyCommands.h"
#include "panel/PanelViewModel.h"

#include <QKeyEvent>
#include <QSignalSpy>

using namespace mendrake;
using namespace mendrake::test;

namespace {

std::string join(const QList<ClipItem>& items) {
    QStringList out;
    for (const ClipItem& i : items) out << QString::number(i.id) + (i.pinned ? "p" : "");
    return out.join(' ').toStdString();
}

class PanelModelTest : public StoreTest {
protected:
    PanelViewModel model{*store, prefs, clock};
    // The results ("p" marks a pinned row) and the selection, in one line.
    std::string shown() const {
        return join(model.results()) + " | " + (model.selectedID() ? std::to_string(*model.selectedID()) : "none");
    }
};

TEST_F(PanelModelTest, QueryAndFilterSelectTheFirstResult) {
    const std::tuple<QString, ClipKind, QString> clips[] = {
        {"alpha beta", ClipKind::text, "Editor"},       {"beta gamma", ClipKind::richText, "Terminal"},
        {"Gamma ALPHA", ClipKind::text, "Editor"},      {"https://un.related", ClipKind::url, "Terminal"},
        {"明日の東京本社で会議", ClipKind::text, "Editor"}, {"Image 4x4", ClipKind::image, "Editor"},
        {"1 file\n/tmp/a", ClipKind::file, "Editor"},   {"#fff", ClipKind::color, "Editor"}};
    for (int i = 0; i < 8; ++i) record(textClip(get<0>(clips[i]), {}, get<1>(clips[i]), get<2>(clips[i])), i + 1);
    store->setPinned(5, true);
    model.reload();
    // A new query or filter selects its first result, whatever was selected.
    const std::tuple<QString, ClipFilter, std::string> rows[] = {
        {"   ", ClipFilter::all, "1 2 3 4 5p 6 7 8 | 1"},  // blanks are no terms
        {"GAMMA   alpha", ClipFilter::all, "3 | 3"},       // order and case of the words do not matter
        {"terminal", ClipFilter::all, "2 4 | 2"},          // the source app's name counts
        {QString::fromUtf16(u"東京\u3000会議"), ClipFilter::all, "5p | 5"},  // any Unicode space separates words
        {QString::fromUtf16(u"alpha\u00a0gamma"), ClipFilter::all, "3 | 3"},
        {QString::fromUtf16(u"\u3000\u2028"), ClipFilter::pinned, "5p | 5"},
        {"", ClipFilter::text, "1 2 3 5p | 1"}, {"", ClipFilter::links, "4 | 4"},  {"", ClipFilter::images, "6 | 6"},
        {"", ClipFilter::files, "7 | 7"},         {"", ClipFilter::colors, "8 | 8"}, {"", ClipFilter::pinned, "5p | 5"},
        {"", ClipFilter::text, "1 2 3 5p | 1"},  // the filter alone changes: 5 is listed but no longer selected
        {"beta", ClipFilter::text, "1 2 | 1"},
    };
    for (const auto& [query, filter, expected] : rows) {
        model.setSelectedID(model.results().last().id);
        model.setFilter(filter);
        model.setQuery(query);
        EXPECT_EQ(shown(), expected) << query.toStdString() << " " << rawValue(filter).toStdString();
    }
}

TEST_F(PanelModelTest, UpdatesKeepSelectionAndLimitNotifyOnChange) {
    addItems(3);
    model.reload();
    model.setFilter(ClipFilter::images);
    QSignalSpy results(&model, &PanelViewModel::resultsChanged);
    QSignalSpy selection(&model, &PanelViewModel::selectedIDChanged);
    QSignalSpy query(&model, &PanelViewModel::queryChanged);
    model.insertAtFront(record(textClip("text, not an image")));
    model.setFilter(ClipFilter::images);
    model.removeItems({});
    model.markUsed(999);
    EXPECT_EQ(results.count() + selection.count(), 0);
    model.setFilter(ClipFilter::text);
    model.setQuery("item 2");
    results.clear();
    model.setQuery("item 2");
    model.prepareForShow();  // a fresh search: no query, every kind, the first row selected
    EXPECT_EQ(std::tuple(query.count(), results.count(), model.query(), model.filter(), shown()),
              std::tuple(2, 1, "", ClipFilter::all, "4 1 2 3 | 4"));
    model.prepareForShow();
    EXPECT_EQ(model.focusToken(), 2);
    model.setSelectedID(2);
    clock.advance(5);
    store->touch(3);  // copied again
    model.insertAtFront(*store->fetch(3));
    EXPECT_EQ(shown(), "3 4 1 2 | 2");
    clock.advance(60);
    model.markUsed(2);
    EXPECT_EQ(shown(), "2 3 4 1 | 2");
    EXPECT_EQ(model.items().first().lastUsedAt, clock.now());
    model.setSelectedID(1);
    model.removeItems({2, 77});
    EXPECT_EQ(shown(), "3 4 1 | 1") << "removing other rows keeps the selection";
    model.removeItems({1});
    EXPECT_EQ(shown(), "3 4 | 3") << "the removed selection falls back to the first result";
}

TEST_F(PanelModelTest, OlderMatchesOnlyWhenTheWindowCannotAnswer) {
    addItems(PanelViewModel::windowLimit + 10);  // the newest 5000 make the window: 5001 on only the index finds
    model.reload();
    model.setQuery("ITEM 500");
    EXPECT_EQ(shown(), "500 1500 2500 3500 4500 5000 5001 5002 5003 5004 5005 5006 5007 5008 5009 | 500");
    model.setFilter(ClipFilter::links);
    EXPECT_EQ(shown(), "5007 | 5007");
    model.setFilter(ClipFilter::all);
    std::vector<std::pair<QString, std::function<void(QList<ClipItem>)>>> asked;  // query and limit, the answer
    model.searchOlder = [&](const QString& query, qint64 limit, auto answer) {
        asked.push_back({query + " " + QString::number(limit), std::move(answer)});
    };
    const std::pair<QString, QString> rows[] = {  // what the index is asked: the query as typed, the room left
        {"  ", ""},                   // no search terms
        {"item", ""},                 // the window alone fills the list
        {"Item 500", "Item 500 294"},  // the window holds 500, 1500, 2500, 3500, 4500 and 5000
    };
    for (const auto& [query, expected] : rows) {
        asked.clear();
        model.setQuery(query);
        EXPECT_EQ(asked.empty() ? "" : asked.back().first, expected) << query.toStdString();
    }
    model.setQuery("item 5001");
    asked[0].second(store->search("Item 500", 294));
    EXPECT_EQ(shown(), " | none") << "the answer to a superseded query";
    asked[1].second(store->search("item 5001", 300));
    model.togglePinSelected();
    EXPECT_EQ(std::tuple(shown(), model.items().last().id, model.items().last().pinned),
              std::tuple("5001p | 5001", 5001, true)) << "pinned, an older row joins the window";
    // New captures never grow the window beyond its limit, but the old pinned row stays.
    for (int i = 0; i < 10; ++i) model.insertAtFront(record(textClip(QString("new %1").arg(i))));
    EXPECT_EQ(std::tuple(model.items().size(), model.items().first().text, model.items().last().id),
              std::tuple(PanelViewModel::windowLimit + 1, "new 9", 5001));
    sql("DELETE FROM clips WHERE id > 5000");
    model.reload();
    asked.clear();
    model.setQuery("item 50");
    EXPECT_TRUE(asked.empty()) << "the window covers the whole history";
}

TEST_F(PanelModelTest, DeleteSelectsTheNextAndKeepsRefusedRows) {
    addItems(4);
    model.reload();
    QStringList failures;
    model.onFailure = [&](const QString& message, const QString& reason) { failures << message << reason; };
    for (auto [selected, after] : {std::pair{2, "1 3 4 | 3"}, {4, "1 3 | 3"}}) {
        model.setSelectedID(selected);
        model.deleteSelected();
        EXPECT_EQ(shown(), after);
    }
    failDeletesOf(3);
    model.deleteSelected();
    EXPECT_EQ(shown(), "1 3 | 3");
    EXPECT_EQ(failures, (QStringList{"Mendrake couldn't delete the item", "SQLite: disk I/O error"}));
    sql("DROP TRIGGER refuse_3");
    model.reload();  // selects the first row again
    model.deleteSelected();
    EXPECT_EQ(shown(), "3 | 3");
    for (int i = 0; i < 2; ++i) model.deleteSelected();  // the second finds nothing to delete
    model.togglePinSelected();
    EXPECT_EQ(std::tuple(shown(), model.totalCount(), store->count()), std::tuple(" | none", 0, 0));
}

TEST_F(PanelModelTest, PinningUpdatesStoreWindowAndResultsInPlace) {
    addItems(3);
    model.reload();
    QSignalSpy results(&model, &PanelViewModel::resultsChanged);
    model.setSelectedID(2);
    model.togglePinSelected();
    EXPECT_EQ(join(model.items()) + " / " + shown(), "1 2p 3 / 1 2p 3 | 2") << "a pinned item keeps its place";
    EXPECT_EQ(std::pair(join(store->recent(0)), results.count()), std::pair(std::string("2p"), qsizetype(1)));
    model.togglePinSelected();
    for (qint64 id : {1, 3}) store->setPinned(id, true);
    model.reload();
    model.setFilter(ClipFilter::pinned);
    model.togglePinSelected();
    EXPECT_EQ(shown() + " / " + join(store->recent(0)), "3p | 3 / 3p");
}

TEST(Formatters, RelativeTimesAndByteCounts) {
    const double now = 1'700'000'000.0;
    const std::pair<double, const char*> times[] = {
        {0, "in 0 seconds"},      {1, "1 second ago"},         {59.9, "59 seconds ago"}, {60, "1 minute ago"},
        {3599, "59 minutes ago"}, {3600, "1 hour ago"},        {86400, "1 day ago"},     {6 * 86400, "6 days ago"},
        {7 * 86400, "1 week ago"}, {70 * 86400, "2 months ago"}, {800 * 86400, "2 years ago"}, {-120, "in 2 minutes"}};
    for (auto [ago, expected] : times) EXPECT_EQ(relativeTimeString(now - ago, now), expected) << ago;
    const std::pair<qint64, const char*> sizes[] = {
        {0, "Zero KB"},    {1, "1 byte"},           {999, "999 bytes"},         {1000, "1 KB"},  {1500, "2 KB"},
        {999'500, "1 MB"}, {1'500'000, "1.5 MB"}, {1'234'567'890, "1.23 GB"}, {5'000'000'000'000, "5 TB"}};
    for (auto [bytes, expected] : sizes) EXPECT_EQ(byteCountString(bytes), expected) << bytes;
}

constexpr Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier,
                                shift = Qt::ShiftModifier, super = Qt::MetaModifier;

PanelKeyEvent key(int qtKey, Qt::KeyboardModifiers modifiers = none, bool down = true) {
    return {down, qtKey, modifiers};
}

struct KeyRow {
    std::vector<PanelKeyEvent> keys;  // pressed in turn over twelve rows, "item 1" the first
    std::string outcome;              // what they did; "field" when the last went on to the search field
    SearchFieldState field = {};
    QString query = {};
};

// Presses the row's keys on a fresh model of twelve rows and tells what changed, in one line.
std::string play(const KeyRow& row, bool withSettingsHandler = true) {
    StoreFixture env;
    env.addItems(12);
    PanelViewModel model(*env.store, env.prefs, env.clock);
    model.setQuery(row.query);
    std::string out;
    auto note = [&](const std::string& what) { out += (out.empty() ? "" : " ") + what; };
    model.onActivate = [&](const ClipItem& item, UseMode mode) {
        note(std::array{"paste", "plain", "copy"}[int(mode)] + std::to_string(item.id));
    };
    if (withSettingsHandler) model.onOpenSettings = [&] { note("settings"); };
    bool consumed = false;
    for (const PanelKeyEvent& e : row.keys)
        consumed = handlePanelKey(model, e, row.field, [&] { note("hide"); }, [&] { note("preview-copy"); });
    if (model.selectedID() && *model.selectedID() != model.results().value(0).id) note("sel" + std::to_string(*model.selectedID()));
    if (model.filter() != ClipFilter::all) note(rawValue(model.filter()).toStdString());
    if (model.query() != row.query) note("query'" + model.query().toStdString() + "'");
    for (qint64 id = 1; id <= 12; ++id)
        if (const auto row = env.store->fetch(id); !row || row->pinned)
            note((row ? "pin" : "delete") + std::to_string(id));
    if (!consumed) note("field");
    return out.empty() ? "consumed" : out;
}

TEST(PanelKeyCommands, EachKeyDoesItsCommandOrReachesTheField) {
    const KeyRow rows[] = {
        {{key(Qt::Key_Return)}, "paste1"},                   {{key(Qt::Key_Enter)}, "paste1"},
        {{key(Qt::Key_Return, alt)}, "plain1"},              {{key(Qt::Key_Return, ctrl)}, "copy1"},
        {{key(Qt::Key_5, ctrl)}, "paste5"},                  {{key(Qt::Key_9, ctrl | alt)}, "plain9"},
        {{key(Qt::Key_1, ctrl)}, "paste1"},                  {{key(Qt::Key_C, ctrl)}, "copy1"},
        {{key(Qt::Key_5, ctrl)}, "consumed", {}, "item 1"},  // four results: a digit beyond them does nothing
        {{key(Qt::Key_Down)}, "sel2"},                       {{key(Qt::Key_Down), key(Qt::Key_Up), key(Qt::Key_Up)}, "consumed"},
        {{key(Qt::Key_PageDown), key(Qt::Key_PageDown)}, "sel12"},
        {{key(Qt::Key_PageDown), key(Qt::Key_PageDown), key(Qt::Key_PageUp)}, "sel2"},
        {{key(Qt::Key_Tab)}, "Pinned"},                      {{key(Qt::Key_Backtab, shift)}, "Colors"},
        {{key(Qt::Key_Tab, shift)}, "Colors"},               {{key(Qt::Key_Backtab)}, "Colors"},
        {{key(Qt::Key_Escape)}, "query''", {}, "item 1"},    {{key(Qt::Key_Escape)}, "hide"},
        {{key(Qt::Key_W, ctrl)}, "hide"},                    {{key(Qt::Key_P, ctrl)}, "pin1"},
        {{key(Qt::Key_Delete, shift)}, "delete1"},           {{key(Qt::Key_Comma, ctrl)}, "settings"},
        {{key(Qt::Key_C, ctrl)}, "preview-copy", {false, false, true}},  // the preview's selection first
    };
    auto name = [](const PanelKeyEvent& e) { return QKeySequence(e.modifiers | Qt::Key(e.key)).toString().toStdString(); };
    for (const KeyRow& row : rows) EXPECT_EQ(play(row), row.outcome) << name(row.keys.back());
    // Text editing chords, anything with Super (the desktop's) and key releases.
    for (const PanelKeyEvent& e :
         {key(Qt::Key_Backspace, ctrl), key(Qt::Key_Delete, ctrl), key(Qt::Key_Left, ctrl), key(Qt::Key_Right, ctrl),
          key(Qt::Key_A, ctrl), key(Qt::Key_Z, ctrl), key(Qt::Key_Z, ctrl | shift), key(Qt::Key_X, ctrl), key(Qt::Key_V, ctrl),
          key(Qt::Key_Home), key(Qt::Key_End), key(Qt::Key_Left, shift), key(Qt::Key_Down, shift), key(Qt::Key_Backspace),
          key(Qt::Key_Delete), key(Qt::Key_A), key(Qt::Key_1, super), key(Qt::Key_P, super), key(Qt::Key_Return, super),
          key(Qt::Key_Backspace, super), key(Qt::Key_5, ctrl | shift), key(Qt::Key_Return, none, false)})
        EXPECT_EQ(play({{e}, ""}), "field") << name(e);
    EXPECT_EQ(play({{key(Qt::Key_Comma, ctrl)}, ""}, false), "consumed") << "Ctrl+comma without a handler";
}

TEST(PanelKeyEventTest, DigitRowByPositionAndOnlyFourModifiers) {
    const std::tuple<int, Qt::KeyboardModifiers, quint32, int, Qt::KeyboardModifiers> rows[] = {
        {Qt::Key_P, ctrl, 33, Qt::Key_P, ctrl}, {Qt::Key_1, super, 0, Qt::Key_1, super},
        {Qt::Key_Enter, alt | Qt::KeypadModifier, 104, Qt::Key_Enter, alt},
        // X keycodes 10-18 are the "1" to "9" keys whatever the layout types there (AZERTY: "&").
        {Qt::Key_Ampersand, ctrl, 10, Qt::Key_1, ctrl}, {Qt::Key_ParenLeft, ctrl, 18, Qt::Key_9, ctrl},
        {Qt::Key_Backspace, ctrl, 22, Qt::Key_Backspace, ctrl},
        // A virtual keyboard's own keymap may put any key where Escape sits on a real keyboard (9).
        {Qt::Key_Down, {}, 9, Qt::Key_Down, {}},
    };
    for (const auto& [qtKey, mods, scanCode, wantKey, wantMods] : rows) {
        const PanelKeyEvent e = PanelKeyEvent::fromQKeyEvent(QKeyEvent(QEvent::KeyPress, qtKey, mods, scanCode, 0, 0));
        EXPECT_EQ(std::tuple(e.key, e.modifiers, e.keyDown), std::tuple(wantKey, wantMods, true)) << scanCode;
    }
    EXPECT_FALSE(PanelKeyEvent::fromQKeyEvent(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier)).keyDown);
}

}  // namespace
