// The built vireo-cli run as a child process on frames written by the test.

#include "cli_test_support.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/centers.h"
#include "ui/raster_surface.h"

#include <QImage>
#include <QTemporaryDir>
#include <charconv>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vireo {
namespace {

using test::CliRun;
using test::splitFields;
using test::splitLines;

const std::string kHeader =
    "frame,threshold,run,center40,center60,center80,forecast,line_top,line_bottom";
const std::string kUsageLine = "Usage: vireo-cli [options] [FRAMES...]";

// Path in columns 60..89 on every row: edges at columns 59/60 and 89/90.
const test::Shade kStraight = test::pathShade([](int x, int) { return x >= 60 && x <= 89; });
// Rows 0..56 as kStraight, rows 57..119 shifted: path 70..99, edges 69/70 and 99/100.
const test::Shade kBent =
    test::pathShade([](int x, int y) { return y <= 56 ? x >= 60 && x <= 89 : x >= 70 && x <= 99; });
// Rows 52..68 hold a path 70..109, every other row one at 50..89.
const test::Shade kZigzag = test::pathShade(
    [](int x, int y) { return y >= 52 && y <= 68 ? x >= 70 && x <= 109 : x >= 50 && x <= 89; });
// A steep slant; the first run lands where the next one searches differently.
const test::Shade kSlant = test::pathShade([](int x, int y) { return x >= 20 + y && x <= 40 + y; });
const test::Shade kUniform = [](int, int) { return test::kFloor; };

double toDouble(const std::string& text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
    return value;
}

class CliEndToEnd : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    std::filesystem::path root() const { return folder_.path().toStdString(); }
    QString dir() const { return folder_.path(); }
    QString sub(const char* name) const { return folder_.path() + "/" + name; }

    void addFrame(int frame, const test::Shade& shade) {
        test::writeFile(root() / frameFileName(frame), test::greyBitmap(shade));
    }
    void addFile(const char* name, std::size_t bytes) {
        test::writeFile(root() / name, std::vector<std::uint8_t>(bytes, 0x42));
    }

    // What the window shows and computes for `frame`: a frame change, "Display Picture" at
    // `threshold`, then `runs` times "Find Center", on a raster surface like its edge picture.
    std::vector<CenterRun> windowRuns(int frame, int threshold, int runs, RasterSurface& picture4) {
        TrackingState state;
        initmask(state);
        state.sobelthresh = threshold;
        historyinit(state);
        picture4.clear();
        moveme(state, root(), frame);
        Sobel(state, picture4);
        std::vector<CenterRun> results;
        for (int run = 0; run < runs; ++run)
            results.push_back(findcenter(state, picture4));
        return results;
    }

    QTemporaryDir folder_;
};

TEST_F(CliEndToEnd, FindsFramesInNumberOrderAndPrintsTheKnownCentres) {
    addFrame(1, kStraight);
    addFrame(2, kBent);
    addFrame(4, kUniform);
    addFrame(10, kStraight);
    addFile("pic01.bmp", 10); // not a frame name; loading it would fail the run
    addFile("notes.txt", 10);

    const CliRun run = test::runCli({"-d", dir()});

    ASSERT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const auto lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0], kHeader);
    // Straight path: from column 80 the edges are 89 and 60 on every row; 74.5 rounds to 74.
    // All three centres in one column: the fitted line is vertical through it.
    EXPECT_EQ(lines[1], "1,100,1,74,74,74,0,74,74");
    // Bent path: band 0 sees 60 and 89 (74.5 gives 74), band 2 sees 70 and 99 (84.5 gives 84,
    // a tie to even), band 1 mixes both shapes (its mean midpoint 80.7 gives 81). The line fitted
    // through (74, 40), (81, 60), (84, 80) has slope -600/158 and ends at 74.4 and 84.933...
    const auto bent = splitFields(lines[2]);
    ASSERT_EQ(bent.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(bent.begin(), bent.begin() + 7),
              (std::vector<std::string>{"2", "100", "1", "74", "81", "84", "-7"}));
    EXPECT_NEAR(toDouble(bent[7]), 74.4, 1e-9);
    EXPECT_NEAR(toDouble(bent[8]), 84.0 + 14.0 / 15.0, 1e-9);
    // No edges: every search runs off the picture (160 and -1), midpoint 79.5 rounds to 80.
    EXPECT_EQ(lines[3], "4,100,1,80,80,80,0,80,80");
    EXPECT_EQ(lines[4], "10,100,1,74,74,74,0,74,74");
}

