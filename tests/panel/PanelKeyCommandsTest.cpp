#include "PanelTestEnv.h"
#include "panel/PanelKeyCommands.h"
#include "panel/PanelViewModel.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

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

// Presses the row's keys on a fresh model and tells what changed, in one line.
std::string play(const KeyRow& row, bool withSettingsHandler = true) {
    PanelTestEnv env;
    env.addTexts(12);
    PanelViewModel model(env.store, env.prefs, env.clock);
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
    for (qint64 id : env.store.deleted) note("delete" + std::to_string(id));
    for (auto [id, pinned] : env.store.pinCalls) note((pinned ? "pin" : "unpin") + std::to_string(id));
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
        // Text editing chords, anything with Super (the desktop's) and key releases go to the field.
        {{key(Qt::Key_C, ctrl)}, "field", {false, true, true}},  // the field copies its own selection
        {{key(Qt::Key_Down)}, "field", {true, false, false}},    // an input method is composing
        {{key(Qt::Key_Backspace, ctrl)}, "field"}, {{key(Qt::Key_Delete, ctrl)}, "field"},
        {{key(Qt::Key_Left, ctrl)}, "field"},      {{key(Qt::Key_Right, ctrl)}, "field"},
        {{key(Qt::Key_A, ctrl)}, "field"},         {{key(Qt::Key_Z, ctrl)}, "field"},
        {{key(Qt::Key_Z, ctrl | shift)}, "field"}, {{key(Qt::Key_X, ctrl)}, "field"},
        {{key(Qt::Key_V, ctrl)}, "field"},         {{key(Qt::Key_Home)}, "field"},
        {{key(Qt::Key_End)}, "field"},             {{key(Qt::Key_Left, shift)}, "field"},
        {{key(Qt::Key_Down, shift)}, "field"},     {{key(Qt::Key_Backspace)}, "field"},
        {{key(Qt::Key_Delete)}, "field"},          {{key(Qt::Key_A)}, "field"},
        {{key(Qt::Key_1, super)}, "field"},        {{key(Qt::Key_P, super)}, "field"},
        {{key(Qt::Key_Return, super)}, "field"},   {{key(Qt::Key_Backspace, super)}, "field"},
        {{key(Qt::Key_5, ctrl | shift)}, "field"}, {{key(Qt::Key_Return, none, false)}, "field"},
    };
    for (const KeyRow& row : rows) {
        const PanelKeyEvent& last = row.keys.back();
        EXPECT_EQ(play(row), row.outcome) << QKeySequence(last.modifiers | Qt::Key(last.key)).toString().toStdString();
    }
    EXPECT_EQ(play({{key(Qt::Key_Comma, ctrl)}, ""}, false), "consumed") << "Ctrl+comma without a handler";
}

TEST(PanelKeyEventTest, DigitRowByPositionAndOnlyFourModifiers) {
    // Qt key, modifiers, native X keycode; then the key and modifiers the commands see.
    const std::tuple<int, Qt::KeyboardModifiers, quint32, int, Qt::KeyboardModifiers> rows[] = {
        {Qt::Key_P, ctrl, 33, Qt::Key_P, ctrl},
        {Qt::Key_1, super, 0, Qt::Key_1, super},
        {Qt::Key_Enter, alt | Qt::KeypadModifier, 104, Qt::Key_Enter, alt},
        // X keycodes 10-18 are the "1" to "9" keys whatever the layout types there (AZERTY: "&").
        {Qt::Key_Ampersand, ctrl, 10, Qt::Key_1, ctrl},
        {Qt::Key_ParenLeft, ctrl, 18, Qt::Key_9, ctrl},
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
