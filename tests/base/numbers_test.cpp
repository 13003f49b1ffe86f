#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include <cfloat>

#include "base/errors.h"
#include "base/numbers.h"
#include "tests/support/printers.h"

namespace lanxi {
namespace {

ErrorCode codeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.code();
    }
    return ErrorCode{};
}

TEST(WholeNumber, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(CLng(12.5), 12);
    EXPECT_EQ(CLng(13.5), 14);
    EXPECT_EQ(CLng(-12.5), -12);
    EXPECT_EQ(CLng(-13.5), -14);
    EXPECT_EQ(CLng(12.4999), 12);
    EXPECT_EQ(CLng(12.5001), 13);
}

TEST(WholeNumber, OverflowsOutsideItsWidth) {
    EXPECT_EQ(CLng(2147483647.0), 2147483647);
    EXPECT_EQ(CLng(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(codeOf([] { CLng(2147483647.5); }), ErrorCode::Overflow);  // rounds to 2^31
    EXPECT_EQ(codeOf([] { CLng(-2147483648.6); }), ErrorCode::Overflow);
    EXPECT_EQ(codeOf([] { CLng(std::nan("")); }), ErrorCode::Overflow);
}

TEST(TypedNumber, AcceptsWhatAUserTypesForANumber) {
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral(" 12 ")), 12);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("-5")), -5);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("+7")), 7);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("1e3")), 1000);
    // Full-width digits of a Chinese input method.
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("７００")), 700);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("466.67")), 466.67);
}

TEST(TypedNumber, RefusesTextThatIsNotANumber) {
    for (const char* text : {"", "   ", "abc", "12abc", "1,000", "12 3", "--1", "1e", "0x10"}) {
        EXPECT_EQ(codeOf([&] { CDbl(QString::fromUtf8(text)); }), ErrorCode::TypeMismatch) << text;
    }
    EXPECT_EQ(codeOf([] { CDbl(QStringLiteral("1e999")); }), ErrorCode::Overflow);
}

TEST(Readout, ShowsTheWholePartWithoutRounding) {
    EXPECT_EQ(Readout(7000.0f / 15.0f), QStringLiteral("466"));
    EXPECT_EQ(Readout(4500.0f / 15.0f), QStringLiteral("300"));
    EXPECT_EQ(Readout(5445.0f / 15.0f), QStringLiteral("363"));
    EXPECT_EQ(Readout(0.0f), QStringLiteral("0"));
    EXPECT_EQ(Readout(0.75f), QStringLiteral("0"));
    EXPECT_EQ(Readout(100.0f), QStringLiteral("100"));
    // A float a hair under a whole number shows that number, as its seven digits do.
    EXPECT_EQ(Readout(269.99999f), QStringLiteral("270"));
    EXPECT_EQ(ReadoutValue(269.99999f), 270);
    EXPECT_EQ(ReadoutValue(466.6667f), 466);
    EXPECT_EQ(NumberText(1.5e7f), QStringLiteral("1.5E+07"));
}

TEST(Arithmetic, DivisionByZeroFailsLikeTheWindowCodeExpects) {
    EXPECT_DOUBLE_EQ(Divide(3000.0 * 10500, 4500), 7000);
    EXPECT_EQ(codeOf([] { Divide(5, 0); }), ErrorCode::DivisionByZero);
    EXPECT_EQ(codeOf([] { Divide(0, 0); }), ErrorCode::Overflow);
    EXPECT_EQ(codeOf([] { CSng(double(FLT_MAX) * 2); }), ErrorCode::Overflow);
}

TEST(Trim, RemovesOnlyBlanksAtTheEnds) {
    EXPECT_EQ(Trim(QStringLiteral("  12 ")), QStringLiteral("12"));
    EXPECT_EQ(Trim(QStringLiteral(" 1 2 ")), QStringLiteral("1 2"));
    EXPECT_EQ(Trim(QStringLiteral("   ")), QString());
}

TEST(ResumeNext, SkipsAFailingStepAndEntersAFailingTest) {
    ResumeNext guard;
    int ran = 0;
    guard([&] { throw Error(ErrorCode::Overflow, QString()); });
    guard([&] { ++ran; });
    EXPECT_TRUE(guard.test([]() -> bool { throw Error(ErrorCode::TypeMismatch, QString()); }));
    EXPECT_FALSE(guard.test([] { return false; }));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(guard.failed());
    // Only our own errors are a step's failure: running out of memory or a fault in the
    // program is not passed over in silence.
    EXPECT_THROW(guard([] { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_THROW(guard.test([]() -> bool { throw std::logic_error("fault"); }), std::logic_error);
}

}  // namespace
}  // namespace lanxi
