#include "bmp_builder.h"
#include "marks/mark_error.h"
#include "marks/marks_file.h"
#include "marks/marks_store.h"

#include <csignal>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// A click's row: the scan row it marks, or none. The bands reach 10 rows out, inclusive, and a
// row halfway between two scan rows marks the lower one.
class Snap : public ::testing::TestWithParam<std::pair<double, std::optional<int>>> {};

TEST_P(Snap, ToTheNearestScanRowWithinItsBand) {
    EXPECT_EQ(MarkEditor::snapToScanRow(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Snap,
    ::testing::Values(std::pair{29.9, std::optional<int>()}, std::pair{30.0, std::optional(40)},
                      std::pair{50.0, std::optional(40)}, std::pair{50.1, std::optional(60)},
                      std::pair{70.0, std::optional(60)}, std::pair{70.1, std::optional(80)},
                      std::pair{90.0, std::optional(80)}, std::pair{90.1, std::optional<int>()}));

TEST(MarkEditor, MarksToOneDecimalInsideThePictureAndUndoesEachChange) {
    MarkEditor editor;
    EXPECT_EQ(editor.mark(3, 83.54, 62).value(), (Mark{3, 60, 835}));
    EXPECT_EQ(editor.mark(3, 200, 80).value(), (Mark{3, 80, 1599}));
    EXPECT_EQ(editor.mark(3, 90.06, 57).value(), (Mark{3, 60, 901}));
    EXPECT_EQ(editor.mark(3, 50, 95).error().reason,
              "row 95.0 is too far from a scan row (more than 10 rows from 40, 60 and 80)");
    EXPECT_EQ(editor.marks().size(), 2u);

    ASSERT_TRUE(editor.undo()); // the far click was no change: this takes back 90.1
    EXPECT_EQ(editor.marks().at(3, 60), (Mark{3, 60, 835}));
    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(editor.marks().at(3, 80), std::nullopt);
    ASSERT_TRUE(editor.undo());
    EXPECT_TRUE(editor.marks().empty());
    EXPECT_FALSE(editor.undo());
}

// A frame whose last run at threshold index t has centre centres[t] on every scan row; its first
// run is far off, so that a count of the wrong run shows.
sweep::FrameSweep frameWith(int frame, const std::vector<int>& centres) {
    sweep::FrameSweep sweep;
    sweep.frame = frame;
    sweep.runsPerThreshold = 2;
    for (const int centre : centres) {
        CenterRun first;
        first.centres = {150, 150, 150};
        CenterRun last;
        last.centres = {centre, centre, centre};
        sweep.runs.insert(sweep.runs.end(), {first, last});
    }
    return sweep;
}

TEST(MarkError, AveragesOverTheMarkedRowsOfLoadedFramesAfterTheLastRun) {
    Marks marks;
    for (const Mark& mark : {Mark{1, 40, 800}, Mark{1, 80, 905}, Mark{2, 60, 700}, Mark{9, 60, 0}})
        marks.set(mark);
    MarkError error(marks, {10, 20});
    error.add(frameWith(1, {80, 90})); // |80-80| + |80-90.5|, |90-80| + |90-90.5|
    error.add(frameWith(5, {0, 0}));   // loaded but unmarked; frame 9 was refused
    error.add(frameWith(2, {70, 75})); // |70-70|, |75-70|
    const std::vector<MarkError::Line> lines = error.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].marked, 3);
    EXPECT_DOUBLE_EQ(*lines[0].error, 10.5 / 3);
    EXPECT_DOUBLE_EQ(*lines[1].error, 15.5 / 3);
    EXPECT_EQ(error.suggested(), 0u);

    const MarkError none(marks, {10});
    EXPECT_EQ(std::tuple(none.lines()[0].error, none.suggested()),
              std::tuple(std::nullopt, std::nullopt));
}

// The error per threshold (one marked pair at column 0, so the centre is the error) and the index
// of the suggested threshold.
class Suggestion : public ::testing::TestWithParam<std::pair<std::vector<int>, std::size_t>> {};