TEST_F(CliEndToEnd, UnloadableFrameIsReportedAndTheOthersStillRun) {
    addFrame(1, kStraight);
    addFile("pic2.bmp", 10);
    addFrame(3, kUniform);

    const CliRun run = test::runCli({"-d", dir()});

    ASSERT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    const auto errors = splitLines(run.err);
    ASSERT_EQ(errors.size(), 1u) << run.err;
    EXPECT_EQ(errors[0].rfind("vireo-cli: pic2.bmp: ", 0), 0u) << errors[0];
    EXPECT_EQ(run.out, kHeader + "\n1,100,1,74,74,74,0,74,74\n3,100,1,80,80,80,0,80,80\n");
}

TEST_F(CliEndToEnd, MissingListedFrameFailsOnlyThatFrame) {
    addFrame(1, kStraight);

    const CliRun run = test::runCli({"-d", dir(), "9", "1"});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("vireo-cli: pic9.bmp: ", 0), 0u) << run.err;
    EXPECT_EQ(splitLines(run.err).size(), 1u);
    EXPECT_EQ(run.out, kHeader + "\n1,100,1,74,74,74,0,74,74\n");
}

TEST_F(CliEndToEnd, FolderWithoutFramesIsAFailureSaidOnStderr) {
    addFile("pic01.bmp", 10);

    const CliRun run = test::runCli({"-d", dir()});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "vireo-cli: no picN.bmp frames in " + dir().toStdString() + "\n");
    EXPECT_EQ(run.out, "");
}

struct UsageRun {
    const char* name;
    QStringList arguments;
    std::string reason;
};

class CliUsageExit : public CliEndToEnd, public testing::WithParamInterface<UsageRun> {};

