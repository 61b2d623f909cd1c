// The built vireo-cli run as a child process on frames written by the test.

#include "app/cli/record_writer.h"
#include "bmp_builder.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/centers.h"
#include "ui/raster_surface.h"

#include <QImage>
#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace vireo {
namespace {

using testing::PixelSource;

const std::string kHeader = kCsvHeader;
const std::string kUsageLine = "Usage: vireo-cli [options] [FRAMES...]\n";

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

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A dark path (40) on a floor of 200 wherever `onPath(x, y)` holds.
PixelSource path(bool (*onPath)(int x, int y)) {
    return [onPath](int x, int y) {
        const std::uint8_t v = onPath(x, y) ? 40 : 200;
        return testing::Bgr{v, v, v};
    };
}

// Path in columns 60..89: edges at columns 59/60 and 89/90.
const PixelSource kStraight = testing::verticalBand(200, 40, 60, 90);
// Rows 0..56 as kStraight, rows 57..119 shifted to 70..99.
const PixelSource kBent =
    path([](int x, int y) { return y <= 56 ? x >= 60 && x <= 89 : x >= 70 && x <= 99; });
// Rows 52..68 hold a path 70..109, every other row one at 50..89.
const PixelSource kZigzag = path(
    [](int x, int y) { return y >= 52 && y <= 68 ? x >= 70 && x <= 109 : x >= 50 && x <= 89; });
// A steep slant; the first run lands where the next one searches differently.
const PixelSource kSlant = path([](int x, int y) { return x >= 20 + y && x <= 40 + y; });

class CliEndToEnd : public ::testing::Test {
protected:
    QString dir() const { return QString::fromStdString(folder_.path().string()); }
    QString sub(const char* name) const { return dir() + "/" + name; }
    void addFrame(int frame, const PixelSource& pixels) {
        testing::writeFile(folder_.path() / frameFileName(frame), testing::buildBmp(pixels));
    }
    void addFile(const char* name) { testing::writeFile(folder_.path() / name, {0x42, 0x42}); }

    // What the window computes for `frame`: "Display Picture" at `threshold`, then `runs` times
    // "Find Center", on a raster surface like its edge picture; as the CLI's expected output.
    std::string windowRecords(int frame, int threshold, int runs, RasterSurface& picture4) {
        TrackingState state;
        initmask(state);
        state.sobelthresh = threshold;
        historyinit(state);
        moveme(state, folder_.path(), frame);
        Sobel(state, picture4);
        std::string out = kHeader;
        for (int run = 1; run <= runs; ++run) {
            const CenterRun r = findcenter(state, picture4);
            appendCsvRecord(out, {frame, threshold, run, r.centres, r.centres[0] - r.centres[1],
                                  r.line.top, r.line.bottom});
        }
        return out;
    }

    testing::TempFolder folder_;
};

// One bad frame among good ones: reported on stderr, the rest still run, exit 1. Files not
// named picN.bmp are skipped and frames run in number order (10 after 4).
TEST_F(CliEndToEnd, RunsFramesInNumberOrderAndReportsTheBadOne) {
    addFrame(1, kStraight);
    addFrame(2, kBent);
    addFile("pic3.bmp");
    addFrame(4, testing::uniform(200));
    addFrame(10, kStraight);
    addFile("pic01.bmp");
    addFile("notes.txt");

    const CliRun run = runCli({"-d", dir()});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("vireo-cli: pic3.bmp: ", 0), 0u) << run.err;
    EXPECT_EQ(splitLines(run.err).size(), 1u) << run.err;
    // Straight: edges 60 and 89 on every row, 74.5 rounds to 74, a vertical line. Bent: bands
    // give 74, 81 (mixed rows) and 84 (84.5 ties to even); the fitted line ends at 74.4 and
    // 84.933... No edges (frame 4): searches run off at 160 and -1, 79.5 rounds to 80.
    EXPECT_EQ(run.out, kHeader + "1,100,1,74,74,74,0,74,74\n"
                                 "2,100,1,74,81,84,-7,74.4,84.93333333333334\n"
                                 "4,100,1,80,80,80,0,80,80\n"
                                 "10,100,1,74,74,74,0,74,74\n");
}

