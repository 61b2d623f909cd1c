#include "state/frame.h"

#include <stdexcept>
#include <string>

namespace vireo {

namespace {

[[noreturn]] void throwOutOfRange(int x, int y) {
    throw std::out_of_range("frame cell (" + std::to_string(x) + ", " + std::to_string(y) +
                            ") is outside columns 0..160 and rows 0..120");
}

} // namespace

std::size_t Frame::checkedIndex(int x, int y) {
    if (x < 0 || x >= kColumns || y < 0 || y >= kRows)
        throwOutOfRange(x, y);
    return static_cast<std::size_t>(x) + static_cast<std::size_t>(kColumns) * y;
}

void Frame::throwRowOutOfRange(int y) {
    throw std::out_of_range("frame row " + std::to_string(y) + " is outside rows 0..120");
}

} // namespace vireo
