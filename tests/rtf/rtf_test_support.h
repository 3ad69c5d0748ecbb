// Helpers shared by the RTF tests: loading bytes into a document, reading
// blocks and the format of a piece of text, normalising plain text.
#pragma once

#include "rtf/rtf_reader.h"
#include "rtf/rtf_writer.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <string>
#include <vector>

namespace rtftest {

// The texts of the document's blocks.
std::vector<QString> Blocks(const QTextDocument& doc);

// The document's text with blocks as lines, UTF-8.
std::string Text(const QTextDocument& doc);

// Format of the first character of the first occurrence of `needle`; fails
// the calling test (and returns a default format) when it is absent.
QTextCharFormat FormatAt(const QTextDocument& doc, const QString& needle);

// The block that holds the first occurrence of `needle`.
QTextBlock BlockOf(const QTextDocument& doc, const QString& needle);

// Lines of plain text made comparable across converters: a BOM dropped, runs
// of white space made one space, each line trimmed, list markers ("•", "·",
// "1.") at the start of a line dropped, trailing empty lines dropped.
std::vector<std::string> NormalisedLines(const std::string& utf8);

// Compares line lists, reporting the first line that differs.
void ExpectSameLines(const std::vector<std::string>& ours, const std::vector<std::string>& theirs);

std::string ReadData(const std::string& relative);

QByteArray Bytes(const std::string& s);

} // namespace rtftest
