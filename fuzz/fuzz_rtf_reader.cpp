// libFuzzer target for the RTF reader: any bytes load without crashing,
// hanging or reading outside a buffer, and what loads survives our own round
// trip: writing the document and reading it again gives the same text. The
// text scanner of find in files, wherever it accepts the bytes, gives exactly
// the reader's text.
#include "rtf/rtf_entry_text.h"
#include "rtf/rtf_reader.h"
#include "rtf/rtf_text.h"
#include "rtf/rtf_writer.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QString BlockTexts(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        out += b.text();
        out += u'\n';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument doc;
    ReadRtf(bytes, doc);
    (void)RtfToPlainText(bytes.toStdString());
    const std::string_view view(reinterpret_cast<const char*>(data), size);
    if (const std::optional<QString> scanned = ScanEntryText(view))
        if (*scanned != ReaderEntryText(view)) std::abort(); // the scanner left the reader's rules

    QByteArray written = WriteRtf(doc);
    QTextDocument again;
    ReadRtf(written, again);
    if (BlockTexts(doc) != BlockTexts(again)) std::abort(); // the writer lost or changed text
    return 0;
}
