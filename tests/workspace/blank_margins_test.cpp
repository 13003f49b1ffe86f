// Finding the blank margins around a picture, on pictures like the ones users trim: scans of an
// identity card on the scanner's bed, photographs, pictures framed by a gradient.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <functional>

#include "tests/support/images.h"
#include "workspace/blank_margins.h"

namespace lanxi {
namespace {

// The same noise on every machine.
class Noise {
  public:
    int next(int spread) {
        state_ ^= state_ << 13, state_ ^= state_ >> 17, state_ ^= state_ << 5;
        return int(state_ % std::uint32_t(2 * spread + 1)) - spread;
    }

  private:
    std::uint32_t state_ = 2463534242u;
};

QImage withNoise(QImage image, int spread) {
    Noise noise;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = noise.next(spread);
            const auto c = [&](int v) { return std::clamp(v + n, 0, 255); };
            row[x] = qRgb(c(qRed(row[x])), c(qGreen(row[x])), c(qBlue(row[x])));
        }
    }
    return image;
}

// What a scanner gives: a flat bed with a little noise, the picture on it, and the JPEG the
// scan is kept in.
QImage jpegOf(const QImage& image, int quality = 85) {
    QImage decoded;
    decoded.loadFromData(test::JpegBytes(image, quality), "JPEG");
    return decoded.convertToFormat(QImage::Format_RGB32);
}

// A card of `size` at `at` on a bed of one colour, with specks of dust on the bed.
QImage cardOn(QRgb bed, QSize picture, QRect card, int dust) {
    QImage image(picture, QImage::Format_RGB32);
    image.fill(bed);
    QPainter p(&image);
    p.drawImage(card.topLeft(), test::PhotoImage(card.width(), card.height()));
    p.setPen(QColor(70, 90, 120));
    p.drawRect(card.adjusted(0, 0, -1, -1));  // the card's printed edge
    p.end();
    image = withNoise(image, 3);
    Noise where;
    for (int i = 0; i < dust; ++i) {
        const QPoint at(std::abs(where.next(picture.width())) % picture.width(),
                        std::abs(where.next(picture.height())) % picture.height());
        if (!card.adjusted(-12, -12, 12, 12).contains(at)) {
            QPainter speck(&image);
            speck.fillRect(QRect(at, QSize(2, 2)), QColor(qRed(bed) > 128 ? 30 : 220, 40, 40));
        }
    }
    return jpegOf(image);
}

// A picture framed by a gradient: the frame's colour goes from `outer` at the edge to `inner`
// `width` pixels in, the same all around, a photograph inside.
QImage gradientFrame(QSize picture, int width, int outer, int inner) {
    QImage image = test::PhotoImage(picture.width(), picture.height());
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int d = std::min({x, y, image.width() - 1 - x, image.height() - 1 - y});
            if (d < width) {
                const int v = outer + (inner - outer) * d / width;
                row[x] = qRgb(v, v, v);
            }
        }
    }
    return jpegOf(withNoise(image, 2), 90);
}

TEST(BlankMargins, FoundAroundCardsAndNowhereElse) {
    const QSize scan(900, 600);
    const QRect card(140, 90, 540, 340);
    struct Case {
        const char* name;
        std::function<QImage()> picture;
        QRect content;  // what is left once the margins are trimmed
        int slack;      // JPEG's ringing along an edge may keep a few lines of margin
    } cases[] = {
        {"a card on a white bed with noise and dust",
         [&] { return cardOn(qRgb(248, 248, 246), scan, card, 40); }, card, 2},
        {"a card on black", [&] { return cardOn(qRgb(12, 12, 14), scan, card, 20); }, card, 2},
        {"a pale card whose every pixel is near the bed's white",
         [&] {
             QImage image(scan, QImage::Format_RGB32);
             image.fill(qRgb(250, 250, 250));
             QPainter(&image).fillRect(card, QColor(228, 230, 226));
             return jpegOf(withNoise(image, 3));
         },
         card, 1},
        {"a margin on one side only",
         [&] {
             QImage image(scan, QImage::Format_RGB32);
             image.fill(qRgb(255, 255, 255));
             QPainter(&image).drawImage(0, 0, test::PhotoImage(700, 600));
             return jpegOf(withNoise(image, 3));
         },
         QRect(0, 0, 700, 600), 2},
        {"a photograph without a border", [&] { return jpegOf(test::PhotoImage(900, 600)); },
         QRect(0, 0, 900, 600), 0},
        {"a frame of a steep gradient", [&] { return gradientFrame(scan, 40, 60, 210); },
         QRect(0, 0, 900, 600), 0},
        {"a frame of a gentle gradient", [&] { return gradientFrame(scan, 120, 200, 140); },
         QRect(0, 0, 900, 600), 0},
        {"one flat colour throughout",
         [&] {
             QImage image(scan, QImage::Format_RGB32);
             image.fill(qRgb(90, 120, 200));
             return jpegOf(withNoise(image, 3));
         },
         QRect(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect found = ContentRect(c.picture());
        if (c.content.isEmpty()) {
            EXPECT_TRUE(found.isEmpty()) << ::testing::PrintToString(found);
            continue;
        }
        EXPECT_TRUE(found.contains(c.content)) << ::testing::PrintToString(found);
        EXPECT_TRUE(c.content.adjusted(-c.slack, -c.slack, c.slack, c.slack).contains(found))
            << ::testing::PrintToString(found);
    }
}

}  // namespace
}  // namespace lanxi
