#include "rtf/rtf_formats.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace rtf {

int PointsToTwips(qreal points) {
    double t = std::round(points * 20.0);
    if (!(t > -1e9 && t < 1e9)) // NaN and absurd values
        return 0;
    return static_cast<int>(t);
}

QTextCharFormat ToCharFormat(const CharAttrs& a) {
    QTextCharFormat f;
    if (!a.face.isEmpty()) f.setFontFamilies(QStringList{a.face});
    f.setFontPointSize(a.halfPoints / 2.0);
    f.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(a.italic);
    f.setFontUnderline(a.underline);
    f.setFontStrikeOut(a.strikeOut);
    if (a.hasColor) f.setForeground(QColor(QRgb(0xFF000000u | a.rgb)));
    return f;
}

QTextBlockFormat ToBlockFormat(const ParaAttrs& a) {
    QTextBlockFormat f;
    switch (a.alignment) {
    case Alignment::Left:
        f.setAlignment(Qt::AlignLeft);
        break;
    case Alignment::Right:
        f.setAlignment(Qt::AlignRight);
        break;
    case Alignment::Center:
        f.setAlignment(Qt::AlignHCenter);
        break;
    case Alignment::Justify:
        f.setAlignment(Qt::AlignJustify);
        break;
    }
    if (a.list == ListStyle::None) {
        f.setTextIndent(TwipsToPoints(a.firstIndent));
    } else {
        f.setTextIndent(0);
        f.setProperty(kListFirstIndentProperty, a.firstIndent);
    }
    f.setLeftMargin(TwipsToPoints(a.leftIndent));
    f.setRightMargin(TwipsToPoints(a.rightIndent));
    return f;
}

QTextListFormat ToListFormat(const ParaAttrs& a) {
    QTextListFormat f;
    switch (a.list) {
    case ListStyle::None:
    case ListStyle::Bullet:
        f.setStyle(QTextListFormat::ListDisc);
        break;
    case ListStyle::Decimal:
        f.setStyle(QTextListFormat::ListDecimal);
        break;
    case ListStyle::LowerAlpha:
        f.setStyle(QTextListFormat::ListLowerAlpha);
        break;
    case ListStyle::UpperAlpha:
        f.setStyle(QTextListFormat::ListUpperAlpha);
        break;
    case ListStyle::LowerRoman:
        f.setStyle(QTextListFormat::ListLowerRoman);
        break;
    case ListStyle::UpperRoman:
        f.setStyle(QTextListFormat::ListUpperRoman);
        break;
    }
    // The paragraph's own margins place the text, as in the control; the list
    // adds no indent of its own.
    f.setIndent(0);
    f.setProperty(kListStartProperty, a.listStart);
    if (a.list != ListStyle::Bullet && a.list != ListStyle::None) {
        f.setNumberPrefix(a.numberPrefix);
        f.setNumberSuffix(a.numberSuffix);
    }
    return f;
}

CharAttrs CharAttrsOf(const QTextCharFormat& f, const QTextDocument& doc) {
    CharAttrs a;
    QStringList families = f.fontFamilies().toStringList();
    if (families.isEmpty() && f.hasProperty(QTextFormat::FontFamily))
        families.append(f.stringProperty(QTextFormat::FontFamily)); // the single-family form
    a.face = families.isEmpty() ? doc.defaultFont().family() : families.first();
    qreal size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                           : doc.defaultFont().pointSizeF();
    if (!(size > 0)) size = 12;
    a.halfPoints = std::clamp(static_cast<int>(std::lround(size * 2)), 1, 3276);
    a.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold
                                                    : doc.defaultFont().bold();
    a.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : doc.defaultFont().italic();
    a.underline = f.fontUnderline();
    a.strikeOut = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        a.hasColor = true;
        a.rgb = f.foreground().color().rgb() & 0xFFFFFFu;
    }
    return a;
}

ParaAttrs ParaAttrsOf(const QTextBlock& block) {
    ParaAttrs a;
    QTextBlockFormat f = block.blockFormat();
    Qt::Alignment h = f.alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignRight)
        a.alignment = Alignment::Right;
    else if (h & Qt::AlignHCenter)
        a.alignment = Alignment::Center;
    else if (h & Qt::AlignJustify)
        a.alignment = Alignment::Justify;
    a.firstIndent = PointsToTwips(f.textIndent());
    if (block.textList() && f.hasProperty(kListFirstIndentProperty))
        a.firstIndent = f.intProperty(kListFirstIndentProperty);
    a.leftIndent = PointsToTwips(f.leftMargin());
    a.rightIndent = PointsToTwips(f.rightMargin());
    if (QTextList* list = block.textList()) {
        QTextListFormat lf = list->format();
        switch (lf.style()) {
        case QTextListFormat::ListDecimal:
            a.list = ListStyle::Decimal;
            break;
        case QTextListFormat::ListLowerAlpha:
            a.list = ListStyle::LowerAlpha;
            break;
        case QTextListFormat::ListUpperAlpha:
            a.list = ListStyle::UpperAlpha;
            break;
        case QTextListFormat::ListLowerRoman:
            a.list = ListStyle::LowerRoman;
            break;
        case QTextListFormat::ListUpperRoman:
            a.list = ListStyle::UpperRoman;
            break;
        default:
            a.list = ListStyle::Bullet;
            break;
        }
        if (lf.hasProperty(kListStartProperty)) a.listStart = lf.intProperty(kListStartProperty);
        if (a.list != ListStyle::Bullet) {
            if (lf.hasProperty(QTextFormat::ListNumberPrefix)) a.numberPrefix = lf.numberPrefix();
            if (lf.hasProperty(QTextFormat::ListNumberSuffix)) a.numberSuffix = lf.numberSuffix();
        }
    }
    return a;
}

} // namespace rtf
