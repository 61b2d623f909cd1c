#include "state/tracking_state.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

namespace vireo {
namespace {

// Cells 160 and 120 are the last legal ones; one past them, or -1, must throw instead of
// touching memory. Cell (x, y) lies at x + 161 * y: a row is contiguous and x varies fastest.
TEST(TrackingState, TablesAreBoundsCheckedAndRowsContiguous) {
    Frame frame;
    Kernel kernel;
    History history;
    frame.at(160, 120) = 7;
    frame.at(3, 2) = 9;
    EXPECT_EQ(std::tuple(frame.row(120)[160], frame.row(2)[3], frame.row(120).size()),
              std::tuple(7, 9, 161u));
    EXPECT_EQ(frame.row(2).data() + 161, frame.row(3).data());
    EXPECT_NO_THROW((void)(kernel.at(3, 3) + history.at(3, 2)));
    for (const auto& access : std::initializer_list<std::function<void()>>{
             [&] { frame.at(161, 0); }, [&] { frame.at(0, 121); }, [&] { frame.at(-1, 5); },
             [&] { frame.at(5, -1); }, [&] { frame.row(121); }, [&] { frame.row(-1); },
             [&] { kernel.at(4, 0); }, [&] { kernel.at(0, -1); }, [&] { history.at(4, 0); },
             [&] { history.at(0, 3); }})
        EXPECT_THROW(access(), std::out_of_range);
}

} // namespace
} // namespace vireo
