#include "hotkey/HotKey.h"

#include "FakeClock.h"
#include "FakeHotKeyService.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeClock;
using test::FakeHotKeyService;

constexpr HotKeyCombo kDefault = HotKeyCombo::defaultCombo();
constexpr HotKeyCombo kOther{65, Qt::ControlModifier | Qt::AltModifier};

struct HotKeyTest : ::testing::Test {
    FakeHotKeyService service;
    FakeClock clock;
    HotKeyRegistry registry{service, clock};
};

TEST_F(HotKeyTest, IdsCountUpAndAFailedAttemptStillUsesOne) {
    auto first = HotKey::create(registry, kDefault, [] {});
    service.failNextRegistration = true;
    auto refused = HotKey::create(registry, kOther, [] {});
    auto third = HotKey::create(registry, kOther, [] {});

    ASSERT_TRUE(first && third);
    EXPECT_FALSE(refused);
    EXPECT_EQ(third->id(), 3u);
    EXPECT_FALSE(registry.hasAction(2));
    ASSERT_EQ(service.attempts.size(), 3u);
    EXPECT_EQ(service.attempts[1].id, 2u);
    EXPECT_EQ(service.attempts[0].modifiers, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_EQ(service.handlerInstalls, 1);
}

TEST_F(HotKeyTest, APressRunsTheActionOnceAfterTheHandlerReturns) {
    int runs = 0;
    auto hotKey = HotKey::create(registry, kDefault, [&] { ++runs; });
    ASSERT_TRUE(service.press(kDefault.keycode, kDefault.modifiers));
    EXPECT_EQ(runs, 0) << "the action must not run inside the event handler";
    clock.advance(0);
    EXPECT_EQ(runs, 1);
    clock.advance(1);
    EXPECT_EQ(runs, 1);
}

// Also what the shell does on a shortcut change: the old HotKey is released once the new one holds.
TEST_F(HotKeyTest, DestroyingUnregistersAndDropsAPendingPress) {
    int runs = 0;
    auto hotKey = HotKey::create(registry, kDefault, [&] { ++runs; });
    const auto handle = service.live.begin()->first;
    service.press(kDefault.keycode, kDefault.modifiers);
    hotKey.reset();
    clock.advance(0);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(service.live.empty());
    EXPECT_EQ(service.unregistered, (std::vector<HotKeyService::Handle>{handle}));
    EXPECT_FALSE(service.press(kDefault.keycode, kDefault.modifiers));
}

TEST_F(HotKeyTest, AnActionMayReleaseItsOwnHotKey) {
    std::unique_ptr<HotKey> hotKey;
    int runs = 0;
    hotKey = HotKey::create(registry, kDefault, [&] {
        ++runs;
        hotKey.reset();
    });
    service.press(kDefault.keycode, kDefault.modifiers);
    service.press(kDefault.keycode, kDefault.modifiers);
    clock.advance(0);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(service.live.empty());
}

TEST(HotKeyRegistryLifetime, APressPendingWhenTheRegistryGoesDoesNothing) {
    FakeHotKeyService service;
    FakeClock clock;
    int runs = 0;
    {
        HotKeyRegistry registry(service, clock);
        auto hotKey = HotKey::create(registry, kDefault, [&] { ++runs; });
        service.press(kDefault.keycode, kDefault.modifiers);
    }
    clock.advance(0);
    EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace mendrake
