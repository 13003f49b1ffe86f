#include "upload/name_rule.h"

namespace lanxi {
namespace {

// Both separators count, so that names typed the Windows way are read the same everywhere.
qsizetype fileNameStart(const QString& path) {
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash + 1;
}

// Where the file name's ending starts (its last dot), or -1 when it has none: a leading dot
// marks a hidden file, not an ending.
qsizetype endingDot(const QString& path) {
    const qsizetype start = fileNameStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > start ? dot : -1;
}

}  // namespace

QString JpegName(const QString& path) {
    if (HasJpegEnding(path)) {
        return path;
    }
    const qsizetype dot = endingDot(path);
    return dot < 0 ? path + QLatin1String(".jpg") : path.left(dot + 1) + QLatin1String("jpg");
}

QString YsName(const QString& path) {
    if (endingDot(path) < 0) {
        return path + QLatin1String("_YS.jpg");
    }
    const qsizetype start = fileNameStart(path);
    QString name = path.mid(start);
    name.replace(QLatin1Char('.'), QLatin1String("_YS."));
    return JpegName(path.left(start) + name);
}

bool HasJpegEnding(const QString& path) {
    return path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

}  // namespace lanxi
