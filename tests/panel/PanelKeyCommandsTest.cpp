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
    struct Case { PanelKeyEvent event; qint64 id; UseMode mode; };
    const std::vector<Case> cases = {
        {key(K::returnKey), 1, UseMode::paste},
        {key(K::keypadEnter), 1, UseMode::paste},
        {key(K::returnKey, opt), 1, UseMode::pastePlain},
        {key(K::returnKey, cmd), 1, UseMode::copyOnly},
        {key(K::returnKey, cmd | opt), 1, UseMode::copyOnly},
        {key(K::digit1, cmd, "1"), 1, UseMode::paste},
        {key(K::digit5, cmd, "5"), 5, UseMode::paste},
        {key(K::digit9, cmd | opt, "9"), 9, UseMode::pastePlain},
        {key(0x08, cmd, "c"), 1, UseMode::copyOnly},
    };
    for (const Case& c : cases) {
        activated.clear();
        EXPECT_TRUE(press(c.event)) << c.event.keyCode;
        ASSERT_EQ(activated.size(), 1u) << c.event.keyCode;
        EXPECT_EQ(activated[0], std::make_pair(c.id, c.mode)) << c.event.keyCode;
    }
}

TEST_F(KeyCommandsTest, NavigationKeysMoveSelectionAndFilter) {
    EXPECT_TRUE(press(key(K::downArrow)));
    EXPECT_EQ(model->selectedID(), 2);
    EXPECT_TRUE(press(key(K::pageDown)));
    EXPECT_EQ(model->selectedID(), 12);
    EXPECT_TRUE(press(key(K::pageUp)));
    EXPECT_EQ(model->selectedID(), 2);
    EXPECT_TRUE(press(key(K::upArrow)));
    EXPECT_EQ(model->selectedID(), 1);
    EXPECT_TRUE(press(key(K::tab)));
    EXPECT_EQ(model->filter(), ClipFilter::pinned);
    EXPECT_TRUE(press(key(K::tab, shift)));
    EXPECT_TRUE(press(key(K::tab, shift)));
    EXPECT_EQ(model->filter(), ClipFilter::colors);
}

TEST_F(KeyCommandsTest, EscapeClearsTheQueryThenHides) {
    model->setQuery("item 1");
    EXPECT_TRUE(press(key(K::escape)));
    EXPECT_EQ(model->query(), "");
    EXPECT_EQ(hides, 0);
    EXPECT_TRUE(press(key(K::escape)));
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(press(key(0x0D, cmd, "w")));
    EXPECT_EQ(hides, 2);
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

TEST_F(KeyCommandsTest, LettersFollowTheLayoutNotThePosition) {
    // On an AZERTY keyboard "p" is still at the P position, but "w" sits where QWERTY has "z".
    EXPECT_TRUE(press(key(6 /* QWERTY z position */, cmd, "w")));
    EXPECT_EQ(hides, 1);
    EXPECT_FALSE(press(key(13 /* QWERTY w position */, cmd, "z")));
}

TEST_F(KeyCommandsTest, CommandDigitBeyondTheResultsIsConsumedButDoesNothing) {
    model->setQuery("item 1");  // item 1, 10, 11, 12
    ASSERT_EQ(model->results().size(), 4);
    EXPECT_TRUE(press(key(K::digit5, cmd, "5")));
    EXPECT_TRUE(activated.empty());
}

TEST_F(KeyCommandsTest, KeysThatGoOnToTheSearchField) {
    struct Case { const char* name; PanelKeyEvent event; SearchFieldState field; };
    PanelKeyEvent keyUp = key(K::returnKey);
    keyUp.keyDown = false;
    const std::vector<Case> cases = {
        {"plain letter", key(0x00, 0, "a"), {}},
        {"shifted digit", key(K::digit1, shift, "1"), {}},
        {"delete without command", key(K::deleteKey), {}},
        {"command z", key(0x06, cmd, "z"), {}},
        {"command a", key(0x00, cmd, "a"), {}},
        {"command tab", key(K::tab, cmd), {}},
        {"command escape", key(K::escape, cmd), {}},
        {"key up", keyUp, {}},
        {"return while composing", key(K::returnKey), {true, false}},
        {"arrow while composing", key(K::downArrow), {true, false}},
        {"command c with a selection", key(0x08, cmd, "c"), {false, true}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(press(c.event, c.field)) << c.name;
    }
    EXPECT_TRUE(activated.empty());
    EXPECT_EQ(model->selectedID(), 1);
    EXPECT_EQ(hides, 0);
}

// ---- translation from Qt's key events ----

TEST(PanelKeyEventTest, QtEventsBecomePositionsCharactersAndFlags) {
    struct Case {
        const char* name;
        int qtKey;
        Qt::KeyboardModifiers mods;
        quint32 nativeScanCode;
        QString text;
        std::uint16_t code;
        QString chars;
        std::uint32_t flags;
    };
    const std::vector<Case> cases = {
        {"ctrl+p", Qt::Key_P, Qt::ControlModifier, 0, QStringLiteral("\x10"), K::unknown, "p", cmd},
        {"super+1", Qt::Key_1, Qt::MetaModifier, 0, "1", K::digit1, "1", cmd},
        {"alt+return", Qt::Key_Return, Qt::AltModifier, 0, "\r", K::returnKey, "", opt},
        {"shift+backtab", Qt::Key_Backtab, Qt::ShiftModifier, 0, "", K::tab, "", shift},
        {"ctrl+comma", Qt::Key_Comma, Qt::ControlModifier, 0, "", K::unknown, ",", cmd},
        {"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, 0, "", K::keypadEnter, "", 0},
        // X keycode 10 is the "1" key whatever the layout types there (AZERTY: "&").
        {"native digit", Qt::Key_Ampersand, Qt::ControlModifier, 10, "&", K::digit1, "&", cmd},
        // X keycode 22 is BackSpace.
        {"native backspace", Qt::Key_Backspace, Qt::ControlModifier, 22, "", K::deleteKey, "", cmd},
    };
    for (const Case& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.qtKey, c.mods, c.nativeScanCode, 0, 0, c.text);
        const PanelKeyEvent e = PanelKeyEvent::fromQKeyEvent(event);
        EXPECT_EQ(e.keyCode, c.code) << c.name;
        EXPECT_EQ(e.characters, c.chars) << c.name;
        EXPECT_EQ(e.modifierFlags, c.flags) << c.name;
        EXPECT_TRUE(e.keyDown) << c.name;
    }
    EXPECT_FALSE(PanelKeyEvent::fromQKeyEvent(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier)).keyDown);
}

}  // namespace
