#include "panel/Formatters.h"

#include <gtest/gtest.h>

using namespace mendrake;

namespace {

TEST(FormattersTest, RelativeTimeSpellsTheLargestWholeUnit) {
    const double now = 1'700'000'000.0;
    const std::vector<std::pair<double, const char*>> cases = {
        {0, "in 0 seconds"},        {1, "1 second ago"},       {59.9, "59 seconds ago"}, {60, "1 minute ago"},
        {3599, "59 minutes ago"},   {3600, "1 hour ago"},      {86400, "1 day ago"},     {6 * 86400, "6 days ago"},
        {7 * 86400, "1 week ago"},  {70 * 86400, "2 months ago"}, {800 * 86400, "2 years ago"}, {-120, "in 2 minutes"},
    };
    for (auto [ago, expected] : cases) EXPECT_EQ(relativeTimeString(now - ago, now), expected) << ago;
}

TEST(FormattersTest, ByteCountsUseDecimalUnitsLikeAFileSize) {
    const std::vector<std::pair<qint64, const char*>> cases = {
        {0, "Zero KB"}, {1, "1 byte"},       {999, "999 bytes"},   {1000, "1 KB"},         {1500, "2 KB"},
        {999'500, "1 MB"}, {1'500'000, "1.5 MB"}, {1'234'567'890, "1.23 GB"}, {5'000'000'000'000, "5 TB"},
    };
    for (auto [bytes, expected] : cases) EXPECT_EQ(byteCountString(bytes), expected) << bytes;
}

}  // namespace
