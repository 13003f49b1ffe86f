#pragma once

#include <QByteArray>
#include <QImage>
#include <memory>

#include "base/stop.h"
#include "colour/colour_space.h"

// Colours as the file means them, made sRGB (what every browser assumes of a picture without a
// profile, and what every copy we write is), with Little CMS.
namespace lanxi {

// Whether pictures in this colour space need converting at all: false for sRGB, for a profile
// that describes sRGB, and for nothing said.
bool NeedsConversion(const ColourSpace& colour);

// Converts the picture's colours to sRGB, in place, by the perceptual intent (which is the
// colorimetric one for the matrix profiles cameras, phones and raw converters write). A grey
// picture under a grey profile stays grey. `image` holds 32-bit rows (Format_RGB32, or
// Format_ARGB32 not premultiplied: the transparency is kept). False, with the picture left as
// it was, when the colour space cannot be used (a damaged profile, one of another kind than the
// picture's, or a stop): the picture is then taken as sRGB.
bool ToSrgb(QImage* image, const ColourSpace& colour, const Stop* stop = nullptr);

// Rows of CMYK ink (0 no ink to 255 full, or the other way round as Adobe writes them) turned into
// sRGB rows by a CMYK profile. Not valid when the profile is no CMYK profile.
class CmykToSrgb {
  public:
    CmykToSrgb(const QByteArray& icc, bool inverted);
    ~CmykToSrgb();
    CmykToSrgb(const CmykToSrgb&) = delete;
    CmykToSrgb& operator=(const CmykToSrgb&) = delete;
    bool valid() const { return transform_ != nullptr; }
    // `count` pixels of four ink bytes to 32-bit RGB.
    void convert(const unsigned char* cmyk, QRgb* out, int count) const;

  private:
    void* transform_ = nullptr;
};

}  // namespace lanxi
