#include "upload/upload_copy.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <new>

#include "base/errors.h"
#include "codec/formats.h"
#include "codec/jpeg_header.h"
#include "codec/limits.h"
#include "codec/loader.h"
#include "encoder/jpeg_transcode.h"
#include "system/regular_file.h"

namespace lanxi {

namespace {

// The first bytes of a file that tell its format: as many as Qt's readers look at.
constexpr qsizetype kFormatBytes = 4096;

// Why no copy is made of a file that begins with `head`, the format of a picture it is not made
// from (a GIF, a TIFF), or empty. An animation would lose all but its first picture, and the
// others are no pictures a user uploads: only the formats the batch lists are made into copies.
QString formatRefusal(QByteArray head) {
    head.truncate(kFormatBytes);
    if (FormatOf(MemorySource(head)).format != PictureFormat::Other) {
        return {};
    }
    QBuffer buffer(&head);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    return format.isEmpty()
               ? QString()
               : QStringLiteral("这是 %1 图片，只压缩 %2 图片")
                     .arg(QString::fromLatin1(format).toUpper(), ReadableFormatNames());
}

QString unreadable(const Error& e) {
    return QStringLiteral("无法读出图片，%1").arg(e.message());
}

// A JPEG that already meets every limit: its own picture without its metadata, to the bit,
// when that is no larger than the copy made again, or the copy made again is of a lower quality.
// Re-encoding a picture the site would take as it is only loses quality, and at the qualities
// the fitting prefers it makes a larger file. A picture with a colour profile is made again, in
// sRGB, as every copy is.
FittedCopy losslessCopy(const QByteArray& bytes, const SiteLimits& limits,
                        const FittedCopy& remade) {
    const JpegHeader header = ReadJpegHeader(MemorySource(bytes), true);
    const QSize upright = header.uprightSize();
    if (FormatOf(MemorySource(bytes)).format != PictureFormat::Jpeg || header.colourProfile ||
        !upright.isValid() || LimitedSize(limits, upright) != upright) {
        return {};
    }
    // Before the coefficients are read and written again, what the copy cannot weigh less than:
    // a bit for each block, and for Huffman-coded scans of one pass a 32nd of their bytes (a code
    // the new tables make is no shorter than a bit, the file's own no longer than 16, and its
    // bytes stuffed at most twice over). A photograph of megabytes is no copy of 100 kb.
    if (limits.maxBytes > 0) {
        const double blocks =
            std::ceil(double(header.width) / 8) * std::ceil(double(header.height) / 8);
        const bool oneHuffmanPass = !header.progressive() && !header.arithmetic();
        if (blocks / 8 > double(limits.maxBytes) ||
            (oneHuffmanPass && header.scanBytes / 32 > limits.maxBytes)) {
            return {};
        }
    }
    const LosslessJpeg same = LosslessJpegCopy(bytes);
    if (same.bytes.isEmpty() || (limits.maxBytes > 0 && same.bytes.size() > limits.maxBytes)) {
        return {};
    }
    if (remade.fits() && remade.bytes < same.bytes.size() && remade.quality >= same.quality) {
        return {};
    }
    FittedCopy copy;
    copy.jpeg = same.bytes;
    copy.bytes = same.bytes.size();
    copy.quality = same.quality;
    copy.size = upright;
    copy.note = remade.note;
    return copy;
}

}  // namespace

FittedCopy MakeUploadCopyOfFile(const QString& source, const SiteLimits& limits, const Stop* stop,
                                SourceFacts* read, JpegEncoder encoder, Reduction reduction) {
    FittedCopy failed;
    LoadControl load;
    load.stop = stop;
    QSize original;
    if (limits.any()) {
        // Only about twice the pixels the copy keeps are decoded: the copy's reduction needs no
        // more to act on. A reduced-scale decode is itself a resampling, sharp but with some
        // aliasing, as vipsthumbnail's shrink-on-load is; it leaves the copy a little further
        // from a reduction of the whole photograph, but a photograph in flight holds a quarter
        // of the memory, and the batch runs as many more at once.
        // And no more than any file of the preset's bytes could hold (MostFittingPixels): those
        // are the most the copy can keep whatever the picture, so they are decoded once, not
        // twice over; only a picture of next to no detail comes near them.
        load.enough = [&limits, &original](QSize full) {
            original = full;
            const QSize kept = LimitedSize(limits, full);
            QSize enough = kept == full ? full : (kept * 2).boundedTo(full);
            const double most = limits.maxBytes > 0 ? MostFittingPixels(limits.maxBytes) : 0;
            if (most > 0 && double(enough.width()) * enough.height() > most) {
                const double factor =
                    std::sqrt(most / (double(full.width()) * double(full.height())));
                enough = QSize(std::max(1, int(std::ceil(full.width() * factor))),
                               std::max(1, int(std::ceil(full.height() * factor))))
                             .boundedTo(enough);
            }
            return enough;
        };
    }
    StdPicture picture;
    QByteArray bytes;
    try {
        bytes = ReadRegularFile(source, kMaxFileBytes, stop);
        if (failed.reason = formatRefusal(bytes); !failed.reason.isEmpty()) {
            return failed;
        }
        picture = DecodePicture(bytes, &load);
    } catch (const Error& e) {
        failed.stopped = e.code() == ErrorCode::UserInterrupt;
        failed.reason = failed.stopped ? QStringLiteral("已停止") : unreadable(e);
        return failed;
    } catch (const std::bad_alloc&) {
        failed.reason = QStringLiteral("无法读出图片，内存不足");
        return failed;
    }
    if (read != nullptr) {
        read->bytes = load.fileBytes;
        read->pixels = original.isValid() ? original : picture.size();
    }
    if (load.damaged) {
        // Grey blocks would take the photograph's place, and over the source they would destroy
        // what another tool might still recover.
        failed.reason =
            QStringLiteral("图片数据已损坏（部分内容无法解码），没有压缩，原文件保持不变");
        return failed;
    }
    FittedCopy copy =
        MakeUploadCopy(DrawnImage::Of(picture), limits, stop, original, false, encoder, reduction);
    if (!copy.fits() && !copy.stopped && limits.maxBytes > 0) {
        copy.reason =
            QStringLiteral("无法压缩到%1以内：%2").arg(SiteBytes(limits.maxBytes), copy.reason);
    }
    if (limits.any()) {
        if (FittedCopy same = losslessCopy(bytes, limits, copy); same.fits()) {
            return same;
        }
    }
    return copy;
}

QString SourceRefusal(const QString& source) {
    try {
        RegularFile file;
        file.open(source);
        QByteArray head(kFormatBytes, Qt::Uninitialized);
        head.truncate(qsizetype(file.read(head.data(), head.size())));
        return formatRefusal(head);
    } catch (const Error& e) {
        return unreadable(e);
    }
}

bool WriteUploadCopy(const FittedCopy& copy, const QString& path, QString* reason, AtLink atLink,
                     const QString& source) {
    if (copy.jpeg.isEmpty()) {
        if (reason != nullptr) {
            *reason = copy.reason.isEmpty() ? QStringLiteral("没有可以保存的图片") : copy.reason;
        }
        return false;
    }
    return WriteWholeFile(path, copy.jpeg, atLink, reason, source);
}

}  // namespace lanxi
