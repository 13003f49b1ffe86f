#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
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
    // Nonzero while the picture holds an image, like a bitmap handle.
    std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(d_.get()); }
    int width() const { return image().width(); }
    int height() const { return image().height(); }
    QSize size() const { return isEmpty() ? QSize() : image().size(); }
    // The pixels; a null image for an empty picture.
    const QImage& image() const;

    // The picture reduced by 2^level in each direction by averaging, made on first use and kept
    // with the picture (level 0 is the picture itself). Used to draw strong reductions without
    // aliasing.
    QImage reduced(int level) const;

    friend bool operator==(const StdPicture& a, const StdPicture& b) { return a.d_ == b.d_; }

  private:
    struct Data;
    std::shared_ptr<Data> d_;
};

}  // namespace lanxi
