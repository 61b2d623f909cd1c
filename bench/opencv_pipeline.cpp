#include "opencv_pipeline.h"

#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace vireo::bench {

bool OpenCvPipeline::loadGrey(const std::string& path) {
    bgr_ = cv::imread(path, cv::IMREAD_COLOR);
    if (bgr_.cols != Frame::kPictureWidth || bgr_.rows != Frame::kPictureHeight)
        return false;
    cv::transform(bgr_, grey_, cv::Matx13f(1.f / 3, 1.f / 3, 1.f / 3));
    return true;
}

void OpenCvPipeline::computeEdges(int threshold) {
    cv::Sobel(grey_, gradientX_, CV_16S, 1, 0, 3);
    cv::Sobel(grey_, gradientY_, CV_16S, 0, 1, 3);
    cv::convertScaleAbs(gradientX_, absoluteX_);
    cv::convertScaleAbs(gradientY_, absoluteY_);
    cv::add(absoluteX_, absoluteY_, magnitude_);
    // Edge (0) where magnitude >= cut, that is magnitude > cut - 1; background (255) elsewhere.
    const int cut = 255 - threshold;
    cv::threshold(magnitude_, edges_, cut - 1, 255, cv::THRESH_BINARY_INV);
    edges_.row(0).setTo(255);
    edges_.row(edges_.rows - 1).setTo(255);
    edges_.col(0).setTo(255);
    edges_.col(edges_.cols - 1).setTo(255);
}

std::string firstDifference(const Frame& frame, const cv::Mat& image) {
    if (image.type() != CV_8UC1 || image.cols != Frame::kPictureWidth ||
        image.rows != Frame::kPictureHeight)
        return "opencv image is not 160 x 120 single-channel bytes";
    for (int y = 0; y < Frame::kPictureHeight; ++y)
        for (int x = 0; x < Frame::kPictureWidth; ++x) {
            const int mine = frame.at(x, y);
            const int theirs = image.at<std::uint8_t>(y, x);
            if (mine != theirs) {
                char text[64];
                std::snprintf(text, sizeof text, "(%d, %d): vireo %d, opencv %d", x, y, mine,
                              theirs);
                return text;
            }
        }
    return {};
}

} // namespace vireo::bench
