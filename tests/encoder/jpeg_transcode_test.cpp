// A JPEG's own picture written again without its metadata: the same pixels, turned upright
// without loss where its blocks allow, in a file every browser reads.
#include <gtest/gtest.h>

#include "codec/loader.h"
#include "encoder/jpeg_transcode.h"
#include "tests/support/images.h"
#include "tests/support/jpeg_info.h"

namespace lanxi {
namespace {

TEST(LosslessJpeg, KeepsEveryPixelTurnsItUprightAndDropsTheMetadata) {
    // 4:2:0 blocks of 16 x 16: this size turns every way without loss.
    const QImage photo = test::PhotoImage(96, 64);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QByteArray source = test::JpegWithOrientation(photo, orientation, 20'000);
        const LosslessJpeg copy = LosslessJpegCopy(source);
        ASSERT_FALSE(copy.bytes.isEmpty()) << orientation << " " << copy.reason;
        const QImage expected = DecodePicture(source).image();
        const QImage got = DecodePicture(copy.bytes).image();
        // Turned blocks decode through their rounding and chroma upsampling in another order.
        EXPECT_LE(test::MaxDifference(got, expected), orientation == 1 ? 0 : 4) << orientation;
        EXPECT_EQ(copy.quality, 95) << orientation;
        EXPECT_LT(copy.bytes.size(), source.size() - 19'000) << orientation;
        for (int marker : test::InspectJpeg(copy.bytes).markers) {
            EXPECT_FALSE(test::IsMetadataMarker(marker)) << orientation;
        }
    }
    // An arithmetic-coded file, which no browser reads, comes back Huffman-coded.
    const QByteArray arithmetic = test::MakeJpeg(photo, {80, false, true});
    const LosslessJpeg huffman = LosslessJpegCopy(arithmetic);
    ASSERT_FALSE(huffman.bytes.isEmpty());
    EXPECT_EQ(huffman.quality, 80);
    EXPECT_EQ(test::MaxDifference(DecodePicture(huffman.bytes).image(),
                                  DecodePicture(arithmetic).image()),
              0);
    EXPECT_FALSE(test::InspectJpeg(huffman.bytes).markers.empty());
    for (int marker : test::InspectJpeg(huffman.bytes).markers) {
        EXPECT_FALSE(marker == 0xC9 || marker == 0xCA) << "still arithmetic";
    }
    // A side of partial blocks cannot be flipped without loss; a transposition can be made.
    const QImage odd = test::PhotoImage(90, 60);
    EXPECT_TRUE(LosslessJpegCopy(test::JpegWithOrientation(odd, 6)).bytes.isEmpty());
    const QByteArray transposed = test::JpegWithOrientation(odd, 5);
    EXPECT_LE(test::MaxDifference(DecodePicture(LosslessJpegCopy(transposed).bytes).image(),
                                  DecodePicture(transposed).image()),
              4);
    EXPECT_TRUE(LosslessJpegCopy(test::CmykJpeg(32, 32, 10, 20, 30, 40)).bytes.isEmpty());
}

}  // namespace
}  // namespace lanxi