TEST_F(CliEndToEnd, FolderWithoutFramesIsAFailureSaidOnStderr) {
    addFile("pic01.bmp");
    const CliRun run = runCli({"-d", dir()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "vireo-cli: no picN.bmp frames in " + dir().toStdString() + "\n");
    EXPECT_EQ(run.out, "");
}

struct UsageRun {
    QStringList arguments;
    std::string reason;
    friend void PrintTo(const UsageRun& run, std::ostream* out) { *out << run.reason; }
};

class CliUsageError : public CliEndToEnd, public ::testing::WithParamInterface<UsageRun> {};

TEST_P(CliUsageError, ExitsWithTwoAReasonAndTheUsage) {
    addFrame(1, kStraight);
    const CliRun run = runCli(QStringList{"-d", dir()} + GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "") << "nothing may be processed after a usage error";
    EXPECT_EQ(run.err.rfind("vireo-cli: " + GetParam().reason + "\n" + kUsageLine, 0), 0u)
        << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageError,
    ::testing::Values(UsageRun{{"-t", "256"}, "threshold 256 is out of range 0..255"},
                      UsageRun{{"-t", "99999999999999999999"},
                               "threshold 99999999999999999999 is out of range 0..255"},
                      UsageRun{{"--threshold=-1"}, "threshold \"-1\" is not a whole number 0..255"},
                      UsageRun{{"-t", "ten"}, "threshold \"ten\" is not a whole number 0..255"},
                      UsageRun{{"-t"}, "missing value after '-t'"},
                      UsageRun{{"-r", "0"}, "runs 0 is out of range 1..1000"},
                      UsageRun{{"--runs", "1001"}, "runs 1001 is out of range 1..1000"},
                      UsageRun{{"-f", "xml"}, "format \"xml\" is neither csv nor jsonl"},
                      UsageRun{{"-f", "CSV"}, "format \"CSV\" is neither csv nor jsonl"},
                      UsageRun{{"--frames", "3"}, "unknown option 'frames'"},
                      UsageRun{{"-x"}, "unknown option 'x'"},
                      UsageRun{{"--edges-dir", ""}, "--edges-dir needs a folder name"},
                      UsageRun{{"--render-dir="}, "--render-dir needs a folder name"},
                      UsageRun{{"1", "5-3"}, "frame range 5-3 runs backwards"},
                      UsageRun{{"3", "x"}, "frame \"x\" is neither a number N nor a range A-B"}));

// Catches runs that restart from column 80 (a reset per run), a lost threshold, or a sequence
// that differs from the window's.
TEST_F(CliEndToEnd, RunsContinueFromTheCentresTheRunBeforeStored) {
    addFrame(7, kSlant);
    RasterSurface picture4;
    const std::string expected = windowRecords(7, 120, 3, picture4);
    const auto lines = splitLines(expected);
    ASSERT_NE(lines[1].substr(8), lines[2].substr(8)) << "the slant no longer moves between runs";
    EXPECT_EQ(runCli({"-d", dir(), "-t", "120", "-r", "3", "7"}).out, expected);
}

// A step of 38 grey levels has gradient magnitude 152: below the cut 155 of threshold 100,
// above the cut 135 of threshold 120. Catches a threshold that never reaches the edge map.
TEST_F(CliEndToEnd, ThresholdDecidesWhichStepsAreEdges) {
    addFrame(1, testing::verticalBand(200, 162, 60, 90));
    EXPECT_EQ(runCli({"-d", dir()}).out, kHeader + "1,100,1,80,80,80,0,80,80\n");
    EXPECT_EQ(runCli({"-d", dir(), "-t", "120"}).out, kHeader + "1,120,1,74,74,74,0,74,74\n");
}

TEST_F(CliEndToEnd, JsonLinesCarryTheCsvValuesUnderTheColumnNames) {
    addFrame(1, kStraight);
    addFrame(2, kBent);
    addFrame(3, kSlant);

    const CliRun csv = runCli({"-d", dir(), "-r", "2"});
    const CliRun jsonl = runCli({"-d", dir(), "-r", "2", "-f", "jsonl"});

    ASSERT_EQ(jsonl.exitCode, 0) << jsonl.err;
    std::string rebuilt = kHeader;
    for (const auto& line : splitLines(jsonl.out)) {
        const auto o = nlohmann::ordered_json::parse(line);
        std::string keys;
        for (const auto& [key, value] : o.items())
            keys += (keys.empty() ? "" : ",") + key;
        EXPECT_EQ(keys + "\n", kHeader);
        EXPECT_TRUE(o["line_top"].is_number_float());
        appendCsvRecord(rebuilt, {o["frame"],
                                  o["threshold"],
                                  o["run"],
                                  {o["center40"], o["center60"], o["center80"]},
                                  o["forecast"],
                                  o["line_top"],
                                  o["line_bottom"]});
    }
    EXPECT_EQ(rebuilt, csv.out);
    EXPECT_EQ(splitLines(csv.out).size(), 7u);
}

TEST_F(CliEndToEnd, EdgeFilesAreBinaryPgmOfTheEdgeFrame) {
    addFrame(2, kBent);
    ASSERT_EQ(runCli({"-d", dir(), "--edges-dir", sub("made/by/cli")}).exitCode, 0);

    const std::string bytes = readFile(folder_.path() / "made/by/cli/edges2.pgm");
    const std::string header = "P5\n160 120\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 160 * 120);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    const auto pixel = [&](int x, int y) {
        return static_cast<std::uint8_t>(bytes[header.size() + y * 160 + x]);
    };
    // Borders white; top first: the upper path's edges (59/60, 89/90) on row 30, the lower
    // one's (69/70, 99/100) on row 100.
    for (int x : {0, 59, 60, 61, 69, 70, 89, 90, 99, 100, 159}) {
        EXPECT_EQ(pixel(x, 0), 255);
        EXPECT_EQ(pixel(x, 119), 255);
        EXPECT_EQ(pixel(x, 30), x == 59 || x == 60 || x == 89 || x == 90 ? 0 : 255) << x;
        EXPECT_EQ(pixel(x, 100), x == 69 || x == 70 || x == 99 || x == 100 ? 0 : 255) << x;
    }
}

