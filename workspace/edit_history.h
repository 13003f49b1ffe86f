#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/drawn_image.h"

namespace lanxi {

// What the workspace's steps change, as it stood before or after a step: the two frames' drawn
// images and sizes, the crop rectangle, the window's members the steps set and the size
// readouts. The drawn images are lists of paintings that share their pictures' pixels, so a
// state costs a few hundred bytes whatever the size of the picture.
struct WorkspaceState {
    struct Frame {
        DrawnImage drawing;
        float width = 0, height = 0;  // twips
        friend bool operator==(const Frame&, const Frame&) = default;
    };
    struct Rectangle {
        bool visible = false;
        float left = 0, top = 0, width = 0, height = 0;  // the left frame's pixels
    };
    Frame result;    // Picture1
    Frame working;   // Picture2
    Rectangle crop;  // Shape1
    float baseWidth = 0, baseHeight = 0;
    bool selectionMade = false;
    QString readoutWidth, readoutHeight;  // Label1(2), Label1(4)

    // Every picture the state shows.
    std::vector<StdPicture> pictures() const;
    // The same state with its pictures held another way (see DrawnImage::withPictures).
    WorkspaceState withPictures(const std::function<StdPicture(const StdPicture&)>& swap) const;
    // Equal when the window would be the same; where a hidden rectangle lies does not count, as
    // the next drag places it anew.
    friend bool operator==(const WorkspaceState& a, const WorkspaceState& b);
};

// The workspace's undo history: each step the user takes is kept as the states before and after
// it, and undoing or redoing a step gives the window the state on the other side of it.
//
// What a step keeps costs no pixels of its own: the zoom, shrink, reset and copy steps paint
// pictures the window holds anyway, and a cut is kept as a view into the picture it was cut from
// (the source and the rectangle; StdPicture::asView) when the state shows that picture too, made
// a copy of its own again only when the window shows it. Some pictures only the history holds,
// though: the opened picture after the file changed on disk and was restored, a saved result a
// later step replaced, a picture taken from another program's clipboard. Their pixels are bounded
// by a number of bytes; when a step takes the history over it, the oldest steps are forgotten.
class EditHistory : public QObject {
    Q_OBJECT
  public:
    // Steps kept at most. Each costs two states of a few hundred bytes; the bound is only there
    // so that a long session does not grow without end, and lies far beyond what anyone retraces.
    static constexpr int kMaxSteps = 100;
    // The most bytes of pixels only the history keeps alive: a little over two bitmaps of a
    // 24-megapixel photograph (96 MB each), so that a few steps that hold a whole picture of
    // their own can be undone, while the workspace stays well within an ordinary machine's memory
    // next to the picture it shows and the save's full render.
    static constexpr std::int64_t kMaxBytes = std::int64_t(256) << 20;

    // `apply` gives the window a state.
    explicit EditHistory(std::function<void(const WorkspaceState&)> apply,
                         QObject* parent = nullptr);
    ~EditHistory() override;

    // Keeps a step that took the window from `before` to `after`, which the window now shows.
    // A step that changed nothing is not kept. Steps undone before it are forgotten.
    void Record(const QString& name, const WorkspaceState& before, const WorkspaceState& after);
    void Undo();
    void Redo();
    // Forgets every step.
    void Clear();

    bool CanUndo() const { return stack_.canUndo(); }
    bool CanRedo() const { return stack_.canRedo(); }
    // The name of the step an undo or a redo would take back or make again.
    QString UndoName() const { return stack_.undoText(); }
    QString RedoName() const { return stack_.redoText(); }
    // Steps kept, undone or not.
    int Steps() const { return stack_.count(); }
    // The bytes of the pixels the kept steps hold that `live` does not show.
    std::int64_t OwnBytes(const WorkspaceState& live) const;

    std::int64_t MaxBytes() const { return maxBytes_; }
    void setMaxBytes(std::int64_t bytes) { maxBytes_ = bytes; }

  signals:
    // What can be undone or redone has changed.
    void changed();

  private:
    class Step;
    // Forgets the oldest steps while the kept ones hold more than MaxBytes() of their own.
    void bound(const WorkspaceState& live);

    std::function<void(const WorkspaceState&)> apply_;
    QUndoStack stack_;
    std::int64_t maxBytes_ = kMaxBytes;
};

}  // namespace lanxi
