// Pictures in entries: read from the forms word processors write, shown at
// their size, written back with their bytes unchanged, and carried into HTML.
#include "rtf/rtf_picture.h"
#include "rtf/rtf_reader.h"
#include "rtf/rtf_writer.h"
#include "rtf_test_support.h"

#include <QBuffer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

using namespace rtftest;

namespace {

const QChar kObject = QChar::ObjectReplacementCharacter;

QByteArray Png(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::string Doc(const std::string& body) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + body + "}";
}

// The image formats of the document's pictures, in order.
std::vector<QTextImageFormat> Pictures(const QTextDocument& doc) {
    std::vector<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                for (int i = 0; i < it.fragment().length(); ++i)
                    out.push_back(it.fragment().charFormat().toImageFormat());
    return out;
}

QTextDocument* Load(const std::string& rtf, QTextDocument& doc) {
    ReadRtf(QByteArray::fromStdString(rtf), doc);
    return &doc;
}

} // namespace

TEST(RtfPicture, PngStoredShownAndWrittenBackUnchanged) {
    const QByteArray png = Png(40, 30, QColor(200, 30, 30));
    QTextDocument doc;
    Load(Doc("Before {\\pict\\pngblip\\picw40\\pich30\\picwgoal900\\pichgoal675\r\n" +
             png.toHex().toStdString() + "} after\\par"),
         doc);
    EXPECT_EQ(doc.toRawText(), QString("Before ") + kObject + " after");
    const std::vector<QTextImageFormat> pictures = Pictures(doc);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].width(), 60); // 900 twips, 15 to the pixel
    EXPECT_EQ(pictures[0].height(), 45);
    EXPECT_EQ(pictures[0].property(rtf::kPictureDataProperty).toByteArray(), png);
    const QImage shown = rtf::PictureImage(*rtf::PictureOf(pictures[0]));
    EXPECT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(200, 30, 30));

    const QByteArray written = WriteRtf(doc);
    const qsizetype at =
        written.indexOf("{\\pict\\pngblip\\picw40\\pich30\\picwgoal900\\pichgoal675");
    ASSERT_GE(at, 0) << written.toStdString();
    QByteArray hex = written.mid(at, written.indexOf('}', at) - at);
    hex = hex.mid(hex.indexOf("\r\n")).replace("\r\n", "");
    EXPECT_EQ(QByteArray::fromHex(hex), png);
    EXPECT_LE(written.split('\n').size(), 5 + png.size() / 64 + 2); // lines of 128 digits

    QTextDocument again;
    Load(written.toStdString(), again);
    EXPECT_EQ(again.toRawText(), doc.toRawText());
    ASSERT_EQ(Pictures(again).size(), 1u);
    EXPECT_EQ(Pictures(again)[0], pictures[0]); // name, size, bytes and type alike
}

// Other programs' forms: Word's picture with its fallback for old readers,
// an embedded object's result, a size in 0.01 mm, scaling, binary data, no
// goal at all.
TEST(RtfPicture, ForeignFormsAndSizes) {
    const QByteArray png = Png(20, 10, Qt::blue);
    const std::string hex = png.toHex().toStdString();
    QTextDocument word;
    Load(Doc("{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv \\picw5 abc}}}\\picscalex50"
             "\\picscaley200\\picw20\\pich10\\picwgoal300\\pichgoal150\\pngblip " +
             hex + "}}{\\nonshppict{\\pict\\wmetafile8\\picw1\\pich1 0102}}x\\par"),
         word);
    EXPECT_EQ(word.toRawText(), QString(kObject) + "x");
    ASSERT_EQ(Pictures(word).size(), 1u);
    const QTextImageFormat f = Pictures(word)[0];
    EXPECT_EQ(f.property(rtf::kPictureDataProperty).toByteArray(), png);
    EXPECT_EQ(f.width(), 10); // 300 twips at 50 %
    EXPECT_EQ(f.height(), 20);

    QTextDocument sizes;
    Load(Doc("{\\pict\\wmetafile8\\picw2540\\pich1270 0102}" // 1 inch by half an inch
             "{\\pict\\pngblip\\picw20\\pich10 " +
             hex +
             "}" // its own pixels
             "{\\pict\\pngblip " +
             hex +
             "}"                                                    // from the PNG's header
             "{\\pict\\jpegblip\\picwgoal15\\pichgoal15\\bin3 }}}}" // raw bytes, braces inside
             "{\\pict}"),                                           // nothing at all: an inch
         sizes);
    const std::vector<QTextImageFormat> p = Pictures(sizes);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(QSizeF(p[0].width(), p[0].height()), QSizeF(96, 48));
    EXPECT_EQ(QSizeF(p[1].width(), p[1].height()), QSizeF(20, 10));
    EXPECT_EQ(QSizeF(p[2].width(), p[2].height()), QSizeF(20, 10));
    EXPECT_EQ(p[3].property(rtf::kPictureDataProperty).toByteArray(), QByteArray("}}}"));
    EXPECT_EQ(QSizeF(p[3].width(), p[3].height()), QSizeF(1, 1));
    EXPECT_EQ(QSizeF(p[4].width(), p[4].height()), QSizeF(96, 96));
    EXPECT_EQ(sizes.toRawText(), QString(5, kObject));
}

