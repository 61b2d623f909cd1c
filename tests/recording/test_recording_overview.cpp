// The recording overview against vireo-cli: every timeline point at every threshold equals the
// record `vireo-cli -t T` prints for that frame, its summary equals `vireo-cli --summary`, and
// its flags follow from those records. Also the sweep's cancellation. (Stepping between flagged
// frames is tested in the window, with F3.)

#include "random_frames.h"
#include "recording/background_sweep.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

namespace vireo {
namespace {

constexpr int kLastFrame = 11;
// Frame 4 is missing and frame 6 is no frame file; the others are random frames of every kind.
constexpr int kMissing = 4;
constexpr int kBroken = 6;

std::optional<double> optionalNumber(const nlohmann::json& value) {
    return value.is_null() ? std::nullopt : std::optional(value.get<double>());
}

class RecordingOverviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (int frame = 0; frame <= kLastFrame; ++frame)
            if (frame != kMissing)
                testing::writeFrame(folder_.path(), frame,
                                    testing::randomFrame(static_cast<std::uint64_t>(frame)));
        std::ofstream(folder_.path() / "pic6.bmp") << "not a bitmap";
    }

    // vireo-cli's JSON Lines output for `arguments`, one object per line.
    static std::vector<nlohmann::json> cli(const std::string& arguments) {
        const std::string command = std::string(VIREO_CLI_PATH) + " --dir '" +
                                    folder_.path().string() + "' -f jsonl " + arguments +
                                    " 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
        std::vector<nlohmann::json> lines;
        std::string line;
        for (int c; (c = std::fgetc(pipe.get())) != EOF;) {
            if (c != '\n') {
                line.push_back(static_cast<char>(c));
                continue;
            }
            lines.push_back(nlohmann::json::parse(line));
            line.clear();
        }
        return lines;
    }

    static const RecordingOverview& overview() {
        static const std::shared_ptr<const RecordingOverview> swept = [] {
            BackgroundSweep sweep(folder_.path(), {{0, kLastFrame}}, 3);
            while (!sweep.finished())
                std::this_thread::yield();
            return sweep.overview();
        }();
        return *swept;
    }

    static inline testing::TempFolder folder_;
};

TEST_F(RecordingOverviewTest, EveryPointAndFlagIsWhatVireoCliPrints) {
    ASSERT_TRUE(overview().complete());
    // (threshold, frame) -> record
    std::map<std::pair<int, int>, nlohmann::json> records;
    for (auto& record : cli("-t 0-255"))
        records[{record["threshold"].get<int>(), record["frame"].get<int>()}] = record;
    ASSERT_EQ(records.size(), 256u * (kLastFrame + 1 - 2));

    for (int t = 0; t < 256; ++t) {
        std::optional<std::array<int, 3>> previous;
        for (long long i = 0; i < overview().frameCount(); ++i) {
            const RecordingOverview::Point point = overview().at(i, t);
            const auto found = records.find({t, point.frame});
            ASSERT_EQ(point.loaded, found != records.end()) << "frame " << point.frame;
            if (!point.loaded)
                continue;
            const nlohmann::json& r = found->second;
            const std::array<int, 3> centres{r["center40"], r["center60"], r["center80"]};
            const std::array<int, 3> support{r["support40"], r["support60"], r["support80"]};
            ASSERT_EQ(point.centres, centres) << "frame " << point.frame << " threshold " << t;
            ASSERT_EQ(point.support, support) << "frame " << point.frame << " threshold " << t;
            ASSERT_EQ(point.forecast, r["forecast"].get<int>());
            ASSERT_EQ(point.tracked, support[0] >= 11 && support[1] >= 11 && support[2] >= 11);
            bool jumped = false;
            for (int n = 0; previous && n < 3; ++n)
                jumped = jumped || std::abs(centres[n] - (*previous)[n]) > 10;
            ASSERT_EQ(point.jumped, jumped) << "frame " << point.frame << " threshold " << t;
            previous = centres;
        }
    }
}

TEST_F(RecordingOverviewTest, SummaryIsWhatVireoCliSummarises) {
    const auto lines = cli("-t 0-255 --summary");
    ASSERT_EQ(lines.size(), overview().summary().size());
    for (std::size_t t = 0; t < lines.size(); ++t) {
        const sweep::ThresholdSummary& ours = overview().summary()[t];
        const nlohmann::json& theirs = lines[t];
        EXPECT_EQ(ours.threshold, theirs["threshold"].get<int>());
        EXPECT_EQ(ours.frames, theirs["frames"].get<long long>());
        EXPECT_EQ(ours.failed, 2);
        EXPECT_EQ(ours.tracked, theirs["tracked"].get<long long>());
        EXPECT_EQ(ours.jitter, optionalNumber(theirs["jitter"]));
        EXPECT_EQ(ours.edgeShare, optionalNumber(theirs["edge_share"]));
        EXPECT_EQ(ours.clamped, theirs["clamped"].get<long long>());
    }
}

// Cancelling a sweep of many frames stops it early and keeps what came in.
TEST(BackgroundSweepTest, CancelStopsBetweenFramesAndKeepsWhatCameIn) {
    testing::TempFolder folder;
    testing::writeFrame(folder.path(), 0, testing::randomFrame(1));
    BackgroundSweep sweep(folder.path(), {{0, 50000}}, 2);
    sweep.cancel();
    EXPECT_TRUE(sweep.finished());
    EXPECT_TRUE(sweep.cancelled());
    EXPECT_LT(sweep.overview()->received(), sweep.overview()->frameCount());
    EXPECT_TRUE(sweep.failure().empty());
}

} // namespace
} // namespace vireo
