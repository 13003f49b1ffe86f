#include "preview/previewed_copy.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <new>

#include "base/errors.h"
#include "codec/loader.h"

namespace lanxi {
namespace {

// A picture file read for the preview; empty with *reason when it cannot be.
StdPicture load(const QString& path, LoadControl* control, QString* reason) {
    try {
        return LoadPicture(path, control);
    } catch (const Error& e) {
        *reason = e.message();
    } catch (const std::bad_alloc&) {
        *reason = QStringLiteral("内存不足");
    }
    return {};
}

}  // namespace

PreviewedCopy PreviewOf(const FittedCopy& copy, const DrawnImage& before,
                        const SiteLimits& limits) {
    PreviewedCopy shown;
    shown.bytes = copy.bytes;
    shown.quality = copy.quality;
    shown.note = copy.note;
    shown.reduction = copy.reduction;
    if (!copy.fits()) {
        shown.failure = limits.maxBytes > 0 ? QStringLiteral("无法压缩到%1以内（%2）")
                                                  .arg(SiteBytes(limits.maxBytes), copy.reason)
                                            : copy.reason;
        return shown;
    }
    try {
        shown.pixels = DecodePicture(copy.jpeg);
        shown.before = before;
    } catch (const Error& e) {
        shown.failure = QStringLiteral("无法解码上传副本：%1").arg(e.message());
    } catch (const std::bad_alloc&) {
        shown.failure = QStringLiteral("无法解码上传副本：内存不足");
    }
    return shown;
}

PreviewedCopy PreviewOfFiles(const QString& copy, const QString& source, int quality,
                             Reduction reduction) {
    PreviewedCopy shown;
    shown.name = QFileInfo(copy).fileName();
    shown.quality = quality;
    shown.reduction = reduction;
    QString reason;
    LoadControl read;
    shown.pixels = load(copy, &read, &reason);
    if (shown.pixels.isEmpty()) {
        shown.failure = QStringLiteral("无法读出副本“%1”：%2").arg(shown.name, reason);
        return shown;
    }
    shown.bytes = read.fileBytes;
    if (QFileInfo(copy).absoluteFilePath() == QFileInfo(source).absoluteFilePath()) {
        shown.note = QStringLiteral("副本已替换了原文件，没有压缩前的图片可以对比");
        return shown;
    }
    // Twice the copy's pixels are enough for the comparison's reduction, as for the copy's own.
    LoadControl scaled;
    const QSize size = shown.pixels.size();
    scaled.enough = [size](QSize full) { return (size * 2).boundedTo(full); };
    const StdPicture original = load(source, &scaled, &reason);
    if (original.isEmpty()) {
        shown.note = QStringLiteral("无法读出原文件“%1”（%2），没有压缩前的图片可以对比")
                         .arg(QFileInfo(source).fileName(), reason);
    } else {
        shown.before = DrawnImage::Of(original);
    }
    return shown;
}

QString PreviewDescription(const PreviewedCopy& copy) {
    return QStringLiteral("%1（%2 字节），质量 %3，%4 × %5 像素")
        .arg(SiteBytes(copy.bytes), QLocale(QLocale::Chinese).toString(qlonglong(copy.bytes)))
        .arg(copy.quality)
        .arg(copy.pixels.width())
        .arg(copy.pixels.height());
}

}  // namespace lanxi
