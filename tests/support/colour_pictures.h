#pragma once

#include "tests/support/printers.h"

#include <lcms2.h>

#include <QByteArray>
#include <QImage>
#include <QRgb>

// Colour profiles and pictures in them, made with Little CMS, for the tests of colour management.
namespace lanxi::test {

enum class RgbSpace { AdobeRgb, DisplayP3, ProPhoto, LinearSrgb };
// The profile of an RGB space as the programs that write it make it (matrix and curves).
QByteArray RgbProfile(RgbSpace space);
// A profile made with Little CMS, as a file carries it; the profile is closed.
QByteArray SavedProfile(cmsHPROFILE profile);
// A grey profile with a plain gamma curve.
QByteArray GreyProfile(double gamma);
// A CMYK profile whose inks are not what they say: cyan ink prints green, magenta blue, yellow red
// (a table profile, as printers' profiles are), so a picture decoded without it shows otherwise.
QByteArray OddCmykProfile();

// An sRGB picture's pixels as they are stored in a file with the given profile: what a camera or
// an editor writes for the same colours.
QImage InProfile(const QImage& srgb, const QByteArray& profile);
// Pixels stored with a profile, made sRGB by Little CMS directly (the reference).
QImage FromProfile(const QImage& stored, const QByteArray& profile);
// The colour of CMYK ink under a CMYK profile, in sRGB (ink as stored by print software: inverted).
QRgb CmykColour(const QByteArray& profile, int c, int m, int y, int k);

}  // namespace lanxi::test
