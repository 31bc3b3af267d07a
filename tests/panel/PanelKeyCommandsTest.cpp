#include "PanelTestEnv.h"
#include "panel/PanelKeyCommands.h"
#include "panel/PanelViewModel.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

using K = PanelKeyEvent;
constexpr std::uint32_t cmd = K::commandFlag, opt = K::optionFlag, shift = K::shiftFlag;

PanelKeyEvent key(std::uint16_t code, std::uint32_t flags = 0, QString chars = {}) {
    PanelKeyEvent e;
    e.keyCode = code;
    e.modifierFlags = flags;
    e.characters = chars;
    return e;
}

class KeyCommandsTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    std::unique_ptr<PanelViewModel> model;
    std::vector<std::pair<qint64, UseMode>> activated;
    int hides = 0, settings = 0;

    void SetUp() override {
        env.addTexts(12);
        model = std::make_unique<PanelViewModel>(env.store, env.prefs, env.clock);
        model->onActivate = [&](const ClipItem& item, UseMode mode) { activated.push_back({item.id, mode}); };
        model->onOpenSettings = [&] { ++settings; };
    }
    bool press(const PanelKeyEvent& e, SearchFieldState field = {}) {
        return handlePanelKey(*model, e, field, [&] { ++hides; });
    }
};

TEST_F(KeyCommandsTest, ActivationKeysPickTheItemAndMode) {
    const std::vector<std::tuple<PanelKeyEvent, qint64, UseMode>> cases = {
        {key(K::returnKey), 1, UseMode::paste},          {key(K::keypadEnter), 1, UseMode::paste},
        {key(K::returnKey, opt), 1, UseMode::pastePlain}, {key(K::returnKey, cmd | opt), 1, UseMode::copyOnly},
        {key(K::digit5, cmd, "5"), 5, UseMode::paste},    {key(K::digit9, cmd | opt, "9"), 9, UseMode::pastePlain},
        {key(0x08, cmd, "c"), 1, UseMode::copyOnly},
    };
    for (const auto& [event, id, mode] : cases) {
        activated.clear();
        EXPECT_TRUE(press(event)) << event.keyCode;
        EXPECT_EQ(activated, (std::vector<std::pair<qint64, UseMode>>{{id, mode}})) << event.keyCode;
    }
    // A digit beyond the results is consumed but does nothing.
    activated.clear();
    model->setQuery("item 1");  // item 1, 10, 11, 12
    EXPECT_TRUE(press(key(K::digit5, cmd, "5")));
    EXPECT_TRUE(activated.empty());
}

TEST_F(KeyCommandsTest, NavigationKeysMoveSelectionWithinTheListAndCycleTheFilter) {
    const std::vector<std::pair<PanelKeyEvent, qint64>> steps = {
        {key(K::downArrow), 2}, {key(K::pageDown), 12}, {key(K::pageDown), 12},
        {key(K::pageUp), 2},    {key(K::upArrow), 1},   {key(K::upArrow), 1}};
    for (const auto& [event, id] : steps) {
        EXPECT_TRUE(press(event));
        EXPECT_EQ(model->selectedID(), id) << event.keyCode;
    }
    model->setSelectedID(12345);  // an id that is not listed counts as the first row
    press(key(K::downArrow));
    EXPECT_EQ(model->selectedID(), 2);
    EXPECT_TRUE(press(key(K::tab)));
    EXPECT_EQ(model->filter(), ClipFilter::pinned);
    EXPECT_TRUE(press(key(K::tab, shift)));
    EXPECT_TRUE(press(key(K::tab, shift)));
    EXPECT_EQ(model->filter(), ClipFilter::colors);
}

TEST_F(KeyCommandsTest, EscapeClearsTheQueryThenHidesAndCommandWHidesByLetterNotPosition) {
    model->setQuery("item 1");
    EXPECT_TRUE(press(key(K::escape)));
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(hides, 0);
    EXPECT_TRUE(press(key(K::escape)));
    EXPECT_EQ(hides, 1);
    // On an AZERTY keyboard "w" sits where QWERTY has "z" (position 6), and "z" at QWERTY's "w" (13).
    EXPECT_TRUE(press(key(6, cmd, "w")));
    EXPECT_EQ(hides, 2);
    EXPECT_FALSE(press(key(13, cmd, "z")));
}

