#include "rtf/rtf_picture.h"

#include "rtf/rtf_formats.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>

#include <algorithm>
#include <cmath>
#include <vector>

namespace rtf {
namespace {

const QString kScheme = QStringLiteral("dayscrib-picture");
constexpr double kMaxSide = 10000;
// A picture that gives no size at all is shown as a box of an inch.
constexpr double kDefaultSide = 96;

bool Drawable(PictureType type) {
    return type == PictureType::Png || type == PictureType::Jpeg || type == PictureType::Unknown;
}

// Metafiles give their own size in 0.01 mm, everything else in pixels.
bool MetricSize(PictureType type) {
    return type == PictureType::Emf || type == PictureType::Wmf || type == PictureType::Os2Metafile;
}

QSize EncodedSize(const QByteArray& data) {
    if (data.isEmpty()) return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.size(); // from the header alone
}

QString PictureName(const Picture& p) {
    const QByteArray digest = QCryptographicHash::hash(p.data, QCryptographicHash::Sha1).toHex();
    return kScheme + ':' + QString::fromLatin1(digest) + '.' +
           QString::number(static_cast<int>(p.type));
}

QImage Placeholder(const QSizeF& shown) {
    // Drawn at the size shown, up to a size that costs little memory; the
    // document scales it to the format's size.
    const QSize size(std::clamp(static_cast<int>(shown.width()), 8, 1024),
                     std::clamp(static_cast<int>(shown.height()), 8, 1024));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter painter(&image);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    const QRect frame(0, 0, size.width() - 1, size.height() - 1);
    painter.drawRect(frame);
    painter.drawLine(frame.topLeft(), frame.bottomRight());
    painter.drawLine(frame.bottomLeft(), frame.topRight());
    return image;
}

QByteArray MimeType(PictureType type) {
    return type == PictureType::Jpeg ? "image/jpeg" : "image/png";
}

template <class Visit> void ForEachPictureFormat(const QTextDocument& doc, Visit visit) {
    const QList<QTextFormat> formats = doc.allFormats();
    for (const QTextFormat& f : formats)
        if (f.isImageFormat() && f.hasProperty(kPictureDataProperty)) visit(f.toImageFormat());
}

} // namespace

QSizeF PictureDisplaySize(const Picture& p) {
    QSizeF size;
    if (p.goalWidth > 0 && p.goalHeight > 0) {
        size = QSizeF(double(p.goalWidth) / kTwipsPerPixel, double(p.goalHeight) / kTwipsPerPixel);
    } else if (p.width > 0 && p.height > 0) {
        size = MetricSize(p.type) ? QSizeF(p.width * 96.0 / 2540, p.height * 96.0 / 2540)
                                  : QSizeF(p.width, p.height);
    } else if (const QSize own = Drawable(p.type) ? EncodedSize(p.data) : QSize(); own.isValid()) {
        size = own;
    } else {
        size = QSizeF(kDefaultSide, kDefaultSide);
    }
    size = QSizeF(size.width() * p.scaleX / 100, size.height() * p.scaleY / 100);
    return QSizeF(std::clamp(size.width(), 1.0, kMaxSide),
                  std::clamp(size.height(), 1.0, kMaxSide));
}

QTextImageFormat ToImageFormat(const Picture& p, const CharAttrs& attrs) {
    QTextImageFormat f;
    f.merge(ToCharFormat(attrs));
    f.setObjectType(QTextFormat::ImageObject);
    f.setName(PictureName(p));
    const QSizeF shown = PictureDisplaySize(p);
    f.setWidth(shown.width());
    f.setHeight(shown.height());
    f.setProperty(kPictureDataProperty, p.data);
    f.setProperty(kPictureTypeProperty, static_cast<int>(p.type));
    f.setProperty(kPictureTypeParamProperty, p.typeParam);
    f.setProperty(kPictureWidthProperty, p.width);
    f.setProperty(kPictureHeightProperty, p.height);
    return f;
}

std::optional<Picture> PictureOf(const QTextCharFormat& format) {
    if (!format.isImageFormat() || !format.hasProperty(kPictureDataProperty)) return std::nullopt;
    const QTextImageFormat f = format.toImageFormat();
    Picture p;
    p.data = f.property(kPictureDataProperty).toByteArray();
    const int type = f.intProperty(kPictureTypeProperty);
    p.type = type >= 0 && type <= static_cast<int>(PictureType::Unknown)
                 ? static_cast<PictureType>(type)
                 : PictureType::Unknown;
    p.typeParam =
        f.hasProperty(kPictureTypeParamProperty) ? f.intProperty(kPictureTypeParamProperty) : -1;
    p.width = f.intProperty(kPictureWidthProperty);
    p.height = f.intProperty(kPictureHeightProperty);
    if ((p.width <= 0 || p.height <= 0) && Drawable(p.type)) {
        const QSize own = EncodedSize(p.data);
        p.width = std::max(own.width(), 0);
        p.height = std::max(own.height(), 0);
    }
    const auto twips = [](double pixels) {
        return static_cast<int>(std::lround(std::clamp(pixels, 1.0, kMaxSide) * kTwipsPerPixel));
    };
    const QSizeF fallback = PictureDisplaySize(p);
    p.goalWidth = twips(f.width() > 0 ? f.width() : fallback.width());
    p.goalHeight = twips(f.height() > 0 ? f.height() : fallback.height());
    return p;
}

bool IsPictureName(const QUrl& name) {
    return name.scheme() == kScheme;
}

QImage PictureImage(const Picture& p) {
    if (Drawable(p.type) && !p.data.isEmpty()) {
        QImage image;
        if (image.loadFromData(p.data)) return image;
    }
    return Placeholder(PictureDisplaySize(p));
}

QImage PictureImageFor(QTextDocument& doc, const QUrl& name) {
    QImage image;
    const QString wanted = name.toString();
    ForEachPictureFormat(doc, [&](const QTextImageFormat& f) {
        if (!image.isNull() || f.name() != wanted) return;
        if (const std::optional<Picture> p = PictureOf(f)) image = PictureImage(*p);
    });
    if (!image.isNull()) doc.addResource(QTextDocument::ImageResource, name, image);
    return image;
}

void AttachPictures(QTextDocument& doc) {
    QStringList done;
    ForEachPictureFormat(doc, [&](const QTextImageFormat& f) {
        if (done.contains(f.name())) return;
        done << f.name();
        if (const std::optional<Picture> p = PictureOf(f))
            doc.addResource(QTextDocument::ImageResource, QUrl(f.name()), PictureImage(*p));
    });
}

void EmbedPicturesForHtml(QTextDocument& doc) {
    // The pieces are found first: changing a format changes the fragments.
    struct TPiece {
        int Position, Length;
        QTextImageFormat Format;
    };
    std::vector<TPiece> pieces;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (PictureOf(it.fragment().charFormat()))
                pieces.push_back({it.fragment().position(), it.fragment().length(),
                                  it.fragment().charFormat().toImageFormat()});
    QTextCursor cursor(&doc);
    for (TPiece& piece : pieces) {
        const Picture p = *PictureOf(piece.Format);
        QByteArray bytes = p.data;
        if (p.type != PictureType::Png && p.type != PictureType::Jpeg) {
            bytes.clear();
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            PictureImage(p).save(&buffer, "PNG");
        }
        piece.Format.setName("data:" + MimeType(p.type) + ";base64," + bytes.toBase64());
        cursor.setPosition(piece.Position);
        cursor.setPosition(piece.Position + piece.Length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(piece.Format);
    }
}

} // namespace rtf
