#include "workspace/scaling.h"

#include <cmath>
#include <cstdlib>

#include "base/errors.h"
#include "base/numbers.h"

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

namespace {

// One guarded step: the side takes the value unless computing it fails or the result frame,
// which sits in a twips container, refuses it.
template <class F>
void setSide(float& side, F&& value) {
    ResumeNext guard;
    guard([&] {
        const float v = value();
        if (FrameTakesSize(v, kTwipsPerPixel)) {
            side = v;
        }
    });
}

}  // namespace

ResultSize ResetResultSize(const SizingState& state) {
    ResultSize r{state.width, state.height, state.leftWidth, state.leftHeight, state.selectionMade};
    setSide(r.height, [&] { return state.leftHeight; });
    setSide(r.width, [&] { return state.leftWidth; });
    return r;
}

ResultSize NextResultSize(const SizingState& state, const SizingInputs& inputs, double step) {
    ResultSize r{state.width, state.height, state.baseWidth, state.baseHeight, false};
    if (state.selectionMade) {
        // The first click after a crop starts again from the whole left picture, at the size
        // the left frame had when it was opened.
        r = ResetResultSize(state);
        r.selectionMade = false;
        setSide(r.width, [&] { return state.openedWidth; });
        setSide(r.height, [&] { return state.openedHeight; });
    }
    const std::int32_t w = inputs.width;
    const std::int32_t h = inputs.height;
    switch (ChooseSizing(w, h)) {
        case Sizing::FixedWidth:
            setSide(r.width, [&] { return float(w); });
            setSide(r.height, [&] { return ProportionalSide(w, r.baseHeight, r.baseWidth); });
            break;
        case Sizing::FixedHeight:
            setSide(r.height, [&] { return float(h); });
            setSide(r.width, [&] { return ProportionalSide(h, r.baseWidth, r.baseHeight); });
            break;
        case Sizing::FixedSize:
            setSide(r.width, [&] { return float(w); });
            setSide(r.height, [&] { return float(h); });
            break;
        case Sizing::Step:
            if (step < 1) {
                // Shrinking brings the frame back to the base proportions first.
                setSide(r.height, [&] {
                    return HeightAtBaseProportions(r.width, r.baseWidth, r.baseHeight);
                });
            }
            setSide(r.width, [&] { return Stepped(r.width, step); });
            setSide(r.height, [&] { return Stepped(r.height, step); });
            break;
        case Sizing::None:
            break;
    }
    return r;
}

}  // namespace lanxi
