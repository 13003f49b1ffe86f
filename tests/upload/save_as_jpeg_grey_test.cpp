// A grey picture is written with one component, as cjpeg writes a grey photograph: the same
// pixels in fewer bytes. A picture with a single coloured pixel keeps its colour.
#include <gtest/gtest.h>

#include "codec/loader.h"
#include "tests/support/images.h"
#include "tests/support/jpeg_info.h"
#include "upload/save_as_jpeg.h"

namespace lanxi {
namespace {

QImage Grey(int width, int height) {
    QImage image = test::PatternImage(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int v = qGray(row[x]);
            row[x] = qRgb(v, v, v);
        }
    }
    return image;
}

TEST(SaveAsJpegGrey, AGreyPictureIsWrittenWithOneComponentAndTheSameGrey) {
    test::TempDir dir;
    const QImage grey = Grey(301, 203);
    ASSERT_EQ(SaveAsJpeg(StdPicture(grey), dir.file(QStringLiteral("灰.jpg")), 80), kTrue);

    QImage colour = grey;
    colour.setPixel(300, 202, qRgb(200, 40, 40));  // the very last pixel
    ASSERT_EQ(SaveAsJpeg(StdPicture(colour), dir.file(QStringLiteral("彩.jpg")), 80), kTrue);

    const QByteArray greyBytes = test::ReadBytes(dir.file(QStringLiteral("灰.jpg")));
    const QByteArray colourBytes = test::ReadBytes(dir.file(QStringLiteral("彩.jpg")));
    const test::JpegInfo greyInfo = test::InspectJpeg(greyBytes);
    EXPECT_EQ(greyInfo.components, 1);
    EXPECT_EQ(greyInfo.quantTables.at(0), test::StandardQuantTable(0, 80));
    EXPECT_EQ(test::InspectJpeg(colourBytes).components, 3);
    EXPECT_LT(greyBytes.size(), colourBytes.size());

    // The grey that comes back is as close to the picture as a three-component file's.
    const QImage back = LoadPicture(dir.file(QStringLiteral("灰.jpg"))).image();
    const QImage colourBack = LoadPicture(dir.file(QStringLiteral("彩.jpg"))).image();
    EXPECT_LE(test::MeanDifference(back, grey), test::MeanDifference(colourBack, grey) + 0.05);
    for (int y = 0; y < back.height(); y += 17) {
        for (int x = 0; x < back.width(); x += 13) {
            const QRgb p = back.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace lanxi
