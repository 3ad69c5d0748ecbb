// QTextDocument -> RTF: the stream-out half of the rich-edit control, in the
// form the classic control writes (\ansicpg1252, a font table of \fnil fonts,
// a colour table when colours are used, \viewkind4\uc1, \pard paragraphs,
// \pntext/\pn bullets, \'hh for windows-1252 and \uN? for everything else).
#pragma once

#include <QByteArray>

class QTextDocument;

QByteArray WriteRtf(const QTextDocument& doc);
