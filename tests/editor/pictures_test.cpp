// Pictures in entries from the running window: Insert > "Picture...", a
// pasted image and a dropped file go in at the caret, narrowed to the
// editor; a large photo is stored as a 1600-pixel JPEG, the file untouched;
// the stored \pict comes back on reload and is read by LibreOffice.
#include "editor/picture_import.h"
#include "editor_window.h"
#include "rtf/rtf_entry_text.h"
#include "rtf/rtf_picture.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QUrl>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

// A photograph-like image: noise JPEG holds in far less room than PNG.
QImage Photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(5);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x + y) % 256, static_cast<int>(rng.bounded(40)) + y % 200, x % 256);
    }
    return image;
}

QImage Flat(int w, int h, QColor color, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    image.fill(color);
    return image;
}

// The pictures of the editor's document, in order.
std::vector<rtf::Picture> PicturesOf(const QTextDocument& doc) {
    std::vector<rtf::Picture> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (auto p = rtf::PictureOf(it.fragment().charFormat())) out.push_back(*p);
    return out;
}

} // namespace

TEST(PictureImport, SmallPicturesKeptAsTheyAreLargeOnesScaledDown) {
    // A PNG within the limit is stored as its own bytes.
    const QByteArray png = Encoded(Flat(300, 200, Qt::blue), "PNG");
    TPictureImport small = PictureFromBytes(png);
    ASSERT_TRUE(small.Picture) << small.Error.toStdString();
    EXPECT_EQ(small.Picture->type, rtf::PictureType::Png);
    EXPECT_EQ(small.Picture->data, png);
    EXPECT_EQ(std::pair(small.Picture->width, small.Picture->height), std::pair(300, 200));

    // A photo wider than 1600 pixels: a 1600-pixel JPEG, proportions kept.
    TPictureImport photo = PictureFromBytes(Encoded(Photo(2400, 1800), "JPEG"));
    ASSERT_TRUE(photo.Picture);
    EXPECT_EQ(photo.Picture->type, rtf::PictureType::Jpeg);
    EXPECT_EQ(std::pair(photo.Picture->width, photo.Picture->height), std::pair(1600, 1200));
    EXPECT_EQ(QImage::fromData(photo.Picture->data, "JPEG").size(), QSize(1600, 1200));

    // A tall PNG with see-through parts stays PNG (JPEG has no alpha).
    QImage clear = Flat(900, 3200, QColor(0, 128, 0, 100), QImage::Format_ARGB32);
    TPictureImport tall = PictureFromBytes(Encoded(clear, "PNG"));
    ASSERT_TRUE(tall.Picture);
    EXPECT_EQ(tall.Picture->type, rtf::PictureType::Png);
    EXPECT_EQ(std::pair(tall.Picture->width, tall.Picture->height), std::pair(450, 1600));

    // Copied images: a photo as JPEG, a drawing as PNG.
    EXPECT_EQ(PictureFromImage(Photo(400, 300)).Picture->type, rtf::PictureType::Jpeg);
    EXPECT_EQ(PictureFromImage(Flat(400, 300, Qt::red)).Picture->type, rtf::PictureType::Png);
    EXPECT_FALSE(PictureFromImage(QImage()).Picture);

    // Not a picture, damaged, missing: a reason, no picture.
    EXPECT_FALSE(PictureFromBytes("just some text").Picture);
    EXPECT_FALSE(PictureFromBytes(png.left(png.size() / 2)).Picture);
    TPictureImport missing = PictureFromFile("/nonexistent/holiday.png");
    EXPECT_FALSE(missing.Picture);
    EXPECT_TRUE(missing.Error.contains("/nonexistent/holiday.png")) << missing.Error.toStdString();

    rtf::Picture wide = *photo.Picture;
    FitPicture(wide, 500);
    EXPECT_EQ(rtf::PictureDisplaySize(wide).toSize(), QSize(500, 375));
    EXPECT_TRUE(IsPictureFileName("/a/B.JPEG"));
    EXPECT_FALSE(IsPictureFileName("/a/notes.txt"));
}