TEST_P(CliUsageExit, ExitsWithTwoAReasonAndTheUsage) {
    addFrame(1, kStraight);
    const CliRun run = test::runCli(QStringList{"-d", dir()} + GetParam().arguments);

    ASSERT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "") << "nothing may be processed after a usage error";
    const auto lines = splitLines(run.err);
    ASSERT_GE(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0], "vireo-cli: " + GetParam().reason);
    EXPECT_EQ(lines[1], kUsageLine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageExit,
    testing::Values(UsageRun{"threshold", {"-t", "256"}, "threshold 256 is out of range 0..255"},
                    UsageRun{"runs", {"-r", "0"}, "runs 0 is out of range 1..1000"},
                    UsageRun{"format", {"-f", "xml"}, "format \"xml\" is neither csv nor jsonl"},
                    UsageRun{"option", {"--bogus"}, "unknown option 'bogus'"},
                    UsageRun{"range", {"1", "5-3"}, "frame range 5-3 runs backwards"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliEndToEnd, HelpAndVersionGoToStdout) {
    const CliRun help = test::runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(kUsageLine + "\n", 0), 0u);
    EXPECT_NE(help.out.find("line_bottom"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const CliRun version = test::runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("vireo-cli ", 0), 0u) << version.out;
    EXPECT_EQ(splitLines(version.out).size(), 1u);
}

// Catches runs that restart from column 80 (a reset per run), a lost threshold, or a CLI whose
// sequence differs from the window's.
TEST_F(CliEndToEnd, RunsContinueFromTheCentresTheRunBeforeStored) {
    addFrame(7, kSlant);
    RasterSurface picture4;
    const auto expected = windowRuns(7, 120, 3, picture4);
    ASSERT_NE(expected[0].centres, expected[1].centres)
        << "the slanted frame no longer moves between runs; pick another";

    const CliRun run = test::runCli({"-d", dir(), "-t", "120", "-r", "3", "7"});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    const auto lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    for (int i = 0; i < 3; ++i) {
        const auto fields = splitFields(lines[1 + i]);
        ASSERT_EQ(fields.size(), 9u);
        const CenterRun& want = expected[i];
        EXPECT_EQ(fields[0], "7");
        EXPECT_EQ(fields[1], "120");
        EXPECT_EQ(fields[2], std::to_string(i + 1));
        EXPECT_EQ(fields[3], std::to_string(want.centres[0]));
        EXPECT_EQ(fields[4], std::to_string(want.centres[1]));
        EXPECT_EQ(fields[5], std::to_string(want.centres[2]));
        EXPECT_EQ(fields[6], std::to_string(want.centres[0] - want.centres[1]));
        EXPECT_EQ(toDouble(fields[7]), want.line.top);
        EXPECT_EQ(toDouble(fields[8]), want.line.bottom);
    }
}

// A step of 38 grey levels has gradient magnitude 152: below the cut 155 of threshold 100,
// above the cut 135 of threshold 120. Catches a threshold that never reaches the edge map.
TEST_F(CliEndToEnd, ThresholdDecidesWhichStepsAreEdges) {
    addFrame(1, [](int x, int) -> std::uint8_t { return x >= 60 && x <= 89 ? 162 : 200; });

    const CliRun atDefault = test::runCli({"-d", dir()});
    const CliRun atLower = test::runCli({"-d", dir(), "-t", "120"});

    EXPECT_EQ(atDefault.out, kHeader + "\n1,100,1,80,80,80,0,80,80\n");
    EXPECT_EQ(atLower.out, kHeader + "\n1,120,1,74,74,74,0,74,74\n");
}

TEST_F(CliEndToEnd, JsonLinesCarryTheCsvValuesUnderTheColumnNames) {
    addFrame(1, kStraight);
    addFrame(2, kBent);
    addFrame(3, kSlant);

    const CliRun csv = test::runCli({"-d", dir(), "-r", "2"});
    const CliRun jsonl = test::runCli({"-d", dir(), "-r", "2", "-f", "jsonl"});

    ASSERT_EQ(csv.exitCode, 0);
    ASSERT_EQ(jsonl.exitCode, 0);
    EXPECT_EQ(jsonl.err, "");
    const auto rows = splitLines(csv.out);
    const auto objects = splitLines(jsonl.out);
    ASSERT_EQ(rows.size(), 7u);
    ASSERT_EQ(objects.size(), rows.size() - 1) << "JSON Lines have no header line";
    const auto columns = splitFields(rows[0]);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto object = nlohmann::ordered_json::parse(objects[i]);
        const auto fields = splitFields(rows[i + 1]);
        ASSERT_EQ(object.size(), columns.size());
        std::size_t column = 0;
        for (const auto& [key, value] : object.items()) {
            EXPECT_EQ(key, columns[column]) << objects[i];
            if (value.is_number_integer())
                EXPECT_EQ(std::to_string(value.get<long long>()), fields[column]);
            else
                EXPECT_EQ(value.get<double>(), toDouble(fields[column])) << key;
            ++column;
        }
        EXPECT_TRUE(object["line_top"].is_number_float());
    }
}

TEST_F(CliEndToEnd, EdgeFilesAreBinaryPgmOfTheEdgeFrame) {
    addFrame(2, kBent);
    const QString out = sub("made/by/cli");

    const CliRun run = test::runCli({"-d", dir(), "--edges-dir", out});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto bytes = test::readFile(root() / "made/by/cli/edges2.pgm");
    const std::string header = "P5\n160 120\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 160 * 120);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + header.size()), header);
    const auto pixel = [&](int x, int y) { return bytes[header.size() + y * 160 + x]; };
    for (int x = 0; x < 160; ++x) {
        EXPECT_EQ(pixel(x, 0), 255) << "top border, column " << x;
        EXPECT_EQ(pixel(x, 119), 255) << "bottom border, column " << x;
    }
    // Top first: the upper path's edges (59/60, 89/90) on row 30, the lower one's on row 100.
    for (const auto& [x, value] :
         {std::pair{58, 255}, {59, 0}, {60, 0}, {61, 255}, {70, 255}, {89, 0}, {90, 0}, {99, 255}})
        EXPECT_EQ(pixel(x, 30), value) << "row 30, column " << x;
    for (const auto& [x, value] : {std::pair{60, 255},
                                   {69, 0},
                                   {70, 0},
                                   {71, 255},
                                   {89, 255},
                                   {99, 0},
                                   {100, 0},
                                   {101, 255}})
        EXPECT_EQ(pixel(x, 100), value) << "row 100, column " << x;
}

// The PNG must be what the window's edge surface shows after the last run, pixel for pixel,
// and painting must not change the records.
TEST_F(CliEndToEnd, RenderFilesShowTheWindowsEdgeSurface) {
    addFrame(5, kZigzag);
    const QString out = sub("render");

    const CliRun painted = test::runCli({"-d", dir(), "-r", "2", "--render-dir", out});
    const CliRun unpainted = test::runCli({"-d", dir(), "-r", "2"});

    ASSERT_EQ(painted.exitCode, 0) << painted.err;
    EXPECT_EQ(painted.out, unpainted.out);
    const QImage image(out + "/vireo5.png");
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(161, 121));
    int red = 0;
    int green = 0;
    int blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            red += p == qRgb(255, 0, 0);
            green += p == qRgb(0, 255, 0);
            blue += p == qRgb(0, 0, 255);
        }
    EXPECT_GT(red, 0);
    EXPECT_GT(green, 0);
    EXPECT_GT(blue, 0);

    RasterSurface picture4;
    const auto runs = windowRuns(5, 100, 2, picture4);
    EXPECT_EQ(runs[1].centres[0], 70);
    EXPECT_EQ(runs[1].centres[2], 70);
    EXPECT_TRUE(image.convertToFormat(QImage::Format_RGB32) == picture4.image())
        << "the PNG differs from the window's edge surface";
}

