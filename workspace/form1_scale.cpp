// Zoom steps, fixed-size scaling and the reset of the result frame.
#include "base/errors.h"
#include "forms/ui.h"
#include "workspace/form1.h"
#include "workspace/scaling.h"

namespace lanxi {

SizingState sizingState(const Form1& form) {
    return {form.Picture1->Width(), form.Picture1->Height(), form.BaseWidth,
            form.BaseHeight,        form.OpenedWidth,        form.OpenedHeight,
            form.Picture2->Width(), form.Picture2->Height(), form.SelectionMade != kFalse};
}

void Form1::Command1_Click() {
    step([&] { return scaleResult(kEnlargeFactor); });
}

void Form1::Command2_Click() {
    step([&] { return scaleResult(kShrinkFactor); });
}

QString Form1::scaleResult(double stepFactor) {
    // The inputs are read before anything else: text that is no number stops the click with a
    // word to the user, before the result or the crop state has changed.
    std::int32_t w = 0;
    std::int32_t h = 0;
    try {
        w = FixedSizeTwips(Text1->text(), QStringLiteral("宽"));
        h = FixedSizeTwips(Text2->text(), QStringLiteral("高"));
    } catch (const Error& e) {
        MsgBox(window(), e.message(), vbExclamation);
        return {};
    }

    showResult(NextResultSize(sizingState(*this), {w, h}, stepFactor));
    if (w != 0 || h != 0) {
        return QStringLiteral("缩放为固定尺寸");
    }
    return stepFactor > 1 ? QStringLiteral("放大") : QStringLiteral("缩小");
}

void Form1::Command8_Click() {
    step([&] {
        ResumeNext guard;
        guard([&] { Picture1->setAutoRedraw(true); });
        guard([&] { Picture1->setAutoSize(true); });
        showResult(ResetResultSize(sizingState(*this)));
        return QStringLiteral("缩放复位");
    });
}

void Form1::showResult(const ResultSize& size) {
    ResumeNext guard;
    guard([&] { Picture1->setWidth(size.width); });
    guard([&] { Picture1->setHeight(size.height); });
    BaseWidth = size.baseWidth;
    BaseHeight = size.baseHeight;
    SelectionMade = size.selectionMade ? kTrue : kFalse;
    guard([&] { Picture1->Cls(); });
    // The left frame's assigned picture, whatever has been painted over it, stretched by the
    // ratio of the two frames' sizes (both rectangles in pixels).
    guard([&] {
        const float px = kTwipsPerPixel;
        Picture1->PaintPicture(Picture2->Picture(), 0, 0, Picture1->Width() / px,
                               Picture1->Height() / px, 0, 0, Picture2->Width() / px,
                               Picture2->Height() / px);
    });
    guard([&] { Label1[2]->setCaption(SizeReadout(Picture1->Width())); });
    guard([&] { Label1[4]->setCaption(SizeReadout(Picture1->Height())); });
}

}  // namespace lanxi
