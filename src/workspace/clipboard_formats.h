#pragma once
// Clipboard exchange of pictures through QMimeData (no display needed, so it is testable).
//
// Copy offers the picture three ways: our own raw format (exact pixels, alpha included, only
// useful between running copies of this program), PNG, and Qt's image data (a DIB on Windows).
// Paste takes the first of those the data offers, in that order.
#include "imaging/image.h"

#include <QByteArray>
#include <QMimeData>
#include <QString>

#include <optional>

namespace mw {

// The raw format's name; on Windows Qt maps it to the registered clipboard format
// "IMAGEEN RAW FORMAT", elsewhere it is a private type.
extern const QString kRawImageMimeType;
extern const QString kPngMimeType;  // "image/png"

// Raw payload, little-endian: magic "MWRAW\0", u16 version (1), u16 flags (bit 0: alpha),
// u16 bits per pixel, u32 width, u32 height, then width * height RGBA pixels.
QByteArray encodeRawImage(const Image& image);
// nullopt for anything that is not a complete, valid payload of a known version.
std::optional<Image> decodeRawImage(const QByteArray& payload);

// Whether Paste can find a picture at all (the Paste item's enabled state).
bool mimeOffersImage(const QMimeData* data);

// The picture Paste takes: raw, then PNG, then image data; a format that is present but
// broken is skipped for the next one. nullopt when none yields a picture.
std::optional<Image> imageFromMimeData(const QMimeData* data);

// New mime data holding `image` in all three formats. The caller owns it (hand it to
// QClipboard::setMimeData, which takes ownership).
QMimeData* mimeDataForImage(const Image& image);

} // namespace mw
