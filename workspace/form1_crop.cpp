// Cropping: a rectangle dragged on the left frame is cut into the right frame.
#include <limits>

#include "base/errors.h"
#include "forms/clipboard.h"
#include "workspace/drag.h"
#include "workspace/form1.h"

namespace lanxi {
namespace {

// Where the crop rectangle must end at the latest, in the left frame's pixels: the edge of the
// picture the cut is taken from, or of the frame where the frame shows less of it.
float cropEdge(const PictureFrame* frame, bool across) {
    const StdPicture& picture = frame->Picture();
    if (picture.isEmpty()) {
        return std::numeric_limits<float>::infinity();
    }
    return across ? std::min(frame->ScaleWidth(), float(picture.width()))
                  : std::min(frame->ScaleHeight(), float(picture.height()));
}

}  // namespace

void Form1::Picture2_MouseDown(int, int, float X, float Y) {
    // A drag and its release make one step: the state before it is taken at its first press.
    if (!beforeCrop_) {
        beforeCrop_ = State();
    }
    Shape1->setLeft(X);
    Shape1->setTop(Y);
    SelectDragging = kTrue;
}

void Form1::Picture2_MouseMove(int Button, int, float X, float Y) {
    if (Button != 1) {
        return;
    }
    if (SelectDragging == kFalse) {
        // The left button is held, but the press that started it was not on this frame.
        Shape1->setVisible(false);
        return;
    }
    Shape1->setWidth(CropSide(Shape1->Left(), X, cropEdge(Picture2, true)));
    Shape1->setHeight(CropSide(Shape1->Top(), Y, cropEdge(Picture2, false)));
    Shape1->setVisible(true);
    Label1[2]->setCaption(Readout(Shape1->Width()));
    Label1[4]->setCaption(Readout(Shape1->Height()));
    SelectionMade = kTrue;
    Picture2->Refresh();
}

void Form1::Picture2_MouseUp(int, int, float, float) {
    const WorkspaceState before = beforeCrop_ ? *beforeCrop_ : State();
    beforeCrop_.reset();
    cutSelection();
    history_.Record(QStringLiteral("剪切"), before, State());
}

void Form1::cutSelection() {
    ResumeNext guard;
    if (guard.test([&] { return Shape1->Visible(); })) {
        // The cut goes through the system clipboard, so other programs can paste it too.
        guard([&] { Clipboard::Clear(); });
        guard([&] { PictureClip1.setPicture(Picture2->Picture()); });
        guard([&] { PictureClip1.setClipX(CLng(Shape1->Left())); });
        guard([&] { PictureClip1.setClipY(CLng(Shape1->Top())); });
        guard([&] { PictureClip1.setClipWidth(CLng(Shape1->Width())); });
        guard([&] { PictureClip1.setClipHeight(CLng(Shape1->Height())); });
        guard([&] { Clipboard::SetData(PictureClip1.Clip()); });
        guard([&] { BaseWidth = Shape1->Width(); });
        guard([&] { BaseHeight = Shape1->Height(); });
    }
    guard([&] { Picture1->setPicture(Clipboard::GetData()); });
    guard([&] { SelectDragging = kFalse; });
}

}  // namespace lanxi
