#include "jpeg/save_in_format.h"

#include "jpeg/jpeg_file.h"
#include "jpeg/name_rule.h"
#include "picture/errors.h"
#include "picture/loader.h"

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
