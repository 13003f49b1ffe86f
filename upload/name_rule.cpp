#include "upload/name_rule.h"

namespace lanxi {
namespace {

// Both separators count, so that names typed the Windows way are read the same everywhere.
qsizetype fileNameStart(const QString& path) {
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash + 1;
}

}  // namespace

QString JpgEnding(const QString& path) {
    if (path.size() >= 3 && path.right(3).compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
        return path.left(path.size() - 3) + QLatin1String("jpg");
    }
    return path;
}

QString YsName(const QString& path) {
    const qsizetype start = fileNameStart(path);
    QString name = path.mid(start);
    if (!name.contains(QLatin1Char('.'))) {
        return path + QLatin1String("_YS.jpg");
    }
    name.replace(QLatin1Char('.'), QLatin1String("_YS."));
    return JpgEnding(path.left(start) + name);
}

bool HasJpegEnding(const QString& path) {
    return path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

}  // namespace lanxi
