// Cropping: a rectangle dragged on the left frame, or moved there with the arrow keys, is cut
// into the right frame.
#include <QRect>
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
    releaseCrop();
}

void Form1::Picture2_KeyDown(int KeyCode, int Shift) {
    // Only over a picture, and never in the middle of a drag of the mouse's own.
    if (!hasPicture() || SelectDragging != kFalse) {
        return;
    }
    if (KeyCode == Qt::Key_Return || KeyCode == Qt::Key_Enter) {
        if (Shape1->Visible()) {
            releaseCrop();
        }
        return;
    }
    if (KeyCode == Qt::Key_Escape) {
        // The rectangle goes, and the readouts and the crop's wait for a zoom are as they were
        // before the keys moved it.
        if (beforeCrop_) {
            Label1[2]->setCaption(beforeCrop_->readoutWidth);
            Label1[4]->setCaption(beforeCrop_->readoutHeight);
            SelectionMade = beforeCrop_->selectionMade ? kTrue : kFalse;
            beforeCrop_.reset();
        }
        Shape1->setVisible(false);
        return;
    }
    const int step = (Shift & 2) != 0 ? 10 : 1;
    int dx = 0, dy = 0;
    switch (KeyCode) {
        case Qt::Key_Left:
            dx = -step;
            break;
        case Qt::Key_Right:
            dx = step;
            break;
        case Qt::Key_Up:
            dy = -step;
            break;
        case Qt::Key_Down:
            dy = step;
            break;
        default:
            return;
    }
    // The keys and the Enter that cuts make one step, as a drag and its release do.
    if (!beforeCrop_) {
        beforeCrop_ = State();
    }
    const QSize bounds(int(cropEdge(Picture2, true)), int(cropEdge(Picture2, false)));
    const QRect shown(qRound(Shape1->Left()), qRound(Shape1->Top()), qRound(Shape1->Width()),
                      qRound(Shape1->Height()));
    showCrop(Shape1->Visible() ? KeyedCrop(shown, bounds, dx, dy, (Shift & 1) != 0)
                               : StartingCrop(bounds));
}

void Form1::showCrop(const QRect& crop) {
    Shape1->setLeft(float(crop.x()));
    Shape1->setTop(float(crop.y()));
    Shape1->setWidth(float(crop.width()));
    Shape1->setHeight(float(crop.height()));
    Shape1->setVisible(true);
    Label1[2]->setCaption(Readout(float(crop.width())));
    Label1[4]->setCaption(Readout(float(crop.height())));
    SelectionMade = kTrue;
}

void Form1::releaseCrop() {
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
