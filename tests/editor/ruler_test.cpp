// The ruler: its formulas as plain functions, then the real markers pressed,
// dragged and released with the mouse and the keyboard.
#include "editor/format_bar.h"
#include "editor/ruler.h"
#include "editor_window.h"

#include <QMouseEvent>

using namespace ruler;

TEST(RulerGeometry, MarkersOfAZeroParagraphAndTheExamplesOfTheScale) {
    const int w = 500;
    EXPECT_EQ(FirstIndLeft(0), 2);
    EXPECT_EQ(LeftIndLeft(0, 0), 2);
    EXPECT_EQ(RightIndLeft(w, 0), w - 14);
    EXPECT_EQ(FirstIndLeft(36), 50);
    EXPECT_EQ(FirstIndFromLeft(50, GrabOffset(TMarker::FirstInd)), 36);
    // 4/3 is exact, not 1.33: 300 points are 400 pixels, not 399.
    EXPECT_EQ(PointsToPixels(300), 400);
    EXPECT_EQ(PixelsToPoints(400), 300);
    // Truncation toward zero on both sides of zero.
    EXPECT_EQ(PointsToPixels(-5), -6);
    EXPECT_EQ(PixelsToPoints(-3), -2);
    EXPECT_EQ(FirstIndFromLeft(-3, 5), -3);
    EXPECT_EQ(GrabOffset(TMarker::FirstInd), 5);
    EXPECT_EQ(GrabOffset(TMarker::LeftInd), 5);
    EXPECT_EQ(GrabOffset(TMarker::RightInd), 4);
    EXPECT_EQ(RulerTicks().size(), 200);
    EXPECT_EQ(RulerTicks().count(u'|'), 100);
}

TEST(RulerGeometry, ReleasingWhereTheMarkerStandsGivesTheIndentBack) {
    const int w = 437;
    for (int f = 0; f <= 300; ++f) {
        EXPECT_EQ(FirstIndFromLeft(FirstIndLeft(f), 5), f) << f;
        for (int l : {-f, 0, 7, 36})
            EXPECT_EQ(LeftIndFromLeft(LeftIndLeft(f, l), 5, f), l) << f << " " << l;
    }
    // Left of the gutter both truncations go toward zero: -40 comes back -39.
    EXPECT_EQ(FirstIndLeft(-40), -51);
    EXPECT_EQ(FirstIndFromLeft(-51, 5), -39);
    // R comes back one point smaller unless R + 6 is a multiple of 3.
    for (int r = 0; r <= 200; ++r)
        EXPECT_EQ(RightIndFromLeft(w, RightIndLeft(w, r), 4), (r + 6) % 3 == 0 ? r : r - 1) << r;
    EXPECT_EQ(RightIndLeft(w, 1), w - 15);
}

namespace {

class RulerMarkers : public edtest::EditorWindow {
protected:
    void SetUp() override {
        Start();
        Type("The first line of a paragraph long enough to wrap onto a second and a third line "
             "in the editor, so that the following lines can be seen to stay in place.");
        Ed().SetSelStart(3);
    }
    TRuler& R() { return *form->Ruler; }
    TFormatBar& Bar() { return *form->Formatting; }
    int W() { return R().width(); }

    void Press(QWidget* marker, int x) { QTest::mousePress(marker, Qt::LeftButton, {}, {x, 3}); }
    void Move(QWidget* marker, int x) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, 3), marker->mapToGlobal(QPointF(x, 3)),
                      Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(marker, &e);
    }
    void Release(QWidget* marker, int x) {
        QTest::mouseRelease(marker, Qt::LeftButton, {}, {x, 3});
    }
    void Click(QWidget* marker) {
        Press(marker, marker->width() / 2);
        Release(marker, marker->width() / 2);
    }
    // Where the paragraph's lines start, in points: the first, the following.
    std::pair<int, int> LineStarts() {
        TParaAttributes& p = Ed().Paragraph();
        return {p.FirstIndent(), p.FirstIndent() + p.LeftIndent()};
    }
};

} // namespace

