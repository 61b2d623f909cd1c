#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vireo {

// A grey or edge frame: 161 columns (x 0..160) by 121 rows (y 0..120), one byte per cell,
// zero-filled on construction. The picture occupies columns 0..159 and rows 0..119; column 160
// and row 120 exist so that those indices are legal, and nothing that walks the picture touches
// them. Cell (x, y) is stored at x + 161 * y, so a row is contiguous.
class Frame {
public:
    static constexpr int kColumns = 161;
    static constexpr int kRows = 121;
    static constexpr int kPictureWidth = 160;
    static constexpr int kPictureHeight = 120;
    static constexpr int kCells = kColumns * kRows;

    using Row = std::span<std::uint8_t, kColumns>;
    using ConstRow = std::span<const std::uint8_t, kColumns>;

    // Bounds-checked cell access; throws std::out_of_range naming the index when x is outside
    // 0..160 or y outside 0..120. Nothing outside the frame is ever read or written.
    std::uint8_t at(int x, int y) const { return cells_[checkedIndex(x, y)]; }
    std::uint8_t& at(int x, int y) { return cells_[checkedIndex(x, y)]; }

    // One whole row, bounds-checked on y once; callers that walk columns 0..160 of the row need
    // no further check.
    ConstRow row(int y) const { return ConstRow(cells_.data() + checkedRowStart(y), kColumns); }
    Row row(int y) { return Row(cells_.data() + checkedRowStart(y), kColumns); }

    void fill(std::uint8_t value) { cells_.fill(value); }

    friend bool operator==(const Frame&, const Frame&) = default;

private:
    static std::size_t checkedIndex(int x, int y);
    static std::size_t checkedRowStart(int y) {
        if (y < 0 || y >= kRows)
            throwRowOutOfRange(y);
        return static_cast<std::size_t>(kColumns) * static_cast<std::size_t>(y);
    }
    [[noreturn]] static void throwRowOutOfRange(int y);

    std::array<std::uint8_t, kCells> cells_{};
};

} // namespace vireo
