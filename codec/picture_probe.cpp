#include "codec/picture_probe.h"

#include "base/errors.h"
#include "base/log.h"
#include "codec/formats.h"
#include "codec/limits.h"
#include "system/regular_file.h"

namespace lanxi {

PictureFootprint ProbePicture(const ByteSource& source) {
    // The cheap rule first: a file the loader will not read is not scanned for a header either.
    if (QString tooLarge = TooLargeToRead(source.size(), kMaxFileBytes); !tooLarge.isEmpty()) {
        PictureFootprint f;
        f.fileBytes = source.size();
        f.refusal = std::move(tooLarge);
        return f;
    }
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
