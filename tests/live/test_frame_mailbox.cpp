#include "live/frame_mailbox.h"

#include <gtest/gtest.h>
#include <vector>

namespace vireo {
namespace {

struct Burst {
    std::size_t depth;
    int posted;                           // frames 0 .. posted - 1, before any is taken
    std::vector<long long> taken;         // what the consumer then takes, in order
    std::vector<long long> droppedBefore; // and the frames dropped before each
};

// A burst posted before the consumer takes anything: the slots keep its newest frames, the
// oldest give way, and each frame taken counts the ones dropped before it, whatever the depth.
TEST(FrameMailbox, KeepsTheNewestFramesOfABurst) {
    const Burst bursts[] = {
        {1, 5, {4}, {4}},
        {3, 5, {2, 3, 4}, {2, 0, 0}},
        {8, 5, {0, 1, 2, 3, 4}, {0, 0, 0, 0, 0}},
    };
    for (const Burst& burst : bursts) {
        SCOPED_TRACE(burst.depth);
        FrameMailbox mailbox(burst.depth);
        LiveFrame frame;
        for (int n = 0; n < burst.posted; ++n) {
            frame.file.assign(1, static_cast<std::uint8_t>(n));
            frame.arrived = n;
            mailbox.post(frame);
        }
        mailbox.close({"the stream ended"});
        std::vector<long long> taken;
        std::vector<long long> droppedBefore;
        while (mailbox.wait(frame)) {
            EXPECT_EQ(frame.file, std::vector<std::uint8_t>(1, frame.arrived));
            taken.push_back(frame.arrived);
            droppedBefore.push_back(frame.droppedBefore);
        }
        EXPECT_EQ(taken, burst.taken);
        EXPECT_EQ(droppedBefore, burst.droppedBefore);
        EXPECT_EQ(mailbox.dropped(), burst.posted - static_cast<long long>(taken.size()));
        EXPECT_EQ(mailbox.end()->reason, "the stream ended");
    }
}

} // namespace
} // namespace vireo
