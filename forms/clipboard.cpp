#include "forms/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace lanxi::Clipboard {

void Clear() {
    QGuiApplication::clipboard()->clear();
}

void SetData(const StdPicture& picture) {
    if (picture.isEmpty()) {
        Clear();
        return;
    }
    QGuiApplication::clipboard()->setImage(picture.image());
}

StdPicture GetData() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasImage()) {
        return {};
    }
    return StdPicture(QGuiApplication::clipboard()->image());
}

}  // namespace lanxi::Clipboard
