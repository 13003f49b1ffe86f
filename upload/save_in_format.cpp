#include "upload/save_in_format.h"

#include "base/errors.h"
#include "codec/loader.h"
#include "encoder/jpeg_encode.h"
#include "upload/name_rule.h"

namespace lanxi {

bool SaveInFormatOfName(const StdPicture& picture, const QString& path, QString* reason) {
    if (HasJpegEnding(path)) {
        return WriteJpegFile(picture, path, kHighQuality, reason);
    }
    try {
        SavePicture(picture, path);
        return true;
    } catch (const Error& e) {
        if (reason != nullptr) {
            *reason = e.message();
        }
        return false;
    }
}

}  // namespace lanxi
