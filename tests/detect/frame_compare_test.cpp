#include "detect/frame_compare.h"
#include "tests/support/reference_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using skymra::MarkColor;
using Pixels = std::vector<std::int32_t>;
constexpr std::size_t FramePixels = 320 * 240;

std::int32_t referenceCompare(Pixels& now, const Pixels& ref, std::int32_t threshold) {
    return skymra::reference::compareFrames(now.data(), ref.data(), now.size(), threshold);
}

std::int32_t compare(Pixels& now, const Pixels& ref, std::int32_t threshold) {
    return skymra::compareFrames(now, ref, threshold);
}

TEST(CompareFramesTest, IdenticalImagesGiveBlackMapAndNoCount) {
    Pixels ref(FramePixels, 0x00336699), now = ref;
    EXPECT_EQ(compare(now, ref, 2'500'000), 0);
    EXPECT_EQ(now, Pixels(FramePixels, 0));
}

TEST(CompareFramesTest, MarkedPixelsCountOneLessThanTheirNumber) {
    Pixels ref(FramePixels, 0);
    Pixels one = ref;
    one[1234] = 0x00FF0000;
    EXPECT_EQ(compare(one, ref, 2'500'000), 0);
    EXPECT_EQ(one[1234], MarkColor);
    EXPECT_EQ(std::count(one.begin(), one.end(), MarkColor), 1);

    Pixels two = ref;
    two[0] = two[FramePixels - 1] = 0x00FF0000;
    EXPECT_EQ(compare(two, ref, 2'500'000), 1);
    EXPECT_EQ(two[0], MarkColor);
    EXPECT_EQ(two[FramePixels - 1], MarkColor);
}

