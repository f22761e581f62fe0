// The log's throttle: a message repeated by a broken source is shown once, then counted.
#include "app/quiet_log.h"

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

TEST(LogThrottleTest, ARepeatedMessageIsLetThroughOnceAndThenCounted) {
    qint64 now = 0;
    LogThrottle throttle([&] { return now; }, 1000);
    EXPECT_EQ(throttle.pass("Corrupt JPEG data: 12 extraneous bytes"),
              "Corrupt JPEG data: 12 extraneous bytes");
    EXPECT_EQ(throttle.pass("something else"), "something else");
    for (int i = 0; i < 24; ++i) {
        now += 40;
        EXPECT_EQ(throttle.pass(QStringLiteral("Corrupt JPEG data: %1 extraneous bytes").arg(i)),
                  std::nullopt);
    }
    now += 100;
    EXPECT_EQ(throttle.pass("Corrupt JPEG data: 7 extraneous bytes"),
              "Corrupt JPEG data: 7 extraneous bytes (and 24 more like it)");
}

}  // namespace
}  // namespace skymra::test
