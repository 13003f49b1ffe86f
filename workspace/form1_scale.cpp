// Zoom steps, fixed-size scaling and the reset of the result frame.
#include "picture/errors.h"
#include "picture/ui.h"
#include "workspace/form1.h"
#include "workspace/scaling.h"

namespace lanxi {

void Form1::Command1_Click() {
    scaleResult(kEnlargeFactor);
}

void Form1::Command2_Click() {
    scaleResult(kShrinkFactor);
}

void Form1::scaleResult(double stepFactor) {
    // The inputs are read before anything else: text that is no number stops the click with a
    // word to the user, before the result or the crop state has changed.
    std::int32_t w = 0;
    std::int32_t h = 0;
    try {
        w = FixedSizeTwips(Text1->text(), QStringLiteral("宽"));
        h = FixedSizeTwips(Text2->text(), QStringLiteral("高"));
    } catch (const Error& e) {
        MsgBox(hWnd(), e.message(), vbExclamation);
        return;
    }

    ResumeNext guard;
    // The first click after a crop starts again from the whole left picture, at the size the
    // left frame had when it was opened.
    if (guard.test([&] { return SelectionMade != kFalse; })) {
        guard([&] { SelectionMade = kFalse; });
        guard([&] { Command8_Click(); });
        guard([&] { Picture1->setWidth(OpenedWidth); });
        guard([&] { Picture1->setHeight(OpenedHeight); });
    }
    switch (ChooseSizing(w, h)) {
        case Sizing::FixedWidth:
            guard([&] { Picture1->setWidth(float(w)); });
            guard([&] { Picture1->setHeight(ProportionalSide(w, BaseHeight, BaseWidth)); });
            break;
        case Sizing::FixedHeight:
            guard([&] { Picture1->setHeight(float(h)); });
            guard([&] { Picture1->setWidth(ProportionalSide(h, BaseWidth, BaseHeight)); });
            break;
        case Sizing::FixedSize:
            guard([&] { Picture1->setWidth(float(w)); });
            guard([&] { Picture1->setHeight(float(h)); });
            break;
        case Sizing::Step:
            if (stepFactor < 1) {
                // Shrinking brings the frame back to the base proportions first.
                guard([&] {
                    Picture1->setHeight(
                        HeightAtBaseProportions(Picture1->Width(), BaseWidth, BaseHeight));
                });
            }
            guard([&] { Picture1->setWidth(Stepped(Picture1->Width(), stepFactor)); });
            guard([&] { Picture1->setHeight(Stepped(Picture1->Height(), stepFactor)); });
            break;
        case Sizing::None:
            break;
    }
    repaintResult(guard);
}

void Form1::Command8_Click() {
    ResumeNext guard;
    guard([&] { Picture1->setAutoRedraw(true); });
    guard([&] { Picture1->setAutoSize(true); });
    guard([&] { Picture1->setHeight(Picture2->Height()); });
    guard([&] { Picture1->setWidth(Picture2->Width()); });
    guard([&] { BaseWidth = Picture2->Width(); });
    guard([&] { BaseHeight = Picture2->Height(); });
    repaintResult(guard);
}

void Form1::repaintResult(ResumeNext& guard) {
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
