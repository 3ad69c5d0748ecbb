#include "editor/picture_import.h"

#include "rtf/rtf_picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Whether any pixel lets what is behind it show through.
bool SeeThrough(const QImage& image) {
    if (!image.hasAlphaChannel()) return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255) return true;
    }
    return false;
}

QByteArray Encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) return {};
    return bytes;
}

// JPEG has no transparency: what shows through is drawn on white first.
QImage Opaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

enum class TPrefer { Png, Jpeg, Smaller };

TPictureImport Store(QImage image, TPrefer prefer) {
    TPictureImport result;
    if (image.isNull()) {
        result.Error = "The picture is empty.";
        return result;
    }
    if (std::max(image.width(), image.height()) > kMaxStoredSide) {
        image = image.scaled(kMaxStoredSide, kMaxStoredSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
        if (prefer == TPrefer::Png) prefer = TPrefer::Jpeg; // a large picture is a photo
    }
    rtf::Picture p;
    const bool seeThrough = SeeThrough(image);
    QByteArray png, jpeg;
    if (prefer != TPrefer::Jpeg || seeThrough) png = Encode(image, "PNG");
    if (!seeThrough && prefer != TPrefer::Png) jpeg = Encode(Opaque(image), "JPEG", kJpegQuality);
    const bool useJpeg =
        !jpeg.isEmpty() && (png.isEmpty() || (prefer == TPrefer::Smaller &&
                                              png.size() > 4 * static_cast<qint64>(jpeg.size())));
    p.type = useJpeg ? rtf::PictureType::Jpeg : rtf::PictureType::Png;
    p.data = useJpeg ? jpeg : png;
    if (p.data.isEmpty()) {
        result.Error = "The picture could not be stored.";
        return result;
    }
    p.width = image.width();
    p.height = image.height();
    FitPicture(p, 1e9);
    result.Picture = std::move(p);
    return result;
}

} // namespace

TPictureImport PictureFromBytes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    TPictureImport result;
    if (format.isEmpty() || !size.isValid() || size.isEmpty()) {
        result.Error = "It is not a picture (PNG or JPEG).";
        return result;
    }
    const bool png = format == "png", jpeg = format == "jpeg" || format == "jpg";
    const bool turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if ((png || jpeg) && !turned && std::max(size.width(), size.height()) <= kMaxStoredSide) {
        QImage check;
        if (!check.loadFromData(bytes)) { // a damaged file is refused now, not drawn as a box
            result.Error = "The picture is damaged.";
            return result;
        }
        rtf::Picture p;
        p.type = png ? rtf::PictureType::Png : rtf::PictureType::Jpeg;
        p.data = bytes;
        p.width = check.width();
        p.height = check.height();
        FitPicture(p, 1e9);
        result.Picture = std::move(p);
        return result;
    }
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        result.Error = "The picture is damaged.";
        return result;
    }
    return Store(image, jpeg ? TPrefer::Jpeg : TPrefer::Png);
}

TPictureImport PictureFromFile(const QString& fileName) {
    QFile file(fileName);
    TPictureImport result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.Error = "Cannot open " + fileName + ": " + file.errorString();
        return result;
    }
    result = PictureFromBytes(file.readAll());
    if (!result.Picture) result.Error = "Cannot insert " + fileName + ": " + result.Error;
    return result;
}

TPictureImport PictureFromImage(const QImage& image) {
    return Store(image, TPrefer::Smaller);
}

void FitPicture(rtf::Picture& p, double maxWidth) {
    double w = p.width > 0 ? p.width : 1, h = p.height > 0 ? p.height : 1;
    if (maxWidth >= 1 && w > maxWidth) {
        h = h * maxWidth / w;
        w = maxWidth;
    }
    p.goalWidth = static_cast<int>(std::lround(std::max(w, 1.0) * rtf::kTwipsPerPixel));
    p.goalHeight = static_cast<int>(std::lround(std::max(h, 1.0) * rtf::kTwipsPerPixel));
    p.scaleX = p.scaleY = 100;
}

bool IsPictureFileName(const QString& fileName) {
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix);
}
