#include "centers/overlay.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

// The fit works in x' = column - 80 (to the right of the middle column) and y' = 120 - row
// (upwards from the bottom row).
constexpr int kFitColumnOrigin = 80;
constexpr int kFitRowOrigin = 120;
constexpr int kPoints = 3;

int column(const TrackingState& state, int n) {
    return state.history.at(n, 1);
}
int row(const TrackingState& state, int n) {
    return state.history.at(n, 0);
}

// Each fit term is a 16-bit integer; one that leaves that range is an error.
double term16(long value, const char* what) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error(std::string("fit term ") + what + " " + std::to_string(value) +
                                  " is outside the 16-bit range");
    return static_cast<double>(value);
}

void useOverlayPen(Surface& surface) {
    surface.setLineWidth(kOverlayLineWidth);
}

} // namespace

void linesegments(const TrackingState& state, Surface& picture4) {
    useOverlayPen(picture4);
    for (int i = 0; i < 2; ++i)
        picture4.line(static_cast<float>(column(state, i + 1)),
                      static_cast<float>(row(state, i + 1)), static_cast<float>(column(state, i)),
                      static_cast<float>(row(state, i)), kGreen);
    for (int i = 0; i < 3; ++i)
        picture4.circle(static_cast<float>(column(state, i)), static_cast<float>(row(state, i)),
                        static_cast<float>(kCentreCircleRadius), kBlue);
}

LineEnds fitline(const std::array<int, 3>& columns, const std::array<int, 3>& rows) {
    double sumX = 0;
    double sumY = 0;
    double sumXY = 0;
    double sumXX = 0;
    for (std::size_t n = 0; n < columns.size(); ++n) {
        const long x = static_cast<long>(columns[n]) - kFitColumnOrigin;
        const long y = kFitRowOrigin - static_cast<long>(rows[n]);
        sumX += term16(x, "x'");
        sumY += term16(y, "y'");
        sumXY += term16(x * y, "x'y'");
        sumXX += term16(x * x, "x'x'");
    }

    const double determinant = kPoints * sumXX - sumX * sumX;
    double slope = 0;
    double intercept = 0;
    if (determinant != 0) {
        intercept = (sumXX * sumY - sumX * sumXY) / determinant;
        slope = (kPoints * sumXY - sumX * sumY) / determinant;
    }

    // A vertical fit (all centres in one column) or a level one cannot be solved for the column;
    // both give the vertical line through the first centre.
    if (slope == 0)
        return {static_cast<double>(columns[0]), static_cast<double>(columns[0])};
    const int topRise = kFitRowOrigin - rows[0];
    const int bottomRise = kFitRowOrigin - rows[2];
    return {(topRise - intercept) / slope + kFitColumnOrigin,
            (bottomRise - intercept) / slope + kFitColumnOrigin};
}

LineEnds bestfitline(const TrackingState& state, Surface& picture4) {
    const LineEnds ends = fitline({column(state, 0), column(state, 1), column(state, 2)},
                                  {row(state, 0), row(state, 1), row(state, 2)});
    useOverlayPen(picture4);
    picture4.line(static_cast<float>(ends.top), static_cast<float>(row(state, 0)),
                  static_cast<float>(ends.bottom), static_cast<float>(row(state, 2)), kRed);
    return ends;
}

} // namespace vireo
