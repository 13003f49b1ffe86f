#pragma once

#include <QByteArray>
#include <QString>

// Whether a picture's header probe and its decoder agree on some bytes: when the decoder gives a
// picture, the probe foretold its size and no less memory than the decoding held; when the probe
// refuses, the decoder refuses with the same words. Empty when they agree, else what differs.
namespace lanxi::test {

QString ProbeDisagreement(const QByteArray& bytes);

}  // namespace lanxi::test
