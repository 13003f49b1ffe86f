#include "codec/limits.h"

namespace lanxi {

QString SizeRefusal(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) {
        return QStringLiteral("图片的宽或高不正确（%1 × %2 像素）").arg(width).arg(height);
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        return QStringLiteral("图片尺寸过大（%1 × %2 像素），无法打开").arg(width).arg(height);
    }
    return {};
}

QString NoMemoryFor(std::int64_t width, std::int64_t height) {
    return QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）").arg(width).arg(height);
}

PictureFootprint HeaderFootprint(std::int64_t fileBytes, bool found, const QString& broken,
                                 std::int64_t width, std::int64_t height) {
    PictureFootprint f;
    f.fileBytes = fileBytes;
    f.memoryBytes = fileBytes;
    if (!found) {
        f.refusal = broken;
    } else if (f.refusal = SizeRefusal(width, height); f.refusal.isEmpty()) {
        f.size = QSize(int(width), int(height));
    }
    return f;
}

PictureFootprint RowsFootprint(std::int64_t fileBytes, bool found, const QString& broken,
                               std::int64_t width, std::int64_t height, std::int64_t libraryBytes,
                               bool transparency) {
    PictureFootprint f = HeaderFootprint(fileBytes, found, broken, width, height);
    if (f.refusal.isEmpty()) {
        const std::int64_t rows = 4 * width * height;
        f.memoryBytes += rows + libraryBytes + (transparency ? rows : 0);
    }
    return f;
}

}  // namespace lanxi