// The PNG must be the window's edge surface after the last run, pixel for pixel, with the
// overlay's colours in it; painting must not change the records.
TEST_F(CliEndToEnd, RenderFilesShowTheWindowsEdgeSurface) {
    addFrame(5, kZigzag);
    const CliRun painted = runCli({"-d", dir(), "-r", "2", "--render-dir", sub("render")});
    ASSERT_EQ(painted.exitCode, 0) << painted.err;
    EXPECT_EQ(painted.out, runCli({"-d", dir(), "-r", "2"}).out);

    const QImage image = QImage(sub("render/vireo5.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(161, 121));
    for (const QRgb colour : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}) {
        bool present = false;
        for (int y = 0; y < 121 && !present; ++y)
            for (int x = 0; x < 161 && !present; ++x)
                present = image.pixel(x, y) == colour;
        EXPECT_TRUE(present) << std::hex << colour;
    }
    RasterSurface picture4;
    EXPECT_EQ(painted.out, windowRecords(5, 100, 2, picture4));
    EXPECT_TRUE(image == picture4.image()) << "the PNG differs from the window's edge surface";
}

// Catches a renderer looked for in the wrong place, or one whose absence is noticed only after
// records went out: a lone copy of the program must fail up front, naming the module.
TEST_F(CliEndToEnd, MissingRendererFailsBeforeAnyFrame) {
    addFrame(1, kStraight);
    const CliRun run = runCli({dir()}, R"(mkdir "$1/bin" && cp "$0" "$1/bin/" &&
                                          exec "$1/bin/vireo-cli" -d "$1" --render-dir "$1/r")");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("vireo-cli: --render-dir: cannot load the renderer /", 0), 0u)
        << run.err;
    EXPECT_NE(run.err.find("/vireo/vireo-render.so: cannot open shared object file"),
              std::string::npos)
        << run.err;
}

TEST_F(CliEndToEnd, UnwritableOutputFolderFailsTheFrameWithAMessageNamingThePath) {
    addFrame(1, kStraight);
    const CliRun run = runCli({"-d", dir(), "--edges-dir", "/proc", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("vireo-cli: /proc/edges1.pgm: cannot write", 0), 0u) << run.err;
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

} // namespace
} // namespace vireo