TEST_F(RulerMarkers, AZeroParagraphShowsTheMarkersAtTheGivenPlacesAndSizes) {
    EXPECT_EQ(R().FirstInd->geometry(), QRect(2, 2, 10, 9));
    EXPECT_EQ(R().LeftInd->geometry(), QRect(2, 12, 10, 11));
    EXPECT_EQ(R().RightInd->geometry(), QRect(W() - 14, 14, 9, 12));
    EXPECT_EQ(R().height(), 26);
    EXPECT_EQ(R().RulerLine->geometry().left(), 4);
    EXPECT_EQ(R().RulerLine->geometry().top(), 12);
    EXPECT_EQ(R().RulerLine->width(), W() - 8);
    EXPECT_EQ(R().Caption(), RulerTicks());
    EXPECT_EQ(R().TabStop(), 8 * R().fontMetrics().averageCharWidth());
    // A wider window moves the right marker with the ruler's edge.
    form->resize(form->width() + 120, form->height());
    ASSERT_TRUE(edtest::WaitFor([&] { return R().RightInd->x() == W() - 14 && W() > 0; }));
    EXPECT_EQ(R().RulerLine->width(), W() - 8);
    // The markers are drawn: a marker's picture has dark pixels.
    const QImage first = R().FirstInd->grab().toImage();
    int dark = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            dark += qGray(first.pixel(x, y)) < 80;
    EXPECT_GT(dark, 10);
}

TEST_F(RulerMarkers, PressAndReleaseAtTheCentreKeepFAndLAndRoundsTheRightIndent) {
    Ed().Paragraph().SetFirstIndent(36);
    Ed().Paragraph().SetLeftIndent(12);
    Ed().Paragraph().SetRightIndent(1);
    Bar().SelectionChange();
    EXPECT_EQ(R().FirstInd->x(), 50);
    EXPECT_EQ(R().LeftInd->x(), 66);
    EXPECT_EQ(R().RightInd->x(), W() - 15);
    Click(R().FirstInd);
    Click(R().LeftInd);
    EXPECT_EQ(Ed().Paragraph().FirstIndent(), 36);
    EXPECT_EQ(Ed().Paragraph().LeftIndent(), 12);
    EXPECT_FALSE(Bar().MarkerDragging);
    Click(R().RightInd);
    EXPECT_EQ(Ed().Paragraph().RightIndent(), 0); // R + 6 = 7: one point lost
    Ed().Paragraph().SetRightIndent(3);
    Bar().SelectionChange();
    Click(R().RightInd);
    EXPECT_EQ(Ed().Paragraph().RightIndent(), 3);
    EXPECT_EQ(Bar().MarkerGrabOffset, 4);
}

TEST_F(RulerMarkers, AnOffCentrePressJumpsAndTheDragIsNotClamped) {
    Press(R().FirstInd, 0); // five pixels left of the centre
    EXPECT_EQ(R().FirstInd->x(), -3);
    EXPECT_TRUE(Bar().MarkerDragging);
    EXPECT_EQ(Bar().MarkerGrabOffset, 5);
    Release(R().FirstInd, 5);
    EXPECT_EQ(Ed().Paragraph().FirstIndent(), -3); // trunc(-4 * 3/4)
    // Dragged past the right end of the ruler: not held back.
    Press(R().LeftInd, 5);
    Move(R().LeftInd, 5 + W());
    EXPECT_GT(R().LeftInd->x(), W());
    Move(R().LeftInd, 5 - 30);
    const int left = R().LeftInd->x();
    Release(R().LeftInd, 5);
    EXPECT_EQ(Ed().Paragraph().FirstIndent() + Ed().Paragraph().LeftIndent(),
              PixelsToPoints(left + 5 - 6));
    // Moving without a press does nothing.
    const QPoint before = R().RightInd->pos();
    Move(R().RightInd, 1);
    EXPECT_EQ(R().RightInd->pos(), before);
}

TEST_F(RulerMarkers, ReleasingTheFirstIndentMovesOnlyTheFirstLine) {
    Ed().Paragraph().SetFirstIndent(18);
    Ed().Paragraph().SetLeftIndent(18);
    Bar().SelectionChange();
    ASSERT_EQ(LineStarts(), std::make_pair(18, 36));
    Press(R().FirstInd, 5);
    Move(R().FirstInd, 5 + 40);
    Release(R().FirstInd, 5);
    // The marker went from 26 to 66: F = trunc(65 * 3/4); the following lines
    // stay at 36 because L is taken from the unmoved left marker.
    EXPECT_EQ(LineStarts(), std::make_pair(48, 36));
}

TEST_F(RulerMarkers, ArrowKeysOnAFocusedMarkerStepTheIndent) {
    R().LeftInd->setFocus();
    QTest::keyClick(R().LeftInd, Qt::Key_Right);
    QTest::keyClick(R().LeftInd, Qt::Key_Right);
    EXPECT_EQ(LineStarts(), std::make_pair(0, 6));
    QTest::keyClick(R().LeftInd, Qt::Key_Left);
    EXPECT_EQ(LineStarts(), std::make_pair(0, 3));
    R().RightInd->setFocus();
    QTest::keyClick(R().RightInd, Qt::Key_Left);
    EXPECT_EQ(Ed().Paragraph().RightIndent(), 3);
    EXPECT_FALSE(R().FirstInd->accessibleName().isEmpty());
}
