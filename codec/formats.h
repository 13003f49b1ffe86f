#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"

// The picture formats the program reads, in one table: how each is recognised, what its header
// foretells, how it is decoded and how it is named to the user. Everything that lists, tells
// apart or names formats reads this table. Adding a format is one entry in PictureFormats() and
// one codec file with the format's header reader, footprint and decoder.
namespace lanxi {

enum class PictureFormat { Jpeg, Bmp, Png, Webp, Heif, Other };

// How many first bytes of a file the signature tests see.
inline constexpr int kSignatureBytes = 32;

struct FormatEntry {
    PictureFormat format;
    QString name;           // as the user reads it: "JPEG", "HEIC"
    QStringList suffixes;   // the file name endings it is listed under, without the dot
    QStringList mimeTypes;  // the types file managers know it by
    // One of the two formats the program was made for, which the windows list by default.
    bool designed;
    // Whether a file's first bytes (`got` of them, at most kSignatureBytes) are this format's.
    bool (*recognises)(const unsigned char* head, std::int64_t got);
    // The footprint from the header alone (see PictureFootprint). The decoder reads its header
    // with the same code and refuses what this refuses, in the same words.
    PictureFootprint (*probe)(const ByteSource& source);
    Decoded (*decode)(const QByteArray& bytes, const DecodeRequest& request);

    // "*.jpg;*.jpeg"
    QString wildcards() const;
};

// Every format the program reads itself, in the order they are listed.
const std::vector<FormatEntry>& PictureFormats();

// The entry for a file by its first bytes; for a file of none of them, the entry of Qt's own
// readers (PictureFormat::Other, which is listed nowhere).
const FormatEntry& FormatOf(const ByteSource& source);

// The wildcards the windows list and their dialogs offer, separated by ";": the designed two
// formats' ("*.jpg;*.jpeg;*.bmp"), or every format's. A file is recognised by its content when
// it is opened; these only choose what is shown.
QString BmpAndJpegWildcards();
QString EveryPictureWildcards();

// The formats' names as a sentence tells them: every format ("JPEG、BMP、PNG、WebP 和 HEIC"),
// or those beyond the designed two, listed ("PNG、WebP、HEIC").
QString ReadableFormatNames();
QString AddedFormatNames();

}  // namespace lanxi