TEST(CompareFramesTest, ThresholdZeroMarksEverythingButTheMostNegativeMagnitude) {
    Pixels ref(FramePixels, 0x00102030), now = ref;
    EXPECT_EQ(compare(now, ref, 0), 76'799);
    EXPECT_EQ(now, Pixels(FramePixels, MarkColor));

    Pixels wrapped{static_cast<std::int32_t>(0x80102030u), 0x00102030};
    const Pixels base{0x00102030, 0x00102030};
    EXPECT_EQ(compare(wrapped, base, 0), 0);
    EXPECT_EQ(wrapped, (Pixels{0, MarkColor}));
}

TEST(CompareFramesTest, FourthByteDifferenceOf128NeverMarks) {
    const Pixels ref{static_cast<std::int32_t>(0x80FFFFC0u), 0x00FFFFC0};
    Pixels now{0x00FFFFC0, static_cast<std::int32_t>(0x80FFFFC0u)};
    EXPECT_EQ(compare(now, ref, 1), 0);
    EXPECT_EQ(now, (Pixels{0, 0}));
    // Any other fourth-byte difference weighs 16,777,216 a level and does mark.
    Pixels other{static_cast<std::int32_t>(0xFFFFFFC0u), 0x01FFFFC0};
    EXPECT_EQ(compare(other, Pixels{0x00FFFFC0, 0x00FFFFC0}, 5'000'000), 1);
}

TEST(CompareFramesTest, GreenOrBlueAloneNeverReachAThresholdAbove65535) {
    const Pixels ref{0x00000000, 0x0000FFFF, 0x00000000, 0x000000FF};
    Pixels now{0x0000FFFF, 0x00000000, 0x000000FF, 0x00000000};
    EXPECT_EQ(compare(now, ref, 65'536), 0);
    EXPECT_EQ(now, Pixels(4, 0));
    Pixels edge{0x0000FFFF};
    EXPECT_EQ(compare(edge, Pixels{0}, 65'535), 0);
    EXPECT_EQ(edge[0], MarkColor);
}

TEST(CompareFramesTest, RedMarksFrom39LevelsAtTheDefaultThreshold) {
    Pixels now{38 << 16, 39 << 16, -(38 << 16), -(39 << 16)};
    EXPECT_EQ(compare(now, Pixels(4, 0), 2'500'000), 1);
    EXPECT_EQ(now, (Pixels{0, MarkColor, 0, MarkColor}));
}

TEST(CompareFramesTest, UnequalLengthsThrowAndTouchNothing) {
    Pixels now(5, 7);
    const Pixels ref(4, 0);
    EXPECT_THROW(compare(now, ref, 0), std::invalid_argument);
    EXPECT_EQ(now, Pixels(5, 7));
    EXPECT_EQ(skymra::compareFrames({}, {}, 0), 0);
}

TEST(AlarmRaisedTest, StrictlyAboveFiveTimesTheSliderValue) {
    EXPECT_FALSE(skymra::alarmRaised(250, 50));
    EXPECT_TRUE(skymra::alarmRaised(251, 50));
    EXPECT_FALSE(skymra::alarmRaised(0, 0));
    EXPECT_TRUE(skymra::alarmRaised(1, 0));
    EXPECT_TRUE(skymra::alarmRaised(76'799, 0));
    EXPECT_FALSE(skymra::alarmRaised(500, 100));
    EXPECT_TRUE(skymra::alarmRaised(501, 100));
    // 5 x v wraps like the signed 32-bit product it stands for.
    EXPECT_FALSE(skymra::alarmRaised(4, 858'993'460));  // 5 x v wraps to 4
    EXPECT_TRUE(skymra::alarmRaised(5, 858'993'460));
}

// Every dispatch target this machine runs must agree with the reference, byte for byte.
class TargetTest : public ::testing::TestWithParam<skymra::SimdTarget> {
  protected:
    void expectSameAsReference(const Pixels& now, const Pixels& ref, std::int32_t threshold,
                               std::size_t offset = 0) {
        Pixels expected = now;
        const std::int32_t expectedCount = referenceCompare(expected, ref, threshold);
        // Copy behind an offset so the kernel sees unaligned buffers.
        Pixels n(now.size() + offset + 1, 0x5A5A5A5A), r(ref.size() + offset + 1, 0x5A5A5A5A);
        std::copy(now.begin(), now.end(), n.begin() + static_cast<std::ptrdiff_t>(offset));
        std::copy(ref.begin(), ref.end(), r.begin() + static_cast<std::ptrdiff_t>(offset));
        const std::span<std::int32_t> ns(n.data() + offset, now.size());
        const std::span<const std::int32_t> rs(r.data() + offset, ref.size());
        EXPECT_EQ(skymra::compareFramesOn(GetParam(), ns, rs, threshold), expectedCount)
            << "length " << now.size() << " threshold " << threshold;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), ns.begin()));
        // Nothing written around the span.
        for (std::size_t i = 0; i < offset; ++i) ASSERT_EQ(n[i], 0x5A5A5A5A);
        ASSERT_EQ(n.back(), 0x5A5A5A5A);
    }
};

TEST_P(TargetTest, OverflowBoundariesAtEveryPositionAndInTheTail) {
    const std::int32_t values[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    const std::int32_t thresholds[] = {INT_MIN, -1, 0, 1, 2'500'000, INT_MAX};
    for (const std::size_t length : {std::size_t{1}, std::size_t{7}, std::size_t{37}}) {
        for (std::size_t pos = 0; pos < length; ++pos) {
            for (const std::int32_t a : values) {
                for (const std::int32_t b : values) {
                    Pixels now(length, 3), ref(length, 3);
                    now[pos] = a;
                    ref[pos] = b;
                    for (const std::int32_t t : thresholds) expectSameAsReference(now, ref, t);
                }
            }
        }
    }
}

TEST_P(TargetTest, RandomDataOfEveryShortLengthAndAFullFrameAtUnalignedOffsets) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<int> coin(0, 3);
    auto frame = [&](std::size_t length, Pixels& now, Pixels& ref) {
        now.resize(length);
        ref.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            ref[i] = any(rng);
            // Mix wild values with near misses so both sides of the threshold occur.
            const auto nudge = static_cast<std::uint32_t>(any(rng) >> 9);
            now[i] = coin(rng) == 0
                         ? any(rng)
                         : static_cast<std::int32_t>(static_cast<std::uint32_t>(ref[i]) + nudge);
        }
    };
    Pixels now, ref;
    for (std::size_t length = 0; length <= 70; ++length) {
        for (std::size_t offset = 0; offset < 4; ++offset) {
            frame(length, now, ref);
            expectSameAsReference(now, ref, 2'500'000, offset);
            expectSameAsReference(now, ref, 0, offset);
        }
    }
    for (const std::size_t offset : {0, 1, 3}) {
        frame(FramePixels, now, ref);
        for (const std::int32_t t : {0, 65'536, 2'500'000, 5'000'000, INT_MAX}) {
            expectSameAsReference(now, ref, t, offset);
        }
    }
}

TEST_P(TargetTest, AllOrNothingMarkedFullFrames) {
    Pixels ref(FramePixels, 0), now(FramePixels, 0x00FF0000);
    expectSameAsReference(now, ref, 1);
    expectSameAsReference(ref, ref, 1);
}

std::string targetLabel(const ::testing::TestParamInfo<skymra::SimdTarget>& info) {
    std::string name(skymra::targetName(info.param));
    std::erase(name, '-');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Dispatch, TargetTest, ::testing::ValuesIn(skymra::supportedTargets()),
                         targetLabel);

}  // namespace
