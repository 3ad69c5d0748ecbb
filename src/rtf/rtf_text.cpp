#include "rtf/rtf_text.h"

#include "rtf/rtf_parser.h"

namespace rtf {
namespace {

QString Roman(int n) {
    static const std::pair<int, const char*> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString out;
    for (const auto& [value, text] : kDigits) {
        while (n >= value) {
            out += QLatin1String(text);
            n -= value;
        }
    }
    return out;
}

QString Letters(int n) { // 1 -> a, 26 -> z, 27 -> aa
    QString out;
    while (n > 0) {
        --n;
        out.prepend(QChar(u'a' + n % 26));
        n /= 26;
    }
    return out;
}

} // namespace

QString ListMarker(const ParaAttrs& para, int number) {
    QString digits;
    switch (para.list) {
    case ListStyle::None:
        return {};
    case ListStyle::Bullet:
        return QString(QChar(0x2022));
    case ListStyle::Decimal:
        digits = QString::number(number);
        break;
    case ListStyle::LowerAlpha:
        digits = Letters(number);
        break;
    case ListStyle::UpperAlpha:
        digits = Letters(number).toUpper();
        break;
    case ListStyle::LowerRoman:
        digits = Roman(number);
        break;
    case ListStyle::UpperRoman:
        digits = Roman(number).toUpper();
        break;
    }
    return para.numberPrefix + digits + para.numberSuffix;
}

QString DocumentToPlainText(const Document& doc) {
    QString out;
    if (doc.paragraphs.size() == 1 && doc.paragraphs[0].runs.empty() &&
        doc.paragraphs[0].attrs.list == ListStyle::None)
        return out; // an empty document has no line
    int number = 0;
    const ParaAttrs* previous = nullptr;
    for (const Paragraph& p : doc.paragraphs) {
        if (p.attrs.list != ListStyle::None) {
            bool continues = previous && previous->list == p.attrs.list;
            number = continues ? number + 1 : p.attrs.listStart;
            out += ListMarker(p.attrs, number);
            out += u' ';
        }
        for (const Run& r : p.runs) {
            if (r.picture) continue; // a picture has no text
            QString text = r.text;
            text.replace(QChar(0x2028), u'\n');
            out += text;
        }
        out += u'\n';
        previous = &p.attrs;
    }
    return out;
}

} // namespace rtf

std::string RtfToPlainText(const std::string& rtfBytes) {
    return rtf::DocumentToPlainText(rtf::ParseRtf(rtfBytes)).toStdString();
}
