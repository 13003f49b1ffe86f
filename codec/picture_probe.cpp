#include "codec/picture_probe.h"

#include "base/errors.h"
#include "base/log.h"
#include "codec/formats.h"
#include "system/regular_file.h"

namespace lanxi {

PictureFootprint ProbePicture(const ByteSource& source) {
    return FormatOf(source).probe(source);
}

PictureFootprint ProbePictureFile(const QString& path) {
    try {
        RegularFile file;
        file.open(path);
        return ProbePicture(FileSource(file));
    } catch (const Error& e) {
        qCDebug(lcProgram) << "no header read from" << path << ":" << e.message();
        return {};
    }
}

}  // namespace lanxi
