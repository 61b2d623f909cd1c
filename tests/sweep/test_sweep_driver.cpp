#include "random_frames.h"
#include "sweep/sweep_driver.h"

#include <gtest/gtest.h>
#include <sstream>
#include <stop_token>
#include <string>
#include <thread>

namespace vireo::sweep {
namespace {

// Frames 0..11 of random pictures, with frame 6 missing and frame 8 not a bitmap.
class SweepDriver : public ::testing::Test {
protected:
    SweepDriver() {
        for (int f = 0; f < 12; ++f)
            if (f != 6)
                testing::writeFrame(folder.path(), f, testing::randomFrame(77 + f));
        testing::writeFile(folder.path() / "pic8.bmp", {'n', 'o'});
    }

    // One line per frame delivered: its number and its results or error, in delivery order.
    std::vector<std::string> sweep(int jobs, int runs, const FrameList& frames,
                                   std::stop_source* stopAfterThree = nullptr) {
        std::vector<std::string> lines;
        SweepOptions options{folder.path(), {{0, 90, 200, 255}, runs}, jobs};
        const SweepProgress progress = runSweep(
            frames, options,
            [&](const FrameOutcome& outcome) {
                std::ostringstream line;
                line << outcome.frame;
                if (outcome.error)
                    line << ' ' << outcome.error->message();
                else
                    for (const CenterRun& run : outcome.results->runs)
                        line << ' ' << run.centres[0] << '/' << run.line.bottom << '/'
                             << run.support[2];
                lines.push_back(line.str());
                if (stopAfterThree && lines.size() == 3)
                    stopAfterThree->request_stop();
            },
            stopAfterThree ? stopAfterThree->get_token() : std::stop_token{});
        EXPECT_EQ(progress.delivered, static_cast<long long>(lines.size()));
        EXPECT_EQ(progress.cancelled, stopAfterThree != nullptr);
        return lines;
    }

    testing::TempFolder folder;
};

TEST_F(SweepDriver, DeliversInListOrderWhateverTheJobs) {
    const FrameList frames{{9, 11}, {0, 8}};
    for (const int runs : {1, 2}) {
        const std::vector<std::string> one = sweep(1, runs, frames);
        ASSERT_EQ(one.size(), 12u);
        const int order[] = {9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 8};
        for (std::size_t i = 0; i < one.size(); ++i)
            EXPECT_EQ(one[i].substr(0, one[i].find(' ')), std::to_string(order[i]));
        EXPECT_NE(one[9].find("pic6.bmp: "), std::string::npos);
        EXPECT_NE(one[11].find("pic8.bmp: "), std::string::npos);
        EXPECT_EQ(sweep(4, runs, frames), one);
        EXPECT_EQ(sweep(3, runs, frames), one);
    }
}

TEST_F(SweepDriver, StopsDeliveringOnceStopped) {
    for (const int jobs : {1, 4}) {
        std::stop_source stop;
        EXPECT_EQ(sweep(jobs, 1, {{0, 11}}, &stop).size(), 3u);
    }
}

// A video is swept by one worker, which decodes it once; a folder's frames by one per core.
TEST_F(SweepDriver, TakesOneWorkerForAVideo) {
    testing::writeFile(folder.path() / "run7.mp4", {'n', 'o'});
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (const auto& [path, jobs] : {std::pair{folder.path(), cores},
                                     {std::filesystem::path(), cores},
                                     {folder.path() / "run7.mp4", 1}})
        EXPECT_EQ(defaultJobs(path), jobs) << path;
}

TEST_F(SweepDriver, ConsumerExceptionEndsTheSweep) {
    int calls = 0;
    const auto throwing = [&](const FrameOutcome&) {
        if (++calls == 2)
            throw std::runtime_error("consumer failed");
    };
    EXPECT_THROW(runSweep({{0, 11}}, {folder.path(), {{5}, 1}, 4}, throwing), std::runtime_error);
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace vireo::sweep
