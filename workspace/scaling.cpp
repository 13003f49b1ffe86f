#include "workspace/scaling.h"

#include <cmath>
#include <cstdlib>

#include "picture/errors.h"
#include "picture/numbers.h"

namespace lanxi {

std::int32_t FixedSizeTwips(const QString& text, const QString& side) {
    const QString trimmed = Trim(text);
    if (trimmed.isEmpty()) {
        return 0;
    }
    double value = 0;
    try {
        value = CDbl(trimmed);
    } catch (const Error&) {
        throw Error(ErrorCode::TypeMismatch,
                    QStringLiteral("缩放为固定尺寸的%1“%2”不是数字，请输入象素数（0 为不指定）。")
                        .arg(side, trimmed));
    }
    // The first test keeps the conversion within its range; the second sees the rounding.
    if (std::fabs(value) > 2.0 * kMaxFixedPixels || std::abs(CLng(value)) > kMaxFixedPixels) {
        throw Error(ErrorCode::Overflow,
                    QStringLiteral("缩放为固定尺寸的%1“%2”太大，最多 %3 象素。")
                        .arg(side, trimmed)
                        .arg(kMaxFixedPixels));
    }
    const std::int32_t pixels = CLng(value);
    return pixels * kTwipsPerPixel;
}

Sizing ChooseSizing(std::int32_t w, std::int32_t h) {
    if (w >= 1 && h == 0) {
        return Sizing::FixedWidth;
    }
    if (w == 0 && h >= 1) {
        return Sizing::FixedHeight;
    }
    if (w >= 1 && h >= 1) {
        return Sizing::FixedSize;
    }
    if (w == 0 && h == 0) {
        return Sizing::Step;
    }
    return Sizing::None;
}

float ProportionalSide(double given, float baseOther, float baseGiven) {
    return CSng(Divide(given * double(baseOther), double(baseGiven)));
}

float Stepped(float side, double factor) {
    return CSng(double(side) * factor);
}

float HeightAtBaseProportions(float width, float baseWidth, float baseHeight) {
    return ProportionalSide(double(CLng(double(width))), baseHeight, baseWidth);
}

QString SizeReadout(float twips) {
    return Readout(float(double(twips) / kTwipsPerPixel));
}

}  // namespace lanxi
