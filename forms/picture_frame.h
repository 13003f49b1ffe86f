#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

#include "document/drawn_image.h"
#include "document/picture.h"

namespace lanxi {

// A picture frame (picture box): shows an assigned picture, keeps what is painted on it, and
// reports the mouse. Its own Left/Top/Width/Height are floats in its container's units (twips
// in every container of this program); its inside measures in twips or, with ScaleMode 3, in
// pixels: mouse positions and painting coordinates use the inside units.
//
// What it shows is a DrawnImage the size of its inside, which keeps no bitmap: a frame many
// times the size of its picture costs no memory until Image() is read.
class PictureFrame : public QWidget {
    Q_OBJECT
  public:
    explicit PictureFrame(QWidget* parent = nullptr);
    ~PictureFrame() override;

    // 0: no border; 1: the normal sunken border, two pixels wide.
    void setBorderStyle(int style);
    int BorderStyle() const { return border_ > 0 ? 1 : 0; }
    // Where child controls go: the frame's inside, which clips them.
    QWidget* inside() const;

    const StdPicture& Picture() const { return drawing_.picture(); }
    // Replaces the assigned picture; earlier painting is gone. With AutoSize the frame takes
    // the picture's size at once.
    void setPicture(const StdPicture& picture);
    // The frame's whole inside: the assigned picture plus everything painted since the last
    // clear, at the frame's size. Throws lanxi::Error when there is no memory for it.
    StdPicture Image() const;

    float Width() const { return width_; }
    float Height() const { return height_; }
    float Left() const { return left_; }
    float Top() const { return top_; }
    // Setting the size keeps what the drawn image showed, anchored top-left; painting outside
    // the new inside is cut off. A negative or absurd size is refused (lanxi::Error).
    void setWidth(float width);
    void setHeight(float height);
    void setLeft(float left);
    void setTop(float top);
    void Move(float left, float top);
    // Gives the frame a new size and stretches what it shows onto it; the assigned picture
    // stays. Sizes as for setWidth and setHeight.
    void Stretch(float width, float height);

    int ScaleMode() const { return scaleMode_; }
    // 1: twips; 3: pixels. Other modes are refused.
    void setScaleMode(int mode);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }

    // The drawn image goes back to the background with the assigned picture.
    void Cls();
    // Paints the source rectangle of the picture stretched onto the destination rectangle,
    // both in the inside units, copying the picture's pixels as they are.
    void PaintPicture(const StdPicture& picture, float x1, float y1, float width1, float height1,
                      float x2, float y2, float width2, float height2);
    // Redraws the frame now, before the caller goes on.
    void Refresh();

    // The inside in the inside units.
    float ScaleWidth() const { return float(insideWidth() * unitsPerPixel()); }
    float ScaleHeight() const { return float(insideHeight() * unitsPerPixel()); }
    // The inside in pixels.
    int insideWidth() const;
    int insideHeight() const;
    // Twips (15) or pixels (1) per inside unit.
    int unitsPerPixel() const { return scaleMode_ == 3 ? 1 : 15; }
    // How many paintings the drawn image holds (for tests of the drawn-image bookkeeping).
    int paintingCount() const { return drawing_.paintingCount(); }
    // The drawn image itself: a copy may be rendered on another thread (see DrawnImage).
    const DrawnImage& Drawing() const { return drawing_; }
    // Shows a drawn image kept earlier (Drawing()) at the size the frame had then, its
    // assigned picture included, without sizing the frame to that picture: the frame is as it
    // was. Sizes as for setWidth and setHeight.
    void Restore(const DrawnImage& drawing, float width, float height);

  signals:
    // Button: 1 left, 2 right, 4 middle (for moves: all buttons held). Shift: 1 Shift, 2 Ctrl,
    // 4 Alt. X and Y in the inside units.
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    // The drawn image has changed: another picture, a painting, a clear or another size.
    void DrawingChanged();
    // A key pressed while the frame has the focus (a Qt::Key), with Shift as for the mouse. The
    // frame takes every key it is given, as a control does: none reaches the window.
    void KeyDown(int KeyCode, int Shift);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Places the widget and its inside; the drawn image takes the inside's size.
    void applyGeometry();
    void emitMouse(QMouseEvent* event, int kind);

    DrawnImage drawing_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int scaleMode_ = 1;
    int border_ = 0;
    bool autoSize_ = false;
    bool autoRedraw_ = false;
    QWidget* inside_ = nullptr;
};

// Units per pixel of the place a control sits in: a frame's inside units, otherwise twips.
int UnitsPerPixelOf(const QWidget* container);

}  // namespace lanxi
