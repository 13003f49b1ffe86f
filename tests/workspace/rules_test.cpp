// The scaling and drag arithmetic, without a window.
#include <gtest/gtest.h>

#include <limits>

#include "picture/errors.h"
#include "tests/support/printers.h"
#include "workspace/drag.h"
#include "workspace/scaling.h"

namespace lanxi {
namespace {

TEST(FixedSizeTwips, ReadsPixelsAsTheUserTypesThem) {
    const struct {
        const char* text;
        std::int32_t twips;
    } cases[] = {
        {"", 0},        {"   ", 0},      {"0", 0},        {" 12 ", 180},
        {"12.5", 180},  {"13.5", 210},   {"12.4", 180},   {"-5", -75},
        {"700", 10500}, {"3000", 45000}, {"2185", 32775}, {"65535", 983025},
        {"+20", 300},   {"１２", 180},   {"-0", 0},       {"1e2", 1500},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FixedSizeTwips(QString::fromUtf8(c.text), QStringLiteral("宽")), c.twips)
            << c.text;
    }
}

TEST(FixedSizeTwips, RefusesTextThatIsNoNumberNamingTheInput) {
    for (const char* text : {"abc", "12abc", "1 2", "1,5", "0x10", "--3", "."}) {
        try {
            FixedSizeTwips(QString::fromUtf8(text), QStringLiteral("高"));
            ADD_FAILURE() << text << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::TypeMismatch) << text;
            EXPECT_TRUE(e.message().contains(QStringLiteral("高"))) << e.message();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(text).trimmed())) << e.message();
        }
    }
}

TEST(FixedSizeTwips, RefusesSizesNoFrameCanTake) {
    for (const char* text : {"65536", "-70000", "1e10", "99999999999999999999"}) {
        try {
            FixedSizeTwips(QString::fromUtf8(text), QStringLiteral("宽"));
            ADD_FAILURE() << text << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Overflow) << text;
            EXPECT_TRUE(e.message().contains(QStringLiteral("65535"))) << e.message();
        }
    }
}

TEST(ChooseSizing, AtMostOneSizingAppliesAndNegativeInputsKeepTheSize) {
    const struct {
        std::int32_t w, h;
        Sizing sizing;
    } cases[] = {
        {10500, 0, Sizing::FixedWidth},  {0, 3150, Sizing::FixedHeight},
        {3150, 4650, Sizing::FixedSize}, {0, 0, Sizing::Step},
        {-75, 0, Sizing::None},          {0, -75, Sizing::None},
        {-75, 300, Sizing::None},        {300, -75, Sizing::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseSizing(c.w, c.h), c.sizing) << c.w << " " << c.h;
    }
}

TEST(ScalingArithmetic, KeepsProportionsAtAnySize) {
    EXPECT_FLOAT_EQ(ProportionalSide(10500, 3000, 4500), 7000);
    EXPECT_FLOAT_EQ(ProportionalSide(3150, 4500, 3000), 4725);
    // Far beyond the 16-bit range of twips (2184 pixels).
    EXPECT_FLOAT_EQ(ProportionalSide(60000, 3000, 4500), 40000);
    EXPECT_FLOAT_EQ(HeightAtBaseProportions(3150, 4500, 3000), 2100);
    EXPECT_FLOAT_EQ(HeightAtBaseProportions(45000, 4500, 3000), 30000);
    EXPECT_FLOAT_EQ(HeightAtBaseProportions(32767.6f, 4500, 3000), 32768.0f * 2 / 3);
    // A base of zero (a crop of no width) cannot give a proportion.
    EXPECT_THROW(ProportionalSide(10500, 3000, 0), Error);
    EXPECT_THROW(HeightAtBaseProportions(4500, 0, 3000), Error);
}

TEST(ScalingArithmetic, StepsCompound) {
    float w = 4500;
    w = Stepped(w, kEnlargeFactor);
    EXPECT_FLOAT_EQ(w, 4950);
    w = Stepped(w, kEnlargeFactor);
    EXPECT_FLOAT_EQ(w, 5445);
    EXPECT_FLOAT_EQ(Stepped(Stepped(4500, kEnlargeFactor), kShrinkFactor), 4455);
}

TEST(SizeReadout, ShowsWholePixelsCutNeverRounded) {
    EXPECT_EQ(SizeReadout(7000), QStringLiteral("466"));
    EXPECT_EQ(SizeReadout(4500), QStringLiteral("300"));
    EXPECT_EQ(SizeReadout(14.9f), QStringLiteral("0"));
    EXPECT_EQ(SizeReadout(5989.5f), QStringLiteral("399"));
    EXPECT_EQ(SizeReadout(174285.f), QStringLiteral("11619"));
}

TEST(CropSide, MirrorsAboutTheCornerAndStopsAtTheEdge) {
    constexpr float kNoEdge = std::numeric_limits<float>::infinity();
    const struct {
        float corner, pointer, edge, side;
    } cases[] = {
        {50, 20, 300, 30},    // dragged to the left: the same size, to the right
        {10, 110, 300, 100},  // plain drag
        {40, 40, 300, 0},     // back at the press point
        {250, 420, 300, 50},  // overshoots the right edge: up to the edge
        {250, 299, 300, 49},  // the last pixel column is where the pointer is
        {280, 200, 300, 20},  // mirrored past the edge: up to the edge as well
        {320, 350, 300, 30},  // the corner lies beyond the picture: left for the clip to refuse
        {50, 5000, kNoEdge, 4950},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(CropSide(c.corner, c.pointer, c.edge), c.side)
            << c.corner << " " << c.pointer << " " << c.edge;
    }
}

TEST(PannedPosition, MovesByThePointersDistanceFromTheGrabPoint) {
    EXPECT_EQ(PannedPosition(0, 10, 40), 450);
    EXPECT_EQ(PannedPosition(450, 10, 10), 450);
    EXPECT_EQ(PannedPosition(-300, 10, 0), -450);
    // Positions are taken to whole twips, distances to whole pixels (a half to the even one).
    EXPECT_EQ(PannedPosition(7.5f, 0, 2.5f), 8 + 30);
    EXPECT_EQ(PannedPosition(0, 0, 3.5f), 60);
}

}  // namespace
}  // namespace lanxi
