// Where the ruler's indent markers stand and what indent a marker's place
// means. Paragraph indents are whole points; the ruler draws at 4/3 pixels per
// point (a 96-dots-per-inch screen) with a 6-pixel gutter at each side. The
// scale is kept as the exact fraction 4/3 and every conversion truncates
// toward zero, which C++ integer division does: trunc(p × 4/3) is p * 4 / 3
// and trunc(x / (4/3)) is x * 3 / 4. The release formulas invert the placing
// ones only up to that truncation: a right indent R comes back one point
// smaller whenever R + 6 is not a multiple of 3.
#pragma once

#include <QString>

namespace ruler {

// RulerScale = 4/3 pixels per point, as numerator and denominator.
constexpr int kScaleNum = 4;
constexpr int kScaleDen = 3;
constexpr int RulerGutter = 6;

// Pixels for `points`, truncated toward zero.
constexpr int PointsToPixels(int points) {
    return points * kScaleNum / kScaleDen;
}
// Points for `pixels`, truncated toward zero.
constexpr int PixelsToPoints(int pixels) {
    return pixels * kScaleDen / kScaleNum;
}

// The three markers: their tops and sizes on the ruler, in pixels.
enum class TMarker { FirstInd, LeftInd, RightInd };
struct TMarkerBox {
    int Top, Width, Height;
};
constexpr TMarkerBox MarkerBox(TMarker m) {
    return m == TMarker::FirstInd  ? TMarkerBox{2, 10, 9}
           : m == TMarker::LeftInd ? TMarkerBox{12, 10, 11}
                                   : TMarkerBox{14, 9, 12};
}
// MarkerGrabOffset of a pressed marker: half its width, by integer division.
constexpr int GrabOffset(TMarker m) {
    return MarkerBox(m).Width / 2;
}

// Left edges of the markers for first indent F, left indent L (measured from
// F) and right indent R, on a ruler `width` pixels wide.
constexpr int FirstIndLeft(int f) {
    return PointsToPixels(f) - 4 + RulerGutter;
}
constexpr int LeftIndLeft(int f, int l) {
    return PointsToPixels(l + f) + 2;
}
constexpr int RightIndLeft(int width, int r) {
    return width - RulerGutter - PointsToPixels(r + 6);
}

// The indents a marker's left edge stands for when it is released.
constexpr int FirstIndFromLeft(int left, int grab) {
    return PixelsToPoints(left + grab - RulerGutter);
}
// L is measured from the paragraph's current first indent `f`.
constexpr int LeftIndFromLeft(int left, int grab, int f) {
    return PixelsToPoints(left + grab - RulerGutter) - f;
}
constexpr int RightIndFromLeft(int width, int left, int grab) {
    return PixelsToPoints(width - left + grab - 2) - 12;
}

// A press `x` pixels into a marker moves it so that its centre is under the
// pointer; so does every move while it is dragged. Not clamped to the ruler.
constexpr int DraggedLeft(int left, int x, int grab) {
    return left + x - grab;
}

// The tick marks: 100 pairs of a tab and "|", drawn with tabs expanded every
// eight average character widths, so a bar stands at every tab stop.
QString RulerTicks();

} // namespace ruler
