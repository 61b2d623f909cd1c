// The built vireo-cli run as a child process on frames written by the test.

#include "app/cli/record_writer.h"
#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "tracker/tracker.h"
#include "ui/raster_surface.h"

#include <QImage>
#include <QProcess>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vireo {
namespace {

using testing::PixelSource;

const std::string kHeader = kCsvHeader;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs vireo-cli, or with `shell` a /bin/sh command line given the binary's path in $0.
CliRun runCli(const QStringList& arguments, const QString& shell = {}) {
    QProcess process;
    if (shell.isEmpty())
        process.start(QStringLiteral(VIREO_CLI_PATH), arguments);
    else
        process.start("/bin/sh",
                      QStringList{"-c", shell, QStringLiteral(VIREO_CLI_PATH)} + arguments);
    const bool finished = process.waitForFinished(60000);
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit) << "crashed or hung";
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

std::string readFile(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = testing::readFile(file);
    return {bytes.begin(), bytes.end()};
}

// A dark path (40) on a floor of 200 wherever `onPath(x, y)` holds.
PixelSource path(bool (*onPath)(int x, int y)) {
    return [onPath](int x, int y) { return testing::uniform(onPath(x, y) ? 40 : 200)(x, y); };
}

// Path in columns 60..89: edges at columns 59/60 and 89/90.
const PixelSource kStraight = testing::verticalBand(200, 40, 60, 90);
// Rows 0..56 as kStraight, rows 57..119 shifted to 70..99.
const PixelSource kBent =
    path([](int x, int y) { return y <= 56 ? x >= 60 && x <= 89 : x >= 70 && x <= 99; });
// A steep slant; the first run lands where the next one searches differently.
const PixelSource kSlant = path([](int x, int y) { return x >= 20 + y && x <= 40 + y; });

class CliEndToEnd : public ::testing::Test {
protected:
    QString dir() const { return QString::fromStdString(folder_.path().string()); }
    QString sub(const char* name) const { return dir() + "/" + name; }
    void addFrame(int frame, const PixelSource& pixels) {
        testing::writeFrame(folder_.path(), frame, pixels);
    }
    void addFile(const char* name) { testing::writeFile(folder_.path() / name, {0x42, 0x42}); }

    testing::TempFolder folder_;
};

// One bad frame among good ones: reported on stderr, the rest still run, exit 1. Frames run in
// number order (10 after 2).
TEST_F(CliEndToEnd, RunsFramesInNumberOrderAndReportsTheBadOne) {
    addFrame(1, kStraight);
    addFrame(2, kBent);
    addFile("pic3.bmp");
    addFrame(10, kStraight);

    const CliRun run = runCli({"-d", dir()});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.starts_with("vireo-cli: pic3.bmp: ")) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    // Straight: edges 60 and 89 on every row, 74.5 rounds to 74, a vertical line. Bent: bands
    // give 74, 81 (mixed rows) and 84 (84.5 ties to even); the fitted line ends at 74.4 and
    // 84.933...
    EXPECT_EQ(run.out, kHeader + "1,100,1,74,74,74,0,74,74\n"
                                 "2,100,1,74,81,84,-7,74.4,84.93333333333334\n"
                                 "10,100,1,74,74,74,0,74,74\n");
}

// A folder without frames fails (1), a usage error exits with 2; both say why on stderr and
// process nothing.
TEST_F(CliEndToEnd, FailuresBeforeAnyFrameSayWhyAndProcessNothing) {
    addFile("notes.txt");
    const CliRun empty = runCli({"-d", dir()});
    EXPECT_EQ(std::tuple(empty.exitCode, empty.out, empty.err),
              std::tuple(1, "", "vireo-cli: no picN.bmp frames in " + dir().toStdString() + "\n"));
    addFrame(1, kStraight);
    const CliRun usage = runCli({"-d", dir(), "-t", "256"});
    EXPECT_EQ(std::tuple(usage.exitCode, usage.out, usage.err),
              std::tuple(2, "",
                         "vireo-cli: threshold 256 is out of range 0..255\n"
                         "Try 'vireo-cli --help' for more information.\n"));
}

