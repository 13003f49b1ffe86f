// Dragging the result about inside its pane, and copying between the two frames.
#include "base/errors.h"
#include "workspace/drag.h"
#include "workspace/form1.h"

namespace lanxi {

void Form1::Picture1_MouseDown(int, int, float X, float Y) {
    MouseDownX = CLng(X);
    MouseDownY = CLng(Y);
}

void Form1::Picture1_MouseMove(int Button, int, float X, float Y) {
    if (Button != 1) {
        return;
    }
    const std::int32_t top = PannedPosition(Picture1->Top(), MouseDownY, Y);
    const std::int32_t left = PannedPosition(Picture1->Left(), MouseDownX, X);
    Picture1->Move(float(left), float(top));
}

void Form1::Command10_Click() {
    step([&] {
        copyPicture(Picture2, Picture1);
        return QStringLiteral("向右复制");
    });
}

void Form1::Command4_Click() {
    step([&] {
        copyPicture(Picture1, Picture2);
        return QStringLiteral("向左复制");
    });
}

void Form1::copyPicture(PictureFrame* from, PictureFrame* to) {
    ResumeNext guard;
    guard([&] { Shape1->setVisible(false); });
    guard([&] { to->setWidth(from->Width()); });
    guard([&] { to->setHeight(from->Height()); });
    // The source frame's assigned picture, one picture pixel on one frame pixel, onto the
    // target's drawing; neither frame's assigned picture changes.
    guard([&] {
        const float w = to->ScaleWidth();
        const float h = to->ScaleHeight();
        to->PaintPicture(from->Picture(), 0, 0, w, h, 0, 0, w, h);
    });
}

}  // namespace lanxi
