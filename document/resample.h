#pragma once

#include <QImage>
#include <QSize>

namespace lanxi {

// The windowed-sinc kernels a sharp reduction can use.
enum class SharpKernel {
    // sinc(x) · sinc(x / 3) over three pixels each side: what photo tools, libvips and the
    // browsers' best scaling reduce with. Keeps detail up to the new size's limit, with a faint
    // ringing beside hard edges.
    Lanczos3,
    // Magic Kernel Sharp (2013): a quadratic B-spline sharpened by [-1/4, 3/2, -1/4], over two
    // and a half pixels each side. Less ringing, a little softer.
    MagicKernelSharp,
};

// `source` (32-bit RGB) reduced to `size` as photo tools reduce: first averaged down by the
// largest whole factor on each side that leaves at least twice the new size (fast, and exact
// enough where many pixels fall on one), then resampled with `kernel`, separably, to exactly
// `size`. Edges repeat their last pixel. The work is shared among the cores, a band of rows each,
// and holds no picture larger than the result besides a few rows per band. Computed on the
// pixels' gamma-encoded values, as the peers do; the same arithmetic on every channel, so a grey
// picture stays grey. A side already at the new size is only copied; a side asked to grow is
// interpolated with the kernel at its own scale. Null when `size` is empty or there is no
// memory for the result.
QImage SharpReduced(const QImage& source, QSize size,
                    SharpKernel kernel = SharpKernel::Lanczos3);

}  // namespace lanxi
