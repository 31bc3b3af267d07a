#include "hotkey/HotKey.h"

#include "FakeClock.h"
#include "FakeHotKeyService.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

constexpr HotKeyCombo kDefault = HotKeyCombo::defaultCombo();
constexpr HotKeyCombo kOther{65, Qt::ControlModifier | Qt::AltModifier};

struct HotKeyTest : ::testing::Test {
    test::FakeHotKeyService service;
    test::FakeClock clock;
    std::optional<HotKeyRegistry> registry{std::in_place, service, clock};
    int runs = 0;
    bool press() { return service.press(kDefault.keycode, kDefault.modifiers); }
};

TEST_F(HotKeyTest, IdsCountUpAndAFailedAttemptStillUsesOne) {
    auto first = HotKey::create(*registry, kDefault, [] {});
    service.failNextRegistration = true;
    auto refused = HotKey::create(*registry, kOther, [] {});
    auto third = HotKey::create(*registry, kOther, [] {});
    ASSERT_TRUE(first && third);
    EXPECT_FALSE(refused);
    EXPECT_EQ(third->id(), 3u);
    EXPECT_FALSE(registry->hasAction(2));
    ASSERT_EQ(service.attempts.size(), 3u);
    EXPECT_EQ(service.attempts[1].id, 2u);
    EXPECT_EQ(service.attempts[0].modifiers, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_EQ(service.handlerInstalls, 1);
}

TEST_F(HotKeyTest, APressRunsOnceAfterTheHandlerReturns) {
    auto hotKey = HotKey::create(*registry, kDefault, [&] { ++runs; });
    ASSERT_TRUE(press());
    EXPECT_EQ(runs, 0) << "the action must not run inside the event handler";
    clock.advance(1);
    EXPECT_EQ(runs, 1);
}

// Also what the shell does on a shortcut change: the old HotKey is released once the new one holds.
TEST_F(HotKeyTest, ReleasingDropsThePendingPress) {
    auto hotKey = HotKey::create(*registry, kDefault, [&] { ++runs; });
    const auto handle = service.live.begin()->first;
    press();
    hotKey.reset();
    clock.advance(0);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(service.unregistered, (std::vector<HotKeyService::Handle>{handle}));
    EXPECT_FALSE(press());

    // An action may release its own hot key; a second queued press then does nothing.
    hotKey = HotKey::create(*registry, kDefault, [&] {
        ++runs;
        hotKey.reset();
    });
    press();
    press();
    clock.advance(0);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(service.live.empty());

    // So does a press pending when the registry goes.
    hotKey = HotKey::create(*registry, kDefault, [&] { ++runs; });
    press();
    hotKey.reset();
    registry.reset();
    clock.advance(0);
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace mendrake
