// JPEG pictures decoded with libjpeg (libjpeg-turbo), for the splash window.
#pragma once

#include <QByteArray>
#include <QImage>

// The picture in `bytes`, as 24-bit RGB; a null image when the bytes are no
// JPEG, are damaged or cut short (libjpeg's warnings count as damage), or
// the picture is larger than `maxPixels`.
QImage DecodeJpeg(const QByteArray& bytes, qint64 maxPixels = 64LL * 1024 * 1024);
