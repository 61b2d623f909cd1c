#pragma once

#include "errors/error.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace vireo {

// The name of the marks file in a frame folder.
inline constexpr const char* kMarksFileName = "vireo-marks.csv";

// Where the operator says the path's centre really is on one scan row of one frame. The column
// is kept in tenths of a column (a mark has at most one decimal), so that sums of errors and
// their comparison are exact.
struct Mark {
    int frame = 0;
    int row = 0;          // a scan row: 40, 60 or 80
    int columnTenths = 0; // 0 .. 1599: column 0.0 .. 159.9

    double column() const { return columnTenths / 10.0; }
    friend bool operator==(const Mark&, const Mark&) = default;
};

// The marks of a recording, at most one per frame and scan row, ordered by frame, then row.
class Marks {
public:
    // The mark on (frame, row), if any.
    std::optional<Mark> at(int frame, int row) const;
    // Sets the mark of its frame and row, replacing one that was there.
    void set(const Mark& mark);
    void erase(int frame, int row);

    bool empty() const { return byPlace_.empty(); }
    std::size_t size() const { return byPlace_.size(); }
    // Every mark, by frame, then row.
    std::vector<Mark> all() const;
    // The marks of one frame, by row.
    std::vector<Mark> ofFrame(int frame) const;

    friend bool operator==(const Marks&, const Marks&) = default;

private:
    std::map<std::pair<int, int>, int> byPlace_; // (frame, row) -> column in tenths
};

// Marking by clicks, with undo: every change remembers what it replaced.
class MarkEditor {
public:
    // How far from a scan row (in picture rows) a click may lie and still mark it.
    static constexpr double kSnapRows = 10;

    explicit MarkEditor(Marks marks = {});

    // The scan row (40, 60 or 80) nearest to `row`, when it lies within kSnapRows of it.
    static std::optional<int> snapToScanRow(double row);

    // Marks the path's centre on `frame` where a click at (column, row) of the picture fell: the
    // row snaps to the nearest scan row, the column is kept to one decimal (and within the
    // picture, 0..159.9). A click farther than kSnapRows from every scan row changes nothing
    // and gives an error that says so. Returns the mark made.
    Expected<Mark> mark(int frame, double column, double row);

    // Takes back the last change still in the history; false when there is none.
    bool undo();
    bool canUndo() const { return !history_.empty(); }

    const Marks& marks() const { return marks_; }
    // Replaces all marks (a file was read) and forgets the history.
    void reset(Marks marks);

private:
    struct Change {
        int frame = 0;
        int row = 0;
        std::optional<Mark> before; // what the change replaced; nullopt: no mark was there
    };

    Marks marks_;
    std::vector<Change> history_;
};

} // namespace vireo
