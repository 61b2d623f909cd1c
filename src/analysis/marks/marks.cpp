#include "marks/marks.h"

#include "centers/centers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vireo {

std::optional<Mark> Marks::at(int frame, int row) const {
    const auto found = byPlace_.find({frame, row});
    if (found == byPlace_.end())
        return std::nullopt;
    return Mark{frame, row, found->second};
}

void Marks::set(const Mark& mark) {
    byPlace_[{mark.frame, mark.row}] = mark.columnTenths;
}

void Marks::erase(int frame, int row) {
    byPlace_.erase({frame, row});
}

std::vector<Mark> Marks::all() const {
    std::vector<Mark> marks;
    marks.reserve(byPlace_.size());
    for (const auto& [place, tenths] : byPlace_)
        marks.push_back(Mark{place.first, place.second, tenths});
    return marks;
}

std::vector<Mark> Marks::ofFrame(int frame) const {
    std::vector<Mark> marks;
    for (auto it = byPlace_.lower_bound({frame, 0});
         it != byPlace_.end() && it->first.first == frame; ++it)
        marks.push_back(Mark{frame, it->first.second, it->second});
    return marks;
}

MarkEditor::MarkEditor(Marks marks)
    : marks_(std::move(marks)) {}

std::optional<int> MarkEditor::snapToScanRow(double row) {
    // The scan rows are 20 apart and each band reaches 10 rows out, so a row halfway between two
    // lies in both bands: the first row found, the lower one, takes it.
    for (const int scanRow : kScanRows)
        if (std::abs(row - scanRow) <= kSnapRows)
            return scanRow;
    return std::nullopt;
}

Expected<Mark> MarkEditor::mark(int frame, double column, double row) {
    const std::optional<int> scanRow = snapToScanRow(row);
    if (!scanRow) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", row);
        return Error{{},
                     std::string("row ") + text +
                         " is too far from a scan row (more than 10 rows from 40, 60 and 80)"};
    }
    if (!std::isfinite(column))
        return Error{{}, "the column is not a number"};
    // Clamped before rounding, so that no click can reach past column 159.9.
    const double lastColumn = Frame::kPictureWidth - 0.1;
    const long tenths = std::lround(std::clamp(column, 0.0, lastColumn) * 10);
    const Mark made{frame, *scanRow, static_cast<int>(tenths)};
    history_.push_back(Change{frame, *scanRow, marks_.at(frame, *scanRow)});
    marks_.set(made);
    return made;
}

bool MarkEditor::undo() {
    if (history_.empty())
        return false;
    const Change change = history_.back();
    history_.pop_back();
    if (change.before)
        marks_.set(*change.before);
    else
        marks_.erase(change.frame, change.row);
    return true;
}

void MarkEditor::reset(Marks marks) {
    marks_ = std::move(marks);
    history_.clear();
}

} // namespace vireo