// A step of 38 grey levels has gradient magnitude 152: below the cut 155 of threshold 100,
// above the cut 135 of threshold 120. Catches a threshold that never reaches the edge map. The
// JSONL record carries the CSV values under the column names.
TEST_F(CliEndToEnd, ThresholdDecidesWhichStepsAreEdges) {
    addFrame(1, testing::verticalBand(200, 162, 60, 90));
    EXPECT_EQ(runCli({"-d", dir()}).out, kHeader + "1,100,1,80,80,80,0,80,80\n");
    EXPECT_EQ(runCli({"-d", dir(), "-t", "120", "-f", "jsonl"}).out,
              "{\"frame\":1,\"threshold\":120,\"run\":1,\"center40\":74,\"center60\":74,"
              "\"center80\":74,\"forecast\":0,\"line_top\":74.0,\"line_bottom\":74.0,"
              "\"support40\":21,\"support60\":21,\"support80\":21}\n");
}

// Records, PGM and PNG equal a Tracker's after "Display Picture" and three "Find Center" at
// threshold 120: catches runs that restart from column 80, a lost threshold, an edge file that is
// not the edge frame top row first (the slant is not symmetric), a PNG that is not the edge
// surface with the overlay, and output files that change the records. The outputs written beside
// the frames leave the frame files as they were.
TEST_F(CliEndToEnd, RecordsEdgeFilesAndRenderFilesMatchTheTracker) {
    addFrame(7, kSlant);
    const std::vector<std::uint8_t> frameBytes = testing::readFile(folder_.path() / "pic7.bmp");
    const CliRun written = runCli({"-d", dir(), "-t", "120", "-r", "3", "--edges-dir",
                                   sub("made/by/cli"), "--render-dir", dir()});
    RasterSurface picture4;
    Tracker tracker({nullptr, &picture4});
    ASSERT_TRUE(tracker.startUp(folder_.path(), 120, 7));
    tracker.displayPicture();
    std::string expected = kHeader;
    std::vector<std::array<int, 3>> centres;
    for (int run = 1; run <= 3; ++run) {
        const CenterRun r = *tracker.findCenter();
        centres.push_back(r.centres);
        appendCsvRecord(expected,
                        {7, 120, run, r.centres, r.forecast(), r.line.top, r.line.bottom});
    }
    ASSERT_NE(centres[0], centres[1]) << "the slant no longer moves between runs";
    EXPECT_EQ(written.out, expected) << written.err;
    EXPECT_EQ(runCli({"-d", dir(), "-t", "120", "-r", "3", "--edges-dir", dir()}).out, expected);
    EXPECT_EQ(testing::readFile(folder_.path() / "pic7.bmp"), frameBytes);

    std::string pgm = "P5\n160 120\n255\n";
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            pgm += static_cast<char>(tracker.state().edgeimg.at(x, y));
    EXPECT_EQ(readFile(folder_.path() / "made/by/cli/edges7.pgm"), pgm);
    EXPECT_EQ(readFile(folder_.path() / "edges7.pgm"), pgm);

    const QImage image = QImage(sub("vireo7.png")).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(image == picture4.image()) << "the PNG differs from the edge surface";
}

// With the folder's marks the summary lines gain marked, error and suggested, and are otherwise
// unchanged. At threshold 100 the band's steps are no edges (centres 80), at 120 they are
// (centres 74); the marks of the refused frame 2 do not count.
TEST_F(CliEndToEnd, SummaryWithMarksAddsTheErrorAndTheSuggestedThreshold) {
    addFrame(1, testing::verticalBand(200, 162, 60, 90));
    addFile("pic2.bmp");
    const QStringList summary{"-d", dir(), "-t", "100,120", "--summary"};
    const CliRun plain = runCli(summary);
    ASSERT_EQ(plain.out.substr(0, plain.out.find('\n') + 1), kSummaryCsvHeader);
    std::string expected = kSummaryMarksCsvHeader;
    std::size_t line = plain.out.find('\n') + 1;
    for (const char* marks : {",2,5.5,0\n", ",2,0.5,1\n"}) {
        const std::size_t end = plain.out.find('\n', line);
        expected += plain.out.substr(line, end - line) + marks;
        line = end + 1;
    }
    const std::string marks = "frame,row,column\n1,40,74\n1,80,75.0\n2,60,0\n";
    testing::writeFile(folder_.path() / "vireo-marks.csv", {marks.begin(), marks.end()});
    const CliRun marked = runCli(summary);
    EXPECT_EQ(std::tuple(marked.exitCode, marked.out), std::tuple(1, expected));
    const std::string jsonl = runCli(summary + QStringList{"-f", "jsonl"}).out;
    EXPECT_TRUE(jsonl.ends_with(",\"marked\":2,\"error\":0.5,\"suggested\":1}\n")) << jsonl;
}