TEST_F(CliEndToEnd, UnwritableOutputFailsTheFrameWithAMessageNamingThePath) {
    addFrame(1, kStraight);
    addFile("plain-file", 3);

    const CliRun proc = test::runCli({"-d", dir(), "--edges-dir", "/proc", "1"});
    EXPECT_FALSE(proc.crashed);
    EXPECT_EQ(proc.exitCode, 1);
    EXPECT_EQ(proc.err.rfind("vireo-cli: /proc/edges1.pgm: cannot write", 0), 0u) << proc.err;
    EXPECT_EQ(proc.out, kHeader + "\n1,100,1,74,74,74,0,74,74\n")
        << "the frame's records are still good";

    const CliRun fileAsFolder = test::runCli({"-d", dir(), "--render-dir", sub("plain-file")});
    EXPECT_EQ(fileAsFolder.exitCode, 1);
    EXPECT_EQ(fileAsFolder.err.rfind(
                  "vireo-cli: " + sub("plain-file").toStdString() + ": cannot create folder", 0),
              0u)
        << fileAsFolder.err;
}

// `vireo-cli | head -1` must end quietly: no "broken pipe" message, no death by SIGPIPE.
TEST_F(CliEndToEnd, PipeIntoHeadEndsQuietly) {
    addFrame(1, kStraight);
    QStringList frames;
    for (int i = 0; i < 40; ++i)
        frames << "1";
    const QString status = sub("status");

    // About 1 MB of records, far more than a pipe holds, so the writer meets the closed pipe.
    const CliRun run = test::runShell(
        "dir=$1; status=$2; shift 2; { \"$0\" -d \"$dir\" -r 1000 \"$@\"; echo $? >\"$status\"; }"
        " | head -1",
        QStringList{dir(), status} + frames);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, kHeader + "\n");
    EXPECT_EQ(run.err, "");
    const auto statusBytes = test::readFile(status.toStdString());
    EXPECT_EQ(std::string(statusBytes.begin(), statusBytes.end()), "0\n");
}

// The progress counter is for terminals only; here stderr is a pipe.
TEST_F(CliEndToEnd, ManyFramesPrintNoProgressWhenStderrIsNotATerminal) {
    addFrame(1, kStraight);
    QStringList arguments{"-d", dir()};
    for (int i = 0; i < 60; ++i)
        arguments << "1";

    const CliRun run = test::runCli(arguments);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(splitLines(run.out).size(), 61u);
}

} // namespace
} // namespace vireo
