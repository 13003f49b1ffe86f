#pragma once

#include "tests/support/printers.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

// Pictures and files made by the tests.
namespace lanxi::test {

// A picture whose every pixel is different from its neighbours (colour from x and y), so that
// an offset of one pixel shows.
QImage PatternImage(int width, int height);
// A smooth picture, like a photograph's sky, on which a JPEG's error is small.
QImage SmoothImage(int width, int height);
// A picture with a photograph's detail (texture and grain over smooth light): its JPEG takes
// about as many bytes as a photograph's, so the size search has work to do.
QImage PhotoImage(int width, int height);

// Writes files; fails the test when the write fails.
void WriteBmp(const QImage& image, const QString& path);
void WriteJpeg(const QImage& image, const QString& path, int quality = 95);
QByteArray JpegBytes(const QImage& image, int quality = 95);
void WriteBytes(const QByteArray& bytes, const QString& path);
QByteArray ReadBytes(const QString& path);

// A JPEG with an Exif block carrying the orientation tag (1 to 8), padded to about `blockBytes`
// (a camera's block with its thumbnail and maker notes is 40-60 KB).
QByteArray JpegWithOrientation(const QImage& image, int orientation, int blockBytes = 0);
// A JPEG whose frame header claims another size.
QByteArray JpegClaimingSize(const QImage& image, int width, int height);
QByteArray ClaimingSize(QByteArray jpeg, int width, int height);

// How MakeJpeg encodes (libjpeg's own encoder, whatever our writer does).
struct JpegMaking {
    int quality = 90;
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;   // a restart marker after every so many rows of blocks
    QByteArray profile{};  // an ICC profile to embed (APP2 blocks)
    bool grey = false;     // one component: the image's green channel
};
QByteArray MakeJpeg(const QImage& image, const JpegMaking& how);

// Files built to hurt a decoder, all of them valid or nearly valid JPEG:
// - a few hundred bytes of arithmetic-coded flat picture that claims a large size (arithmetic
//   coding of a flat picture needs almost no data, so it decodes to the full size);
QByteArray ArithmeticBomb(int width, int height);
// - a picture whose last scan is repeated `copies` times (each one passes over the whole
//   picture again);
QByteArray RepeatedScans(const QByteArray& jpeg, int copies);
// - a picture with restart markers, every third one of them with the wrong number: it decodes
//   with corrupt-data warnings, grey where the data was lost.
QByteArray DamagedRestartMarkers(const QImage& image);

// A CMYK JPEG filled with one ink mix (0 to 255 each), stored the way print software stores it
// (Adobe marker, inverted values).
QByteArray CmykJpeg(int width, int height, int c, int m, int y, int k,
                    const QByteArray& profile = {});

// Largest difference of any channel between two pictures of the same size (-1 if sizes differ).
int MaxDifference(const QImage& a, const QImage& b);
double MeanDifference(const QImage& a, const QImage& b);

// A temporary directory whose path holds Chinese characters and a blank.
class TempDir {
  public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

}  // namespace lanxi::test
