#pragma once

#include <QColor>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <functional>
#include <vector>

#include "document/picture.h"
#include "document/resample.h"

class QPainter;

namespace lanxi {

// What a picture frame shows: an assigned picture at the top-left over the background, and the
// pictures painted over it since the last clear, all measured in pixels of the frame's inside.
//
// The image is kept as that list, not as a bitmap: the screen renders only what is visible, and
// the whole image is built when image() is read. An image many times the size of its pictures
// therefore costs no memory.
class DrawnImage {
  public:
    DrawnImage() = default;
    // An image that is exactly the picture.
    static DrawnImage Of(const StdPicture& picture);

    const StdPicture& picture() const { return picture_; }
    // Replaces the assigned picture; earlier paintings are gone.
    void setPicture(const StdPicture& picture);

    QSize size() const { return size_; }
    // Keeps what was drawn, anchored top-left; what falls outside the new size is cut off for
    // good, so growing again shows the assigned picture and the background there.
    void resize(QSize size);

    QColor background() const { return background_; }
    void setBackground(const QColor& color) { background_ = color; }

    // Back to the background with the assigned picture.
    void clear() { paintings_.clear(); }
    // Paints the `source` rectangle of the picture stretched onto the `destination` rectangle
    // (picture pixels and inside pixels). An empty picture or rectangle paints nothing.
    void paint(const StdPicture& picture, const QRectF& destination, const QRectF& source);
    // How many paintings the image holds (for tests of the bookkeeping).
    int paintingCount() const { return int(paintings_.size()); }

    // Every picture the image shows, the assigned one first, each as often as it is used.
    std::vector<StdPicture> pictures() const;
    // The same image with each picture replaced by what `swap` gives for it: the same pixels
    // held another way (StdPicture::asView, asPart), of the same size.
    DrawnImage withPictures(const std::function<StdPicture(const StdPicture&)>& swap) const;
    // Two images are equal when they show the same the same way: the same size and background,
    // the same pictures (the same pixels in memory) assigned and painted at the same places.
    friend bool operator==(const DrawnImage& a, const DrawnImage& b);

    // This image stretched onto `size`: what it shows, every painting and the assigned picture
    // scaled by the ratio of the sizes. The assigned picture stays the same picture.
    DrawnImage scaled(QSize size) const;
    // The part `area` of this image as an image of its own, as large as `area`: what image()
    // shows there. A painting that shrinks keeps only the pixels of its picture that reach the
    // area (a few around them besides), cut where its reduction's pixels fall on whole pixels
    // of the picture, so that a small part of a strongly reduced picture is made from that part
    // of the picture alone, on the whole image's pixel grid.
    DrawnImage part(const QRect& area) const;

    // Renders the part `area` for the screen, with the painter's origin at the image's top-left.
    // Strong reductions start from the pictures' cached reductions.
    void render(QPainter& painter, const QRect& area) const { render(painter, area, nullptr); }
    // The whole image, every reduction averaged over all its source pixels: what is kept. With
    // another reduction, the shrinking paintings reduced that way (what a fitted copy shows).
    // Empty when the size is. Throws lanxi::Error when there is no memory for it.
    StdPicture image(Reduction reduction = Reduction::Area) const;

    // The image is its assigned picture and nothing else: the picture's rows are its rows.
    bool plain() const;
    // Every picture it shows and its background are grey, so the image is grey. (A colour
    // picture may show only grey parts: false does not mean colour.)
    bool allGrey() const;

    // Renders the image band by band, each band exactly the rows image() would give, holding
    // only the band and, for the paintings that shrink, their reduced results at the size they
    // take: the whole image is never held. Valid while the image it was made from lives and
    // does not change. With another reduction than Area, the shrinking paintings are reduced
    // that way instead (what a copy fitted to the site's limits shows).
    class Bands {
      public:
        // Reduces the shrinking paintings. Throws lanxi::Error when there is no memory.
        explicit Bands(const DrawnImage& image, Reduction reduction = Reduction::Area);
        // Renders the rows [first, first + band->height()) into `band`, a 32-bit RGB image as
        // wide as the image.
        void render(QImage* band, int first) const;

      private:
        const DrawnImage& image_;
        std::vector<QImage> averaged_;
    };

  private:
    struct Painting {
        StdPicture picture;  // empty: the clip is filled with the background
        QRectF destination;  // inside pixels
        QRectF source;       // picture pixels
        QRect clip;          // what survived the resizes since it was painted
    };
    struct Placement;
    static Placement place(const Painting& painting);
    // Adds a painting on top, dropping the earlier ones it hides entirely.
    void add(Painting painting);

    // For what is kept, `averaged` holds the reduced result of each painting that shrinks (null
    // images for the others); for the screen it is null.
    void render(QPainter& painter, const QRect& area, const std::vector<QImage>* averaged) const;

    StdPicture picture_;
    std::vector<Painting> paintings_;
    QSize size_{0, 0};
    QColor background_{Qt::white};
};

}  // namespace lanxi
