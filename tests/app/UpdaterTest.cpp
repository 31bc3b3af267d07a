#include "app/Updater.h"

#include "settings/BuildInfo.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

TEST(Updater, StartsOnlyWithARealSigningKey) {
    const struct {
        const char* key;
        bool starts;
    } cases[] = {
        {"", false},
        {"REPLACE_WITH_YOUR_KEY", false},
        {"pfIShU4dEXqPd5ObYNfDBiQWcXozk7estwzTnF9BamQ=", true},
        {" REPLACE", true},  // only a leading placeholder marks an unconfigured build
    };
    for (const auto& c : cases) {
        Updater updater(QString::fromUtf8(c.key), {});
        EXPECT_EQ(updater.isStarted(), c.starts) << c.key;
    }
}

TEST(Updater, UserCheckOpensTheProjectsOwnReleasesPageOnce) {
    std::vector<QUrl> opened;
    Updater updater(QString(), [&](const QUrl& url) { opened.push_back(url); });
    updater.checkForUpdates();
    if (builtSourceAddress().isEmpty()) {
        EXPECT_TRUE(opened.empty()) << "no address of the project's own: nothing to open";
        return;
    }
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(builtSourceAddress() + "/releases"));
}

}  // namespace
}  // namespace mendrake
