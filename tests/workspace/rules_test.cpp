// The scaling and drag arithmetic, without a window.
#include <gtest/gtest.h>

#include <limits>

#include "base/errors.h"
#include "tests/support/printers.h"
#include "workspace/drag.h"
#include "workspace/scaling.h"

namespace lanxi {

void PrintTo(const ResultSize& r, std::ostream* os) {
    *os << r.width << " x " << r.height << " (base " << r.baseWidth << " x " << r.baseHeight
        << (r.selectionMade ? ", a crop waits)" : ")");
}

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

// The 300 x 200 picture opened: the base, the opened and the left frame are 4500 x 3000 twips.
SizingState at(float w, float h, float baseW = 4500, float baseH = 3000) {
    return {w, h, baseW, baseH, 4500, 3000, 4500, 3000, false};
}
// A crop of it (100 x 50 pixels) waits for its first zoom; the left frame may have taken
// another size since.
SizingState afterCrop(float w, float h, float leftW = 4500, float leftH = 3000) {
    return {w, h, 100, 50, 4500, 3000, leftW, leftH, true};
}

TEST(NextResultSize, FollowsTheSizingRulesAndKeepsASideThatCannotBeSet) {
    constexpr double E = kEnlargeFactor, S = kShrinkFactor;
    const struct {
        const char* name;
        SizingState state;
        SizingInputs inputs;
        double step;
        ResultSize next;
    } cases[] = {
        {"step up", at(4500, 3000), {}, E, {4950, 3300, 4500, 3000}},
        {"steps compound", at(4950, 3300), {}, E, {5445, 3630, 4500, 3000}},
        {"step down", at(4500, 3000), {}, S, {4050, 2700, 4500, 3000}},
        {"shrink restores base proportions", at(3150, 4650), {}, S, {2835, 1890, 4500, 3000}},
        {"enlarge keeps stretched ones", at(3150, 4650), {}, E, {3465, 5115, 4500, 3000}},
        {"large stretched, shrink", at(45000, 7500), {}, S, {40500, 27000, 4500, 3000}},
        {"fixed width", at(4500, 3000), {.width = 10500}, E, {10500, 7000, 4500, 3000}},
        {"fixed width, shrink", at(5445, 3630), {.width = 10500}, S, {10500, 7000, 4500, 3000}},
        {"fixed height", at(4500, 3000), {.height = 3150}, E, {4725, 3150, 4500, 3000}},
        {"large fixed height", at(4500, 3000), {.height = 36000}, E, {54000, 36000, 4500, 3000}},
        {"both fixed stretch", at(4500, 3000), {3150, 4650}, S, {3150, 4650, 4500, 3000}},
        {"negative input", at(3150, 4650), {-75, 0}, S, {3150, 4650, 4500, 3000}},
        // The first click after a crop resets (the base is the left frame as it is now), then
        // starts from the opened size.
        {"crop", afterCrop(1500, 750), {}, E, {4950, 3300, 4500, 3000}},
        {"crop, left resized", afterCrop(1500, 750, 750, 750), {}, E, {4950, 3300, 750, 750}},
        {"crop, fixed width", afterCrop(1500, 1500), {.width = 9000}, S, {9000, 6000, 4500, 3000}},
        // A side that cannot be computed (a base of 0), or that the frame refuses (more pixels
        // than a widget can have), keeps its value, and the next step runs.
        {"zero base, fixed width", at(4500, 3000, 0, 0), {.width = 1500}, E, {1500, 3000, 0, 0}},
        {"zero base, shrink", at(3150, 4650, 0, 3000), {}, S, {2835, 4185, 0, 3000}},
        {"refused step", at(240e6f, 3000), {}, E, {240e6f, 3300, 4500, 3000}},
        {"refused restoration", at(4500, 3000, 1, 100000), {}, S, {4050, 2700, 1, 100000}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextResultSize(c.state, c.inputs, c.step), c.next) << c.name;
    }
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

TEST(KeyedCrop, StartsInTheMiddleAndMovesOrSizesWithinThePicture) {
    EXPECT_EQ(StartingCrop({1, 3}), QRect(0, 1, 1, 1));  // never empty
    const struct {
        QRect crop;
        int dx, dy;
        bool resize;
        QRect after;
    } cases[] = {
        {{290, 150, 10, 10}, 10, -160, false, {290, 0, 10, 10}},    // stops at the edges
        {{200, 100, 90, 50}, 10, 100, true, {200, 100, 100, 100}},  // grows up to them
        {{10, 10, 5, 5}, -10, -1, true, {10, 10, 1, 4}},            // at least a pixel
        {{250, 150, 200, 200}, -1, 0, false, {99, 0, 200, 200}},    // brought inside first
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyedCrop(c.crop, {300, 200}, c.dx, c.dy, c.resize), c.after) << c.crop.x();
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
