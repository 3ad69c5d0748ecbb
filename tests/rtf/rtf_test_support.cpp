#include "rtf_test_support.h"

#include "support/test_support.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace rtftest {

std::vector<QString> Blocks(const QTextDocument& doc) {
    std::vector<QString> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out.push_back(b.text());
    return out;
}

std::string Text(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) out += u'\n';
        out += b.text();
    }
    return out.toStdString();
}

QTextCharFormat FormatAt(const QTextDocument& doc, const QString& needle) {
    QTextCursor c = doc.find(needle, 0, QTextDocument::FindCaseSensitively);
    if (c.isNull()) {
        ADD_FAILURE() << "text not found: " << needle.toStdString();
        return {};
    }
    // The format of the character after the match start.
    QTextCursor at(const_cast<QTextDocument*>(&doc));
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

QTextBlock BlockOf(const QTextDocument& doc, const QString& needle) {
    QTextCursor c = doc.find(needle, 0, QTextDocument::FindCaseSensitively);
    if (c.isNull()) {
        ADD_FAILURE() << "text not found: " << needle.toStdString();
        return {};
    }
    return c.block();
}

std::vector<std::string> NormalisedLines(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QChar(0x2028), u'\n');
    std::vector<std::string> lines;
    static const QRegularExpression space(QStringLiteral("[\\s\\x{00A0}]+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression marker(QStringLiteral("^(\\x{2022}|\\x{00B7}|[0-9]+\\.)\\s+"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    for (QString line : text.split(u'\n')) {
        line.replace(space, QStringLiteral(" "));
        line = line.trimmed();
        line.remove(marker);
        lines.push_back(line.toStdString());
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

void ExpectSameLines(const std::vector<std::string>& ours, const std::vector<std::string>& theirs) {
    std::size_t n = std::min(ours.size(), theirs.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (ours[i] != theirs[i]) {
            ADD_FAILURE() << "line " << i + 1 << " differs:\n ours:   " << ours[i]
                          << "\n theirs: " << theirs[i];
            return;
        }
    }
    EXPECT_EQ(ours.size(), theirs.size()) << "same lines, different count";
}

std::string ReadData(const std::string& relative) {
    return testsupport::ReadFile(testsupport::TestData(relative));
}

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace rtftest
