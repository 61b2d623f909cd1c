// vireo-opencv-cli DIR: vireo-cli's default work written with OpenCV for the image work, for
// comparing whole processes. For every picN.bmp of DIR in frame order: imread, grey, Sobel and
// threshold through OpenCvPipeline (the same edge frame as Vireo's), then one centre search of
// the engine from the reset scan rows, and one CSV record like vireo-cli's on stdout.
#include "drawing/surface.h"
#include "edges/sobel.h"
#include "opencv_pipeline.h"
#include "centers/centers.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kThreshold = 100;

// A surface that draws nothing: the records need the centres, not the pixels.
class NoSurface : public vireo::Surface {
public:
    void clear() override {}
    void setPicture(const vireo::Picture&) override {}
    void setLineWidth(int) override {}
    void setPixel(float, float, vireo::Colour) override {}
    void line(float, float, float, float, vireo::Colour) override {}
    void circle(float, float, float, vireo::Colour) override {}
};

template <typename Number> void append(std::string& out, Number value, char after) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
    out.push_back(after);
}

// The frame numbers of the picN.bmp files of `folder`, ascending.
std::vector<int> frameNumbers(const std::filesystem::path& folder) {
    std::vector<int> numbers;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 8 || !name.starts_with("pic") || !name.ends_with(".bmp"))
            continue;
        const std::string_view digits(name.data() + 3, name.size() - 7);
        int number = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (result.ec == std::errc() && result.ptr == digits.data() + digits.size())
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vireo-opencv-cli DIR\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    vireo::bench::OpenCvPipeline pipeline;
    vireo::TrackingState state;
    vireo::initmask(state);
    NoSurface surface;
    std::string out = "frame,threshold,run,center40,center60,center80,forecast,line_top,"
                      "line_bottom\n";
    int status = 0;
    for (const int frame : frameNumbers(folder)) {
        const std::string path = (folder / ("pic" + std::to_string(frame) + ".bmp")).string();
        if (!pipeline.loadGrey(path)) {
            std::fprintf(stderr, "vireo-opencv-cli: %s: cannot read it\n", path.c_str());
            status = 1;
            continue;
        }
        pipeline.computeEdges(kThreshold);
        for (int y = 0; y < vireo::Frame::kPictureHeight; ++y) {
            const std::uint8_t* edges = pipeline.edges().ptr<std::uint8_t>(y);
            std::copy(edges, edges + vireo::Frame::kPictureWidth, state.edgeimg.row(y).begin());
        }
        vireo::historyinit(state);
        const vireo::CenterRun run = vireo::findcenter(state, surface);
        for (const int value :
             {frame, kThreshold, 1, run.centres[0], run.centres[1], run.centres[2], run.forecast()})
            append(out, value, ',');
        append(out, run.line.top, ',');
        append(out, run.line.bottom, '\n');
        if (out.size() > 60000) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return status;
}
