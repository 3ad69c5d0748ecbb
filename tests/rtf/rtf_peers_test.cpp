// What we write, other readers read: LibreOffice and unrtf convert our RTF
// to the same plain text that we read from it.
#include "platform/codepage.h"
#include "rtf/rtf_text.h"
#include "rtf_test_support.h"

#include "support/test_support.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextList>
#include <gtest/gtest.h>

using namespace rtftest;
using testsupport::TempDir;

namespace {

struct Sample {
    std::string name;
    QByteArray rtf;
};

QTextCharFormat Face(const QString& face, qreal size) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{face});
    f.setFontPointSize(size);
    return f;
}

// Documents that use every feature the writer has.
std::vector<Sample> Samples() {
    std::vector<Sample> out;
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat f = Face(QStringLiteral("MS Sans Serif"), 8);
        c.insertText(QStringLiteral("Dear diary, {braces} and \\backslash\\"), f);
        c.insertBlock();
        f.setFontWeight(QFont::Bold);
        c.insertText(QStringLiteral("Bold "), f);
        f.setFontItalic(true);
        c.insertText(QStringLiteral("bold italic "), f);
        f = Face(QStringLiteral("Arial"), 14);
        f.setFontUnderline(true);
        f.setForeground(QColor(200, 0, 0));
        c.insertText(QStringLiteral("red underline "), f);
        f = Face(QStringLiteral("Arial"), 14);
        f.setFontStrikeOut(true);
        c.insertText(QStringLiteral("struck"), f);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        c.insertBlock(centred);
        c.insertText(QStringLiteral("Centred with\ttab"), Face(QStringLiteral("Arial"), 10));
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setRightMargin(36);
        c.insertBlock(right);
        c.insertText(QStringLiteral("Right") + QChar(QChar::LineSeparator) +
                         QStringLiteral("second line"),
                     Face(QStringLiteral("Arial"), 10));
        c.insertBlock(QTextBlockFormat());
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("After an empty paragraph"), Face(QStringLiteral("Arial"), 10));
        out.push_back({"formats", WriteRtf(doc)});
    }
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat f = Face(QStringLiteral("Times New Roman"), 12);
        c.insertText(QString::fromUtf8("Western: caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC 5 "
                                       "\xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x80\x94 dash"),
                     f);
        c.insertBlock();
        c.insertText(QString::fromUtf8("Greek: \xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD"
                                       "\xCF\x81\xCE\xB1"),
                     f);
        c.insertBlock();
        c.insertText(QString::fromUtf8("Cyrillic: \xD0\x94\xD0\xBE\xD0\xB1\xD1\x80\xD0\xBE\xD0\xB5 "
                                       "\xD1\x83\xD1\x82\xD1\x80\xD0\xBE"),
                     f);
        c.insertBlock();
        c.insertText(QString::fromUtf8("CJK: \xE6\x97\xA5\xE8\xA8\x98\xE5\xB8\xB3"), f);
        c.insertBlock();
        c.insertText(QString::fromUtf8("Emoji: \xF0\x9F\x98\x80 \xF0\x9F\x93\x94"), f);
        out.push_back({"scripts", WriteRtf(doc)});
    }
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat f = Face(QStringLiteral("MS Sans Serif"), 8);
        c.insertText(QStringLiteral("Shopping"), f);
        QTextBlockFormat item;
        item.setTextIndent(-18);
        item.setLeftMargin(36);
        c.insertBlock(item);
        c.createList(QTextListFormat::ListDisc);
        c.insertText(QStringLiteral("bread"), f);
        c.insertBlock();
        c.insertText(QStringLiteral("milk"), f);
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("Done"), f);
        out.push_back({"bullets", WriteRtf(doc)});
    }
    return out;
}

// Our own reading of the RTF, as text lines without list markers.
std::vector<std::string> OurLines(const QByteArray& rtf) {
    return NormalisedLines(RtfToPlainText(rtf.toStdString()));
}

std::vector<std::string> NonEmpty(std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) { return l.empty(); });
    return lines;
}

} // namespace

TEST(RtfPeers, LibreOfficeReadsWhatWeWrite) {
    ASSERT_TRUE(testsupport::HaveProgram("soffice"));
    TempDir dir;
    std::vector<Sample> samples = Samples();
    std::string files;
    for (const Sample& s : samples) {
        testsupport::WriteFile(dir.file(s.name + ".rtf"), s.rtf.toStdString());
        files += " " + testsupport::ShellQuote(dir.file(s.name + ".rtf"));
    }
    // One call converts every sample; a private profile keeps parallel runs apart.
    std::string cmd = "soffice -env:UserInstallation=file://" + dir.path() +
                      "/profile --headless --convert-to 'txt:Text (encoded):UTF8' --outdir " +
                      testsupport::ShellQuote(dir.path() + "/out") + files + " >/dev/null 2>&1";
    ASSERT_EQ(testsupport::RunCommand(cmd), 0);
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name);
        std::string txt = testsupport::ReadFile(dir.path() + "/out/" + s.name + ".txt");
        // LibreOffice ends a line break (\line) with a line of its own, as we
        // do; it keeps empty paragraphs, as we do.
        EXPECT_EQ(NormalisedLines(txt), OurLines(s.rtf));
    }
}

TEST(RtfPeers, UnrtfReadsWhatWeWrite) {
    ASSERT_TRUE(testsupport::HaveProgram("unrtf"));
    TempDir dir;
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        std::string file = dir.file(s.name + ".rtf");
        testsupport::WriteFile(file, s.rtf.toStdString());
        std::string out;
        // In the scratch folder: unrtf writes the pictures it meets beside it.
        std::string cmd = "cd " + testsupport::ShellQuote(dir.path()) + " && unrtf --text " +
                          testsupport::ShellQuote(file) + " 2>/dev/null";
        ASSERT_EQ(testsupport::RunCommand(cmd, &out), 0);
        // unrtf opens with "###" comment lines and a rule; after that come the
        // text lines. Its text mode writes each character it read from \'hh
        // as the low byte of its code point (U+20AC from \'80 comes out as
        // 0xAC), a \uN character as its "?" fallback, and breaks lines after
        // tabs. So compare the text without white space, with our characters
        // mapped the same way, and check that our lines appear in order.
        std::size_t rule = out.find("-----------------\n");
        ASSERT_NE(rule, std::string::npos) << out;
        QString theirs = QString::fromLatin1(Bytes(out.substr(rule + 18)));
        theirs.remove(QRegularExpression(QStringLiteral("\\s")));
        qsizetype at = 0;
        for (const std::string& line : NonEmpty(OurLines(s.rtf))) {
            QString expected;
            for (QChar c : QString::fromStdString(line)) {
                if (c.isSpace()) continue;
                bool ansi = !c.isSurrogate() && UnicodeToAnsi(c.unicode()) >= 0;
                expected += ansi ? QChar(c.unicode() & 0xFF) : QChar(u'?');
            }
            qsizetype found = theirs.indexOf(expected, at);
            EXPECT_GE(found, 0) << "missing: " << line << "\nunrtf:\n" << out;
            if (found >= 0) at = found + expected.size();
        }
    }
}
