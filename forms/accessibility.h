#pragma once

#include <QString>
#include <functional>

class QAbstractButton;
class QAccessibleEvent;
class QWidget;

// What screen readers (NVDA and Narrator through UI Automation, Orca through AT-SPI) are told
// of the framework's own controls, and the keys every window answers.
//
// A control is named by its caption; one without a caption (a frame, a text box, a list) by the
// accessible name its design gives it. A picture frame that holds no controls of its own is a
// picture: its description tells the size it shows and the shapes drawn over it (the crop
// rectangle, say). A label the design names is a readout: readers hear its name with what it
// shows ("图片宽度：300"), and a new caption is announced as a change of its value.
namespace lanxi {

class PictureFrame;
class ShapeRect;

// Gives picture frames, shape rectangles and labels the interfaces above. Every such control
// calls it when it is made, so the interfaces are there before a reader asks.
void UseAccessibleControls();

// What a reader hears as a picture frame's description: "300 × 200 像素", or "没有图片", then
// each shape shown over it with its own description, then the design's description (a hint on
// the keys the frame answers).
QString FrameDescription(const PictureFrame* frame);
// A shape's place and size in pixels of what it lies on: "100 × 50 像素，左上角 (10, 10)".
QString ShapeDescription(const ShapeRect* shape);
// What a reader hears as a label's name: its caption, or for a readout the design's name and
// the caption ("图片宽度：300"; a caption that starts with the name alone, "上传副本：…").
QString LabelName(const QWidget* label);

// A frame's or a shape's description may have changed: readers are told once the current event
// is done, when it has. A shape tells the frame it lies on too.
void AnnounceDescription(QWidget* control);
// A label's caption has changed: readers are told a readout's new name and value at once (a
// plain label's new name Qt tells them itself).
void AnnounceCaption(QWidget* label);

// What the announcements above tell goes to the platform's reader bridge (UI Automation,
// AT-SPI) while a reader listens, and to this listener while one is set: a test hears them so,
// as Qt's offscreen platform has no bridge and drops the events before any handler sees them.
// (Qt's own controls tell their changes to the bridge themselves.)
void SetReaderListener(std::function<void(QAccessibleEvent*)> listener);

// A push button with the focus is pressed by Enter as by Space (the windows have no default
// button, so Enter means the button the user is on).
void PressByEnter(QAbstractButton* button);

}  // namespace lanxi