TEST_F(KeyCommandsTest, CommandKeysPinDeleteAndOpenSettings) {
    EXPECT_TRUE(press(key(0x23, cmd, "p")));
    EXPECT_TRUE(model->results()[0].pinned);
    EXPECT_TRUE(press(key(K::deleteKey, cmd)));
    EXPECT_TRUE(press(key(K::forwardDelete, cmd)));
    EXPECT_EQ(env.store.deleted, (QList<qint64>{1, 2}));
    EXPECT_TRUE(press(key(0x2B, cmd, ",")));
    EXPECT_EQ(settings, 1);
    model->onOpenSettings = nullptr;
    EXPECT_TRUE(press(key(0x2B, cmd, ",")));  // consumed even without a handler
}

TEST_F(KeyCommandsTest, KeysThatGoOnToTheSearchField) {
    PanelKeyEvent keyUp = key(K::returnKey);
    keyUp.keyDown = false;
    const std::vector<std::tuple<const char*, PanelKeyEvent, SearchFieldState>> cases = {
        {"plain letter", key(0x00, 0, "a"), {}},
        {"command z", key(0x06, cmd, "z"), {}},
        {"key up", keyUp, {}},
        {"arrow while composing", key(K::downArrow), {true, false}},
        {"command c with a selection", key(0x08, cmd, "c"), {false, true}},
    };
    for (const auto& [name, event, field] : cases) EXPECT_FALSE(press(event, field)) << name;
    EXPECT_TRUE(activated.empty());
    EXPECT_EQ(model->selectedID(), 1);
    EXPECT_EQ(hides, 0);
}

// ---- translation from Qt's key events ----

TEST(PanelKeyEventTest, QtEventsBecomePositionsCharactersAndFlags) {
    // Name, Qt key, modifiers, native X keycode, text; then the position, characters and flags.
    const std::vector<std::tuple<const char*, int, Qt::KeyboardModifiers, quint32, QString, std::uint16_t, QString,
                                 std::uint32_t>>
        cases = {
        {"ctrl+p", Qt::Key_P, Qt::ControlModifier, 0, QStringLiteral("\x10"), K::unknown, "p", cmd},
        {"super+1", Qt::Key_1, Qt::MetaModifier, 0, "1", K::digit1, "1", cmd},
        {"alt+return", Qt::Key_Return, Qt::AltModifier, 0, "\r", K::returnKey, "", opt},
        {"shift+backtab", Qt::Key_Backtab, Qt::ShiftModifier, 0, "", K::tab, "", shift},
        {"ctrl+comma", Qt::Key_Comma, Qt::ControlModifier, 0, "", K::unknown, ",", cmd},
        // X keycode 10 is the "1" key whatever the layout types there (AZERTY: "&"); 22 is BackSpace.
        {"native digit", Qt::Key_Ampersand, Qt::ControlModifier, 10, "&", K::digit1, "&", cmd},
        {"native backspace", Qt::Key_Backspace, Qt::ControlModifier, 22, "", K::deleteKey, "", cmd},
        // A virtual keyboard's own keymap may put any key where Escape sits on a real keyboard (9).
        {"down at another position", Qt::Key_Down, Qt::NoModifier, 9, "", K::downArrow, "", 0},
        {"letter at another position", Qt::Key_H, Qt::NoModifier, 9, "h", K::unknown, "h", 0},
    };
    for (const auto& [name, qtKey, mods, scanCode, text, code, chars, flags] : cases) {
        const QKeyEvent event(QEvent::KeyPress, qtKey, mods, scanCode, 0, 0, text);
        const PanelKeyEvent e = PanelKeyEvent::fromQKeyEvent(event);
        EXPECT_EQ(e.keyCode, code) << name;
        EXPECT_EQ(e.characters, chars) << name;
        EXPECT_EQ(e.modifierFlags, flags) << name;
        EXPECT_TRUE(e.keyDown) << name;
    }
    EXPECT_FALSE(PanelKeyEvent::fromQKeyEvent(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier)).keyDown);
}

}  // namespace
