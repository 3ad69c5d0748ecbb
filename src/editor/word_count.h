// The entry's word count in the status bar ("1,234 words"), counted by the
// rule of rtf_text_rules.h. It follows loading at once and typing a quarter
// of a second after the last key, so that a long entry types as quickly as
// a short one.
#pragma once

#include <QObject>
#include <QTimer>

class QLabel;
class QStatusBar;
class TRichEdit;

class TWordCount : public QObject {
    Q_OBJECT
public:
    // Adds its panel to `statusBar`, after the panels already there.
    TWordCount(TRichEdit* editor, QStatusBar* statusBar, QObject* parent = nullptr);

    QLabel* Panel() const { return panel_; }
    // Counts now.
    void Update();
    static QString Text(int words);

    // The wait after a change before counting again.
    static int DelayMs;

private:
    TRichEdit* Editor;
    QLabel* panel_;
    QTimer timer_;
};
