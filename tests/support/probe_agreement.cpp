#include "tests/support/probe_agreement.h"

#include "base/errors.h"
#include "codec/loader.h"
#include "codec/picture_probe.h"

namespace lanxi::test {

QString ProbeDisagreement(const QByteArray& bytes) {
    const PictureFootprint probed = ProbePicture(MemorySource(bytes));
    LoadControl control;
    StdPicture picture;
    QString refusal;
    try {
        picture = DecodePicture(bytes, &control);
    } catch (const Error& e) {
        refusal = e.message();
    }
    if (!probed.refusal.isEmpty() && refusal != probed.refusal) {
        return QStringLiteral("the probe refuses (%1), the decoder %2")
            .arg(probed.refusal, refusal.isEmpty() ? QStringLiteral("decodes") : refusal);
    }
    if (!picture.isEmpty() && probed.size != picture.size()) {
        return QStringLiteral("the probe foretells %1 x %2, the decoder gives %3 x %4")
            .arg(probed.size.width())
            .arg(probed.size.height())
            .arg(picture.width())
            .arg(picture.height());
    }
    if (!picture.isEmpty() && probed.memoryBytes < control.peakBytes) {
        return QStringLiteral("the probe foretells %1 bytes, the decoder held %2")
            .arg(probed.memoryBytes)
            .arg(control.peakBytes);
    }
    return {};
}

}  // namespace lanxi::test
