#include "forms/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace lanxi::Clipboard {
namespace {

// The picture last put on the clipboard, given back as the same picture while the clipboard
// still holds its pixels: it keeps what it knows of itself (where a cut came from, its
// reductions), and the pixels are not taken in twice.
StdPicture& lastPut() {
    static StdPicture picture;
    return picture;
}

}  // namespace

void Clear() {
    lastPut() = StdPicture();
    QGuiApplication::clipboard()->clear();
}

void SetData(const StdPicture& picture) {
    if (picture.isEmpty()) {
        Clear();
        return;
    }
    lastPut() = picture;
    QGuiApplication::clipboard()->setImage(picture.image());
}

StdPicture GetData() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasImage()) {
        lastPut() = StdPicture();
        return {};
    }
    const QImage image = QGuiApplication::clipboard()->image();
    if (!lastPut().isEmpty() && image.cacheKey() == lastPut().image().cacheKey()) {
        return lastPut();
    }
    // Another program's picture: what was put here before is gone from the clipboard.
    lastPut() = StdPicture();
    return StdPicture(image);
}

}  // namespace lanxi::Clipboard
