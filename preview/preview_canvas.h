#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "document/drawn_image.h"
#include "document/picture.h"

class QPainter;

namespace lanxi {

// Where the preview shows an upload copy: at 100 % (a pixel of the copy on a pixel of the
// screen) or fitted to the window, moved about with the mouse, the scroll bars, the wheel and the
// arrow keys. While the space bar or the left button is held, the same part of what the copy
// was made from shows instead, scaled to the copy's pixels: it is drawn from its pictures for
// the part on the screen alone, a band of rows at a time, and kept no longer than it is drawn.
class PreviewCanvas : public QAbstractScrollArea {
    Q_OBJECT
  public:
    enum class View { Actual, Fit };

    explicit PreviewCanvas(QWidget* parent = nullptr);

    // Shows `copy`, to be compared with `before` (at any size; empty: nothing to compare)
    // brought to the copy's pixels by `reduction`, as the copy was.
    void setPictures(const StdPicture& copy, const DrawnImage& before,
                     Reduction reduction = Reduction::Area);
    // Shows a line of text instead of a picture (the copy is being made, or cannot be).
    void setMessage(const QString& text);
    const StdPicture& copy() const { return copy_; }

    View view() const { return view_; }
    void setView(View view);
    // Screen pixels to a pixel of the copy in the view now.
    double scale() const;
    // The part of the copy on the screen, in its pixels.
    QRect visibleArea() const;

    // Shows what the copy was made from while held (the space bar, the left button).
    bool comparing() const { return comparing_; }
    bool canCompare() const { return !copy_.isEmpty() && !before_.size().isEmpty(); }
    void setComparing(bool on);

  signals:
    // What the canvas shows has changed: the copy or what it was made from, or the scale.
    void shownChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // The copy's size on the screen.
    QSize shownSize() const;
    // Where the copy's top-left lies on the viewport.
    QPoint origin() const;
    void placeScrollBars();
    // Draws what the copy was made from over `area` of the shown copy (screen pixels from its
    // top-left); false when there is no memory for it.
    bool drawBefore(QPainter& painter, const QRect& area);
    void describe();

    StdPicture copy_;
    DrawnImage before_;  // at the copy's pixels
    Reduction reduction_ = Reduction::Area;
    QString message_;
    View view_ = View::Actual;
    bool comparing_ = false;
    bool spaceHeld_ = false;
    bool leftHeld_ = false;
    // The copy reduced to the window (fitted and smaller than its pixels); made when shown.
    QImage reduced_;
    // A drag that moves the view: where it started, and the scroll bars then.
    QPoint dragFrom_;
    QPoint scrolledFrom_;
    bool dragging_ = false;
};

}  // namespace lanxi
