// Twenty years of a diary for the benchmarks: the member names in the order
// a diary grows (every day of 2001 to 2020, each week's, month's and year's
// summary as it ends: 8,812 members) and entries of 1-3 KB of made-up prose
// written as RTF by the editor's own RTF writer, a few words bold or italic.
#pragma once

#include "bench_prose.h"
#include "rtf/rtf_writer.h"
#include "store/entry_key.h"

#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <string>
#include <vector>

constexpr int kDiaryFirstYear = 2001, kDiaryLastYear = 2020;

inline std::vector<std::string> DiaryMemberNames() {
    using namespace std::chrono;
    std::vector<std::string> names;
    for (int y = kDiaryFirstYear; y <= kDiaryLastYear; ++y) {
        for (unsigned m = 1; m <= 12; ++m) {
            const year_month ym{year{y}, month{m}};
            const unsigned last = static_cast<unsigned>((ym / std::chrono::last).day());
            int week = 1;
            for (unsigned d = 1; d <= last; ++d) {
                const TEntryKey key = KeyForDate(ym / day{d});
                if (key.Week != week) {
                    names.push_back(MemberPath(
                        TEntryKey{key.Year, key.Month, static_cast<std::uint16_t>(week), 1},
                        TEntryLevel::elWeek));
                    week = key.Week;
                }
                names.push_back(MemberPath(key, TEntryLevel::elDay));
            }
            names.push_back(
                MemberPath(TEntryKey{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                                     static_cast<std::uint16_t>(week), 1},
                           TEntryLevel::elWeek));
            names.push_back(MemberPath(
                TEntryKey{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), 1, 1},
                TEntryLevel::elMonth));
        }
        names.push_back(
            MemberPath(TEntryKey{static_cast<std::uint16_t>(y), 1, 1, 1}, TEntryLevel::elYear));
    }
    return names;
}

// One entry's RTF: paragraphs of `size` characters in all, a few words bold
// or italic; `planted` goes into the first paragraph, split by formatting
// (its first four letters bold) when `split`.
inline std::string DiaryEntryRtf(TProse& prose, std::size_t size, const QString& planted = {},
                                 bool split = false) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat plain, bold, italic;
    bold.setFontWeight(QFont::Bold);
    italic.setFontItalic(true);
    std::size_t written = 0;
    for (int para = 0; written < size; ++para) {
        if (para > 0) c.insertBlock();
        const QString text = prose.Words(150 + prose.Rng()() % 350);
        const int cut = static_cast<int>(prose.Rng()() % static_cast<unsigned>(text.size()));
        c.insertText(text.left(cut), plain);
        c.insertText(text.mid(cut, 12), prose.Rng()() % 2 ? bold : italic);
        c.insertText(text.mid(cut + 12), plain);
        if (!planted.isEmpty() && para == 0) {
            if (split) {
                c.insertText(" " + planted.left(4), bold);
                c.insertText(planted.mid(4) + " ", plain);
            } else {
                c.insertText(" " + planted + " ", plain);
            }
        }
        written += static_cast<std::size_t>(text.size());
    }
    return WriteRtf(doc).toStdString();
}
