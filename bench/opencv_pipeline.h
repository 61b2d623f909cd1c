#pragma once

#include "state/frame.h"

#include <opencv2/core.hpp>
#include <string>

namespace vireo::bench {

// The per-frame pipeline written the way an OpenCV user would write it, producing the same grey
// frame and the same edge frame as Vireo: the buffers live across frames, as they would in a
// loop over a recording.
class OpenCvPipeline {
public:
    // imread, then grey = (blue + green + red + 1) div 3 through cv::transform with weights of
    // one third (the float result rounds to the same integer, since a third never ends in one
    // half). False when the file cannot be read as a 160 x 120 picture.
    bool loadGrey(const std::string& path);

    // Sobel in CV_16S for x and y, absolute values (saturated to 8 bits, which changes no
    // comparison with a cut value of at most 255), their saturated sum, 0 where the sum reaches
    // 255 - threshold and 255 elsewhere, and the border ring forced to background.
    void computeEdges(int threshold);

    const cv::Mat& grey() const { return grey_; }
    const cv::Mat& edges() const { return edges_; }

private:
    cv::Mat bgr_;
    cv::Mat grey_;
    cv::Mat gradientX_;
    cv::Mat gradientY_;
    cv::Mat absoluteX_;
    cv::Mat absoluteY_;
    cv::Mat magnitude_;
    cv::Mat edges_;
};

// The first cell where the 160 x 120 picture area of `frame` and `image` differ, as text
// ("(x, y): vireo 0, opencv 255"), or an empty string when they agree everywhere.
std::string firstDifference(const Frame& frame, const cv::Mat& image);

} // namespace vireo::bench
