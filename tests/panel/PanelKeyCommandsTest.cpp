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

PanelKeyEvent key(int qtKey, Qt::KeyboardModifiers modifiers = none) {
    PanelKeyEvent e;
    e.key = qtKey;
    e.modifiers = modifiers;
    return e;
}

class KeyCommandsTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    std::unique_ptr<PanelViewModel> model;
    std::vector<std::pair<qint64, UseMode>> activated;
    int hides = 0, settings = 0, previewCopies = 0;

    void SetUp() override {
        env.addTexts(12);
        model = std::make_unique<PanelViewModel>(env.store, env.prefs, env.clock);
        model->onActivate = [&](const ClipItem& item, UseMode mode) { activated.push_back({item.id, mode}); };
        model->onOpenSettings = [&] { ++settings; };
    }
    bool press(const PanelKeyEvent& e, SearchFieldState field = {}) {
        return handlePanelKey(*model, e, field, [&] { ++hides; }, [&] { ++previewCopies; });
    }
};

TEST_F(KeyCommandsTest, ActivationKeysPickTheItemAndMode) {
    const std::vector<std::tuple<PanelKeyEvent, qint64, UseMode>> cases = {
        {key(Qt::Key_Return), 1, UseMode::paste},           {key(Qt::Key_Enter), 1, UseMode::paste},
        {key(Qt::Key_Return, alt), 1, UseMode::pastePlain}, {key(Qt::Key_Return, ctrl), 1, UseMode::copyOnly},
        {key(Qt::Key_5, ctrl), 5, UseMode::paste},          {key(Qt::Key_9, ctrl | alt), 9, UseMode::pastePlain},
        {key(Qt::Key_C, ctrl), 1, UseMode::copyOnly},       {key(Qt::Key_1, ctrl), 1, UseMode::paste},
    };
    for (const auto& [event, id, mode] : cases) {
        activated.clear();
        EXPECT_TRUE(press(event)) << event.key;
        EXPECT_EQ(activated, (std::vector<std::pair<qint64, UseMode>>{{id, mode}})) << event.key;
    }
    // A digit beyond the results is consumed but does nothing.
    activated.clear();
    model->setQuery("item 1");  // item 1, 10, 11, 12
    EXPECT_TRUE(press(key(Qt::Key_5, ctrl)));
    EXPECT_TRUE(activated.empty());
}

TEST_F(KeyCommandsTest, NavigationStaysInTheListAndCyclesFilters) {
    const std::vector<std::pair<PanelKeyEvent, qint64>> steps = {
        {key(Qt::Key_Down), 2},  {key(Qt::Key_PageDown), 12}, {key(Qt::Key_PageDown), 12},
        {key(Qt::Key_PageUp), 2}, {key(Qt::Key_Up), 1},        {key(Qt::Key_Up), 1}};
    for (const auto& [event, id] : steps) {
        EXPECT_TRUE(press(event));
        EXPECT_EQ(model->selectedID(), id) << event.key;
    }
    model->setSelectedID(12345);  // an id that is not listed counts as the first row
    press(key(Qt::Key_Down));
    EXPECT_EQ(model->selectedID(), 2);
    EXPECT_TRUE(press(key(Qt::Key_Tab)));
    EXPECT_EQ(model->filter(), ClipFilter::pinned);
    EXPECT_TRUE(press(key(Qt::Key_Backtab, shift)));
    EXPECT_TRUE(press(key(Qt::Key_Tab, shift)));
    EXPECT_EQ(model->filter(), ClipFilter::colors);
}

TEST_F(KeyCommandsTest, EscapeClearsTheQueryThenHides) {
    model->setQuery("item 1");
    EXPECT_TRUE(press(key(Qt::Key_Escape)));
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(hides, 0);
    EXPECT_TRUE(press(key(Qt::Key_Escape)));
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(press(key(Qt::Key_W, ctrl)));
    EXPECT_EQ(hides, 2);
}

TEST_F(KeyCommandsTest, PinDeleteSettingsAndCopyPreferSelection) {
    EXPECT_TRUE(press(key(Qt::Key_P, ctrl)));
    EXPECT_TRUE(model->results()[0].pinned);
    EXPECT_TRUE(press(key(Qt::Key_Delete, shift)));
    EXPECT_EQ(env.store.deleted, (QList<qint64>{1}));
    EXPECT_TRUE(press(key(Qt::Key_Comma, ctrl)));
    EXPECT_EQ(settings, 1);
    model->onOpenSettings = nullptr;
    EXPECT_TRUE(press(key(Qt::Key_Comma, ctrl)));  // consumed even without a handler

    EXPECT_FALSE(press(key(Qt::Key_C, ctrl), {false, true, true})) << "the field copies its own selection";
    EXPECT_TRUE(press(key(Qt::Key_C, ctrl), {false, false, true}));
    EXPECT_EQ(previewCopies, 1);
    EXPECT_TRUE(activated.empty()) << "a selection in the preview is copied instead of the item";
}

