#pragma once

#include "tests/support/printers.h"

#include <QByteArray>
#include <QImage>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// Pictures in PNG, WebP and HEIF made by the tests in-process, with each library's own encoder.
namespace lanxi::test {

// How MakePng writes the picture: its colour type and depth, with libpng's encoder.
struct PngMaking {
    enum Kind { Grey, GreyAlpha, Rgb, RgbAlpha, Palette } kind = Rgb;
    int depth = 8;            // 1, 2, 4 (grey, palette), 8 or 16 (not for a palette)
    bool interlaced = false;  // Adam7
    // A tRNS chunk: for grey and RGB the colour of this pixel of the image is transparent; for a
    // palette, the alpha of each palette entry.
    bool transparentColour = false;
    QByteArray profile{};  // iCCP
    bool srgbChunk = false;
    int gamma = 0;                                       // gAMA, in 1/100000
    std::optional<std::array<int, 8>> chromaticities{};  // cHRM
};
// The image's pixels as the colour type keeps them: grey from green, at lower depths its top
// bits, 16-bit samples v * 257; a palette of the image's colours (at most 2^depth of them).
QByteArray MakePng(const QImage& image, const PngMaking& how);

// What every PNG in the tests holds: the chunks, each with its CRC.
QByteArray PngChunk(const char* type, const QByteArray& data);

// A WebP by libwebp's encoder: lossy (at `quality`) or lossless, with alpha when the image has
// transparency; with an ICC profile in a VP8X container.
QByteArray MakeWebp(const QImage& image, bool lossless, int quality = 90,
                    const QByteArray& profile = {});
// An animated WebP of the given frames, the first at (x, y) on a canvas of `canvas`, the others
// covering it; each frame lossless.
QByteArray AnimatedWebp(QSize canvas, const QImage& first, QPoint at,
                        const std::vector<QImage>& others);

// A HEIF by libheif's encoder (HEVC, or AV1 for AVIF): `image` as stored, with the irot and imir
// boxes of the Exif-style orientation (1 to 8) that turn it for showing; with an ICC profile or
// an nclx box (primaries, transfer). Empty when libheif has no encoder for the format here (the
// Windows build has none).
//
// With `tile` set, a grid as phones write one: `image` cut into tiles of that size, each coded
// alone (the last column's and row's tiles reach past the picture's edge, black there, and the
// grid's canvas cuts them), the turn and the colour boxes on the grid; a picture of 4032 × 3024
// is 8 × 6 tiles of 512 × 512.
struct HeifMaking {
    bool avif = false;
    int orientation = 1;
    int quality = 90;
    bool lossless = false;
    QByteArray profile{};
    std::optional<std::pair<int, int>> nclx{};  // colour primaries, transfer characteristics
    int bitDepth = 8;                           // 8, or 10 as a phone's HDR photo
    QSize tile{};
    // A grid whose canvas claims another size than the image's; a tile left out of it (its
    // reference naming no item).
    QSize canvas{};
    QPoint missingTile{-1, -1};
    int slices = 1;  // each picture coded in so many slices (HEVC)
};
QByteArray MakeHeif(const QImage& image, const HeifMaking& how);

// A picture the tests make once and keep in the system's temporary folder under `name`, for
// the test programs that follow (each test runs in its own process); `make` runs when it is
// not there. Change the name when what `make` makes changes.
QByteArray CachedPicture(const QString& name, const std::function<QByteArray()>& make);
// A phone's 12-megapixel photo as it writes it: 4032 × 3024 of SmoothImage in a grid of 8 × 6
// tiles of 512 (the last column 448 pixels wide, the last row 464 high), quality 60; made once
// (CachedPicture). Empty where libheif has no HEVC encoder.
QByteArray PhoneHeic();

}  // namespace lanxi::test