class Pictures : public edtest::EditorWindow {
protected:
    void SetUp() override {
        Start();
        Type("Seaside ");
    }
    std::string SaveFile(const QImage& image, const std::string& name, const char* format) {
        const std::string path = scratch.file(name);
        testsupport::WriteFile(path, Encoded(image, format).toStdString());
        return path;
    }
    std::string StoredEntry() {
        TZipReader reader;
        reader.SetZipName(Archive());
        TMemoryStream stream;
        EXPECT_EQ(reader.ExtractToStream(&stream, form->Nav->CurrentMember()), 1);
        return stream.ToString();
    }
    void Drop(QMimeData* data) {
        QWidget* target = Ed().viewport();
        const QPointF at(20, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
};

TEST_F(Pictures, InsertedFromFilesStoredReloadedAndReadByLibreOffice) {
    const std::string png = SaveFile(Flat(120, 80, Qt::darkCyan), "shell.png", "PNG");
    const std::string jpeg = SaveFile(Photo(2400, 1800), "beach.jpg", "JPEG");
    const std::string jpegBytes = ReadFile(jpeg);

    prompts->FileNames.push_back(QString::fromStdString(png));
    form->InsertPicture1->trigger();
    Type(" and ");
    prompts->FileNames.push_back(QString::fromStdString(jpeg));
    form->InsertPicture1->trigger();
    EXPECT_TRUE(prompts->Messages().isEmpty()) << prompts->Messages().join('|').toStdString();
    EXPECT_TRUE(Ed().Modified());
    EXPECT_EQ(ReadFile(jpeg), jpegBytes); // the original file is only read

    std::vector<rtf::Picture> shown = PicturesOf(*Ed().document());
    ASSERT_EQ(shown.size(), 2u);
    // The photo is narrowed to the editor, the small one kept at its size.
    EXPECT_EQ(rtf::PictureDisplaySize(shown[0]).toSize(), QSize(120, 80));
    EXPECT_LT(rtf::PictureDisplaySize(shown[1]).width(), Ed().viewport()->width());

    form->FileSaveCmd->trigger();
    const std::string stored = StoredEntry();
    for (const char* word : {"{\\pict", "\\pngblip", "\\jpegblip", "\\picw120", "\\pich80",
                             "\\picw1600", "\\pich1200", "\\picwgoal1800", "\\pichgoal"})
        EXPECT_NE(stored.find(word), std::string::npos) << word;
    // The scanner for Find in Files reads a picture as one object character,
    // never its hex as text.
    const QChar object = QChar::ObjectReplacementCharacter;
    EXPECT_EQ(EntryText(stored).simplified(), QString("Seaside %1 and %1").arg(object));

    // Save As writes the same pictures into the file.
    const std::string saved = scratch.file("saved.rtf");
    prompts->FileNames.push_back(QString::fromStdString(saved));
    form->FileSaveAsCmd->trigger();
    EXPECT_NE(ReadFile(saved).find("\\jpegblip"), std::string::npos);
    EXPECT_NE(ReadFile(saved).find("\\pngblip"), std::string::npos);

    // Away and back: the pictures come back from the archive as stored.
    const QDate today = form->Nav->KeyDate();
    ASSERT_TRUE(form->Nav->GoToDate(today.addDays(today.day() > 1 ? -1 : 1)));
    EXPECT_TRUE(PicturesOf(*Ed().document()).empty());
    ASSERT_TRUE(form->Nav->GoToDate(today));
    std::vector<rtf::Picture> reloaded = PicturesOf(*Ed().document());
    ASSERT_EQ(reloaded.size(), 2u);
    EXPECT_EQ(reloaded[0].data, shown[0].data);
    EXPECT_EQ(reloaded[1].data, shown[1].data);
    EXPECT_FALSE(Ed().Modified());

    // LibreOffice reads both pictures of the stored RTF into its PDF.
    if (!testsupport::HaveProgram("soffice") || !testsupport::HaveProgram("pdfimages"))
        GTEST_SKIP() << "LibreOffice or poppler-utils missing";
    const std::string rtfFile = scratch.file("entry.rtf");
    testsupport::WriteFile(rtfFile, stored);
    ASSERT_EQ(RunCommand("soffice --headless -env:UserInstallation=file:///tmp/lo-guitests "
                         "--convert-to pdf --outdir " +
                         ShellQuote(scratch.path()) + " " + ShellQuote(rtfFile) +
                         " >/dev/null 2>&1"),
              0);
    std::string list;
    ASSERT_EQ(RunCommand("pdfimages -list " + ShellQuote(scratch.file("entry.pdf")), &list), 0);
    EXPECT_NE(list.find(" 120 "), std::string::npos) << list;
    EXPECT_NE(list.find(" 1600 "), std::string::npos) << list;
    EXPECT_NE(list.find(" 1200 "), std::string::npos) << list;
}

TEST_F(Pictures, PastedImageAndDroppedFileGoInAtTheCaret) {
    QApplication::clipboard()->setImage(Flat(64, 48, Qt::magenta));
    ASSERT_TRUE(Ed().CanPaste());
    Ed().paste();
    ASSERT_EQ(PicturesOf(*Ed().document()).size(), 1u);
    EXPECT_EQ(Ed().document()->toPlainText(),
              QString("Seaside ") + QChar::ObjectReplacementCharacter);

    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(
        QString::fromStdString(SaveFile(Flat(30, 20, Qt::yellow), "drop.png", "PNG")))});
    Drop(data);
    std::vector<rtf::Picture> pictures = PicturesOf(*Ed().document());
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(rtf::PictureDisplaySize(pictures[0]).toSize(), QSize(30, 20)); // dropped at the top
    delete data;

    // A dropped file that is no picture is refused with its name; nothing goes in.
    auto* bad = new QMimeData;
    const std::string fake = scratch.file("fake.png");
    testsupport::WriteFile(fake, "not a picture");
    bad->setUrls({QUrl::fromLocalFile(QString::fromStdString(fake))});
    Drop(bad);
    delete bad;
    EXPECT_EQ(PicturesOf(*Ed().document()).size(), 2u);
    ASSERT_EQ(prompts->Messages().size(), 1);
    EXPECT_TRUE(prompts->Messages()[0].contains("fake.png"));
}
