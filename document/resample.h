#pragma once

#include <QImage>
#include <QSize>

namespace lanxi {

// How a picture is brought down to fewer pixels.
enum class Reduction {
    // Each new pixel the average of the picture's area it covers (a box): soft, never rings.
    // What the result keeps of a zoom or a fixed size.
    Area,
    // sinc(x) · sinc(x / 3) over three pixels each side: what photo tools, libvips and the
    // browsers' best scaling reduce with. Keeps detail up to the new size's limit, with a faint
    // ringing beside hard edges.
    Lanczos3,
    // Magic Kernel Sharp (2013): a quadratic B-spline sharpened by [-1/4, 3/2, -1/4], over two
    // and a half pixels each side.
    MagicKernelSharp,
};

// `source` (32-bit RGB) reduced to `size`. Area: as Qt's smooth scaling averages. The kernels
// reduce as photo tools do: first averaged down by the largest whole factor on each side that
// leaves at least twice the new size (fast, and exact enough where many pixels fall on one),
// then resampled with the kernel, separably, to exactly `size`. Edges repeat their last pixel. The
// work is shared among the cores, a band of rows each, and holds no picture larger than the result
// besides a few rows per band. Computed on the pixels' gamma-encoded values, as the peers do; the
// same arithmetic on every channel, so a grey picture stays grey. A side already at the new size is
// only copied; a side asked to grow is interpolated with the kernel at its own scale. Null when
// `size` is empty or there is no memory for the result.
QImage Reduced(const QImage& source, QSize size, Reduction reduction);

}  // namespace lanxi