TEST_F(KeyCommandsTest, EditingChordsAndSuperReachTheField) {
    PanelKeyEvent keyUp = key(Qt::Key_Return);
    keyUp.keyDown = false;
    const std::pair<PanelKeyEvent, SearchFieldState> rows[] = {
        {key(Qt::Key_Backspace, ctrl), {}}, {key(Qt::Key_Delete, ctrl), {}}, {key(Qt::Key_Left, ctrl), {}},
        {key(Qt::Key_Right, ctrl), {}},     {key(Qt::Key_A, ctrl), {}},      {key(Qt::Key_Z, ctrl), {}},
        {key(Qt::Key_Z, ctrl | shift), {}}, {key(Qt::Key_X, ctrl), {}},      {key(Qt::Key_V, ctrl), {}},
        {key(Qt::Key_Home), {}},            {key(Qt::Key_End), {}},          {key(Qt::Key_Left, shift), {}},
        {key(Qt::Key_Right, shift), {}},    {key(Qt::Key_Down, shift), {}},  {key(Qt::Key_Backspace), {}},
        {key(Qt::Key_Delete), {}},          {key(Qt::Key_A), {}},            {key(Qt::Key_Backspace, super), {}},
        {key(Qt::Key_1, super), {}},        {key(Qt::Key_P, super), {}},     {key(Qt::Key_Return, super), {}},
        {keyUp, {}},
        {key(Qt::Key_Down), {true, false, false}},    // an input method is composing
        {key(Qt::Key_C, ctrl), {false, true, false}},  // the field copies its own selection
    };
    for (const auto& [event, field] : rows) EXPECT_FALSE(press(event, field)) << event.key << " " << event.modifiers;
    EXPECT_TRUE(activated.empty());
    EXPECT_TRUE(env.store.deleted.isEmpty());
    EXPECT_FALSE(model->results()[0].pinned);
    EXPECT_EQ(model->selectedID(), 1);
    EXPECT_EQ(model->filter(), ClipFilter::all);
    EXPECT_EQ(hides + settings, 0);
}

// ---- translation from Qt's key events ----

TEST(PanelKeyEventTest, DigitRowByPositionAndOnlyFourModifiers) {
    // Name, Qt key, modifiers, native X keycode; then the key and modifiers the commands see.
    const std::vector<std::tuple<const char*, int, Qt::KeyboardModifiers, quint32, int, Qt::KeyboardModifiers>> cases = {
        {"ctrl+p", Qt::Key_P, ctrl, 33, Qt::Key_P, ctrl},
        {"super+1", Qt::Key_1, super, 0, Qt::Key_1, super},
        {"keypad enter", Qt::Key_Enter, alt | Qt::KeypadModifier, 104, Qt::Key_Enter, alt},
        // X keycode 10 is the "1" key whatever the layout types there (AZERTY: "&").
        {"digit by position", Qt::Key_Ampersand, ctrl, 10, Qt::Key_1, ctrl},
        {"last digit by position", Qt::Key_ParenLeft, ctrl, 18, Qt::Key_9, ctrl},
        {"backspace", Qt::Key_Backspace, ctrl, 22, Qt::Key_Backspace, ctrl},
        // A virtual keyboard's own keymap may put any key where Escape sits on a real keyboard (9).
        {"down where escape sits", Qt::Key_Down, {}, 9, Qt::Key_Down, {}},
    };
    for (const auto& [name, qtKey, mods, scanCode, wantKey, wantMods] : cases) {
        const QKeyEvent event(QEvent::KeyPress, qtKey, mods, scanCode, 0, 0);
        const PanelKeyEvent e = PanelKeyEvent::fromQKeyEvent(event);
        EXPECT_EQ(e.key, wantKey) << name;
        EXPECT_EQ(e.modifiers, wantMods) << name;
        EXPECT_TRUE(e.keyDown) << name;
    }
    EXPECT_FALSE(PanelKeyEvent::fromQKeyEvent(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier)).keyDown);
}

}  // namespace