// Marks that cannot be read whole stop the run before any frame, with the file and the reason,
// and are left as they are; a pipe or a device is refused unread.
TEST_F(CliEndToEnd, MarksThatCannotBeReadWholeStopTheRunAndStayAsTheyAre) {
    addFrame(1, kStraight);
    const std::string pipe = sub("pipe").toStdString();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& special : {pipe, std::string("/dev/zero")}) {
        const CliRun run = runCli({"-d", dir(), "--marks", special.c_str()});
        EXPECT_EQ(std::tuple(run.exitCode, run.out, run.err),
                  std::tuple(1, "", "vireo-cli: " + special + ": not a regular file\n"));
    }
    const std::string bad = "frame,row,column\n1,40,74\n5,50,1.0\n";
    testing::writeFile(folder_.path() / "vireo-marks.csv", {bad.begin(), bad.end()});
    const CliRun run = runCli({"-d", dir(), "--summary"});
    EXPECT_EQ(std::tuple(run.exitCode, run.out, run.err),
              std::tuple(1, "",
                         "vireo-cli: " + sub("vireo-marks.csv").toStdString() +
                             ": line 3: row 50 is not a scan row (40, 60 or 80)\n"));
    EXPECT_EQ(readFile(folder_.path() / "vireo-marks.csv"), bad);
}

TEST_F(CliEndToEnd, UnwritableOutputFolderFailsTheFrameWithAMessageNamingThePath) {
    addFrame(1, kStraight);
    const CliRun run = runCli({"-d", dir(), "--edges-dir", "/proc", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.starts_with("vireo-cli: /proc/edges1.pgm: cannot write")) << run.err;
    EXPECT_EQ(run.out, kHeader + "1,100,1,74,74,74,0,74,74\n") << "the records are still good";
}

// `vireo-cli | head -1` must end quietly: no "broken pipe" message, no death by SIGPIPE.
TEST_F(CliEndToEnd, PipeIntoHeadEndsQuietly) {
    addFrame(1, kStraight);
    const QString status = sub("status");
    QStringList arguments{dir(), status};
    for (int i = 0; i < 40; ++i) // about 1 MB of records, far more than a pipe holds
        arguments << "1";

    const CliRun run =
        runCli(arguments, "dir=$1; status=$2; shift 2;"
                          " { \"$0\" -d \"$dir\" -r 1000 \"$@\"; echo $? >\"$status\"; }"
                          " | head -1");

    EXPECT_EQ(run.out, kHeader);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readFile(status.toStdString()), "0\n");
}

// A video gives, record for record and in its summary against the marks beside it, what the
// frames the README's ffmpeg command makes of it give.
TEST(CliOnVideo, GivesWhatItsConvertedFramesGive) {
    const testing::TempFolder work;
    const std::string at = work.path().string();
    ASSERT_EQ(std::system(("cd '" + at +
                           "' && ffmpeg -nostdin -v error -f lavfi -i "
                           "testsrc2=size=320x180:rate=25:duration=2 -c:v libx264 run.mp4 && "
                           "mkdir run && ffmpeg -nostdin -v error -i run.mp4 -vf "
                           "'fps=10,scale=160:120:force_original_aspect_ratio=increase,crop=160:"
                           "120' -pix_fmt bgr24 -start_number 0 run/pic%d.bmp")
                              .c_str()),
              0);
    const std::string marks = "frame,row,column\n3,40,70\n5,80,95\n";
    for (const char* file : {"/run.mp4.vireo-marks.csv", "/run/vireo-marks.csv"})
        testing::writeFile(at + file, {marks.begin(), marks.end()});
    for (const QStringList& options : {QStringList{"-f", "jsonl"}, QStringList{"--summary"}}) {
        const CliRun video = runCli(QStringList{"-i", QString::fromStdString(at + "/run.mp4"),
                                                "--fit", "crop", "--fps", "10", "-t", "0-255"} +
                                    options);
        const CliRun frames = runCli(
            QStringList{"--dir", QString::fromStdString(at + "/run"), "-t", "0-255"} + options);
        EXPECT_EQ(video.exitCode, 0) << video.err;
        EXPECT_EQ(video.out, frames.out);
        EXPECT_TRUE(options[0] != "--summary" || video.out.find("suggested") != std::string::npos);
    }
}

} // namespace
} // namespace vireo