// A metafile is kept, bytes and type, and written back as it came; it shows
// as a box of its size, never as text.
TEST(RtfPicture, MetafileIsAPlaceholderKeptForTheNextSave) {
    QTextDocument doc;
    Load(Doc("A{\\pict\\wmetafile8\\picw2540\\pich2540\\picwgoal720\\pichgoal360 "
             "010009000003 cafe}B\\par"),
         doc);
    EXPECT_EQ(doc.toRawText(), QString("A") + kObject + "B");
    const QTextImageFormat f = Pictures(doc).at(0);
    const std::optional<rtf::Picture> p = rtf::PictureOf(f);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->type, rtf::PictureType::Wmf);
    EXPECT_EQ(p->typeParam, 8);
    EXPECT_EQ(p->data, QByteArray::fromHex("010009000003cafe"));
    const QImage box = rtf::PictureImage(*p);
    EXPECT_EQ(box.size(), QSize(48, 24));
    EXPECT_NE(box.pixelColor(0, 0), box.pixelColor(20, 3)); // a frame around a light box

    const QByteArray written = WriteRtf(doc);
    EXPECT_NE(written.indexOf("{\\pict\\wmetafile8\\picw2540\\pich2540\\picwgoal720\\pichgoal360"
                              "\r\n010009000003cafe}"),
              -1)
        << written.toStdString();
}

// An image put into a document by other means than ours (a resource of the
// document) is stored as PNG; HTML carries every picture in data: URLs.
TEST(RtfPicture, ImagesOfOtherOriginAndHtml) {
    QTextDocument doc;
    QImage green(8, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    doc.addResource(QTextDocument::ImageResource, QUrl("mem:green"), green);
    QTextCursor c(&doc);
    c.insertImage("mem:green");
    QTextDocument read;
    Load(WriteRtf(doc).toStdString(), read);
    ASSERT_EQ(Pictures(read).size(), 1u);
    const std::optional<rtf::Picture> p = rtf::PictureOf(Pictures(read)[0]);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->type, rtf::PictureType::Png);
    EXPECT_EQ(rtf::PictureImage(*p).pixelColor(1, 1), QColor(Qt::green));

    const QByteArray png = Png(6, 6, Qt::red);
    QTextDocument html;
    Load(Doc("x{\\pict\\pngblip " + png.toHex().toStdString() +
             "}{\\pict\\emfblip\\picwgoal150\\pichgoal150 01}y"),
         html);
    rtf::EmbedPicturesForHtml(html);
    const QString out = html.toHtml();
    EXPECT_TRUE(out.contains("src=\"data:image/png;base64," + QString::fromLatin1(png.toBase64())))
        << out.toStdString();
    EXPECT_EQ(out.count("src=\"data:image/png;base64,"), 2);
    EXPECT_EQ(html.toRawText(), QString("x") + kObject + kObject + "y");
}
