#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>

namespace lanxi {

// A picture object: an image held in memory, shared by reference between the frames, the
// clipboard and the encoder. It may be empty. The pixels never change once the picture exists,
// so copies are cheap and may be read from any thread.
class StdPicture {
  public:
    StdPicture() = default;
    // Takes the image as the picture's pixels. Opaque images are kept as 32-bit RGB (the layout
    // both the screen and the encoder read without conversion); images with transparency are
    // laid over white first.
    explicit StdPicture(QImage image);

    bool isEmpty() const { return !d_; }
    int width() const { return image().width(); }
    int height() const { return image().height(); }
    QSize size() const { return isEmpty() ? QSize() : image().size(); }
    // The pixels; a null image for an empty picture.
    const QImage& image() const;

    // A rectangle of the picture, which must lie within it, as a picture of its own. A part of
    // a quarter of the picture or more shares the pixels instead of copying them (the parts a
    // crop usually takes: copying tens of megabytes is what would make the user wait); a
    // smaller part is copied, so that it does not keep a large picture alive.
    StdPicture part(const QRect& rect) const;

    // A part remembers the picture it was cut from and where, without keeping that picture
    // alive. The same pixels in the other form:
    // - asView(): a view into the picture it was cut from, while that picture lives, so that it
    //   holds no pixels of its own (what an undo history keeps of a cut: the source and the
    //   rectangle); any other picture is given as it is;
    // - asPart(): as part() would hold them, a view of less than a quarter of its source
    //   becoming a copy of its own again.
    StdPicture asView() const;
    StdPicture asPart() const;

    // The memory the pixels live in, its start and length: pictures that share pixels (a view
    // and its source) name the same block. Empty for an empty picture.
    struct Block {
        const void* start = nullptr;
        qsizetype bytes = 0;
    };
    Block block() const;

    // The picture reduced by 2^level in each direction by averaging, made on first use and kept
    // with the picture (level 0 is the picture itself). Used to draw strong reductions without
    // aliasing.
    QImage reduced(int level) const;

    // True when red, green and blue are equal in every pixel; worked out on first use and kept
    // with the picture.
    bool grey() const;

    friend bool operator==(const StdPicture& a, const StdPicture& b) { return a.d_ == b.d_; }

  private:
    // A part of the picture that shares its pixels, whatever its size.
    StdPicture view(const QRect& rect) const;

    struct Data;
    std::shared_ptr<Data> d_;
};

// Shares a large piece of pixel work among the processor's cores: `work(first, last)` is called
// for bands of rows [first, last) covering 0 to `rows`, at the same time, and all have returned
// when this returns. Small work (by its `pixels`) runs in one band on this thread. The work must
// not throw, nor call a QImage's non-const accessors from several bands: take its bits first.
void ForEachBand(int rows, std::int64_t pixels, const std::function<void(int, int)>& work);

}  // namespace lanxi