TEST_P(Suggestion, IsTheMiddleOfTheLongestRunOfLowestError) {
    Marks marks;
    marks.set(Mark{0, 60, 0});
    MarkError error(marks, std::vector<int>(GetParam().first.size()));
    error.add(frameWith(0, GetParam().first));
    EXPECT_EQ(error.suggested(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Suggestion,
    ::testing::Values(std::pair{std::vector{5, 3, 4}, std::size_t{1}},
                      std::pair{std::vector{4, 3, 3, 3, 5}, std::size_t{2}},      // odd run
                      std::pair{std::vector{3, 3, 3, 3, 7}, std::size_t{1}},      // even run
                      std::pair{std::vector{3, 3, 5, 3, 3, 3}, std::size_t{4}},   // longer second
                      std::pair{std::vector{6, 3, 3, 5, 3, 3}, std::size_t{1}})); // equal: first

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

TEST(MarksFile, ReadsWhatItWroteAndLenientLineEnds) {
    TempFolder folder;
    const auto file = folder.path() / kMarksFileName;
    Marks marks;
    for (const Mark& mark : {Mark{7, 80, 1599}, Mark{0, 40, 0}, Mark{0, 60, 835}})
        marks.set(mark);
    ASSERT_TRUE(writeMarksFile(file, marks));
    EXPECT_EQ(readText(file), "frame,row,column\n0,40,0.0\n0,60,83.5\n7,80,159.9\n");
    EXPECT_EQ(readMarksFile(file).value(), marks);

    // Spreadsheets write a byte-order mark and CRLF line ends.
    writeText(file, "\xEF\xBB\xBF"
                    "frame,row,column\r\n\r\n0,40,0\r\n7,80,159.9\r\n0,60,1.0\r\n0,60,83.5");
    EXPECT_EQ(readMarksFile(file).value(), marks);
}

// A file and the reason it is refused, line number included.
class BadMarksFile : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BadMarksFile, IsRefusedWithItsLineNumber) {
    TempFolder folder;
    const auto file = folder.path() / kMarksFileName;
    writeText(file, GetParam().first);
    const Expected<Marks> marks = readMarksFile(file);
    ASSERT_FALSE(marks);
    EXPECT_EQ(marks.error(), (Error{file.string(), GetParam().second}));
}

const std::string kHead = "frame,row,column\n1,40,80\n\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, BadMarksFile,
    ::testing::Values(
        std::pair{"", "no header line \"frame,row,column\": the file is empty"},
        std::pair{"\nframe,row\n", "line 2: expected the header \"frame,row,column\""},
        std::pair{kHead + "1,50,80\n", "line 4: row 50 is not a scan row (40, 60 or 80)"},
        std::pair{kHead + "1,40\n", "line 4: expected frame,row,column, found 2 fields"},
        std::pair{kHead + "1,40,80,\r\n", "line 4: expected frame,row,column, found 4 fields"},
        std::pair{kHead + "-1,40,80", "line 4: frame \"-1\" is not a whole number 0..2147483647"},
        std::pair{kHead + "1,40, 80",
                  "line 4: column \" 80\" is not a number 0..159.9 with at most one decimal"},
        std::pair{kHead + "1,40,83.25",
                  "line 4: column \"83.25\" is not a number 0..159.9 with at most one decimal"},
        std::pair{kHead + "1,40,160",
                  "line 4: column \"160\" is not a number 0..159.9 with at most one decimal"}));

// A save that fails part way (the file size limit cuts the write short) or at once (no folder)
// leaves the old file whole and no temporary file behind.
TEST(MarksFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder folder;
    const auto file = folder.path() / kMarksFileName;
    Marks old;
    old.set(Mark{0, 40, 800});
    ASSERT_TRUE(writeMarksFile(file, old));
    const std::string oldText = readText(file);
    Marks many;
    for (int frame = 0; frame < 1000; ++frame)
        many.set(Mark{frame, 60, 1000});

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, 512};
        setrlimit(RLIMIT_FSIZE, &limit);
        const Expected<void> saved = writeMarksFile(file, many);
        _exit(!saved && saved.error() == Error{file.string(), "cannot write: file too large"} ? 0
                                                                                              : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save did not fail so";
    EXPECT_EQ(readText(file), oldText);
    EXPECT_FALSE(writeMarksFile(folder.path() / "gone" / kMarksFileName, many));

    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::filesystem::path>{kMarksFileName}));
}

// A file that cannot be read whole (a bad line, a folder, a pipe, a device, one too large) is
// refused with its reason, without waiting for a writer or reading without end, and no save
// touches it.
TEST(MarksStore, NeverWritesAFileItCouldNotReadWhole) {
    TempFolder folder;
    const auto file = folder.path() / kMarksFileName;
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { writeText(file, kHead + "5,50,1.0\n"); },
         "line 4: row 50 is not a scan row (40, 60 or 80)"},
        {[&] { fs::create_directory(file); }, "is a folder, not a marks file"},
        {[&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, "not a regular file"},
        {[&] { fs::create_symlink("/dev/zero", file); }, "not a regular file"},
        {[&] {
             writeText(file, kHead);
             fs::resize_file(file, kMostMarksFileBytes + 1);
         },
         "file is 67108865 bytes, over the 67108864 bytes (64 MiB) a marks file may hold"}};
    for (const auto& [make, reason] : cases) {
        fs::remove_all(file);
        make();
        const auto before = std::pair(fs::symlink_status(file).type(), fs::last_write_time(file));
        MarksStore store = MarksStore::forRecording(folder.path());
        EXPECT_EQ(store.unreadable(), (Error{file.string(), reason}));
        EXPECT_FALSE(store.save(Marks{}));
        EXPECT_EQ(std::pair(fs::symlink_status(file).type(), fs::last_write_time(file)), before);
    }
}

// A save through a symbolic link replaces the file it leads to and keeps the link. Temporary files
// of writers that are gone are removed; those of a running one (process 1) stay.
TEST(MarksStore, WritesThroughLinksAndRemovesWhatDeadWritersLeft) {
    TempFolder folder;
    const auto link = folder.path() / "run" / kMarksFileName;
    fs::create_directory(link.parent_path());
    fs::create_symlink("../shared.csv", link);
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const auto litter = [&](pid_t writer) {
        return folder.path() / ("shared.csv.vireo-temp-" + std::to_string(writer) + "-a8Zq3x");
    };
    writeText(litter(gone), "frame,row");
    writeText(litter(1), "frame,row");
    Marks marks;
    marks.set(Mark{1, 40, 800});
    ASSERT_TRUE(MarksStore::forRecording(link.parent_path()).save(marks));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readMarksFile(folder.path() / "shared.csv").value(), marks);
    EXPECT_EQ(std::pair(fs::exists(litter(gone)), fs::exists(litter(1))), std::pair(false, true));
}

} // namespace
} // namespace vireo
