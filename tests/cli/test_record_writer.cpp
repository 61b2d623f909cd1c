#include "app/cli/record_writer.h"
#include "cli_test_support.h"

#include <QTemporaryDir>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace vireo {
namespace {

const RunRecord kExample{5, 100, 1, {78, 80, 83}, -2, 76.5, 83.5};

std::string csvLine(const RunRecord& record) {
    std::string out;
    appendCsvRecord(out, record);
    return out;
}

std::string jsonLine(const RunRecord& record) {
    std::string out;
    JsonlFormatter formatter;
    formatter.append(out, record);
    return out;
}

TEST(CsvRecord, WritesTheColumnsInHeaderOrder) {
    EXPECT_EQ(std::string(kCsvHeader),
              "frame,threshold,run,center40,center60,center80,forecast,line_top,line_bottom\n");
    EXPECT_EQ(csvLine(kExample), "5,100,1,78,80,83,-2,76.5,83.5\n");
    EXPECT_EQ(csvLine({12, 0, 1000, {15, 145, 80}, -130, -2.25, 160}),
              "12,0,1000,15,145,80,-130,-2.25,160\n");
}

struct LineEnd {
    double value;
    const char* csv;
    const char* json;
};

void PrintTo(const LineEnd& c, std::ostream* os) {
    *os << c.csv;
}

class LineEndText : public testing::TestWithParam<LineEnd> {};

// A fixed precision (printf %g, iostream default) would round 79.66666666666667 to 79.6667 and
// lose the value; an integral end must read "81" in CSV.
TEST_P(LineEndText, IsShortestRoundTripInBothFormats) {
    const auto [value, csv, json] = GetParam();
    RunRecord record = kExample;
    record.lineTop = value;
    const auto fields = test::splitFields(csvLine(record).substr(0, csvLine(record).size() - 1));
    ASSERT_EQ(fields.size(), 9u);
    EXPECT_EQ(fields[7], csv);
    double readBack = 0;
    std::from_chars(fields[7].data(), fields[7].data() + fields[7].size(), readBack);
    EXPECT_EQ(readBack, value);

    const std::string line = jsonLine(record);
    EXPECT_NE(line.find(std::string("\"line_top\":") + json + ","), std::string::npos) << line;
    EXPECT_EQ(nlohmann::json::parse(line)["line_top"].get<double>(), value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEndText,
    testing::Values(LineEnd{81.0, "81", "81.0"},
                    LineEnd{79.66666666666667, "79.66666666666667", "79.66666666666667"},
                    LineEnd{84.93333333333334, "84.93333333333334", "84.93333333333334"},
                    LineEnd{-0.5, "-0.5", "-0.5"}, LineEnd{25000.125, "25000.125", "25000.125"},
                    LineEnd{0.1, "0.1", "0.1"}));

TEST(JsonlRecord, HasTheCsvColumnsAsKeysInOrderWithTheSameValues) {
    EXPECT_EQ(jsonLine(kExample),
              "{\"frame\":5,\"threshold\":100,\"run\":1,\"center40\":78,\"center60\":80,"
              "\"center80\":83,\"forecast\":-2,\"line_top\":76.5,\"line_bottom\":83.5}\n");
}

// The formatter reuses one object: a second record must not keep anything of the first.
TEST(JsonlRecord, EachLineCarriesOnlyItsOwnRecord) {
    std::string out;
    JsonlFormatter formatter;
    formatter.append(out, kExample);
    formatter.append(out, {7, 9, 2, {15, 16, 17}, -1, 81, 0.25});
    const auto lines = test::splitLines(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "{\"frame\":7,\"threshold\":9,\"run\":2,\"center40\":15,\"center60\":16,"
                        "\"center80\":17,\"forecast\":-1,\"line_top\":81.0,\"line_bottom\":0.25}");
}

class WriterFile : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        path_ = std::filesystem::path(folder_.path().toStdString()) / "records";
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override { ::close(fd_); }

    std::string written() {
        const auto bytes = test::readFile(path_);
        return {bytes.begin(), bytes.end()};
    }

    QTemporaryDir folder_;
    std::filesystem::path path_;
    int fd_ = -1;
};

// Thousands of records cross many buffer boundaries; none may be lost, split or doubled.
TEST_F(WriterFile, WritesEveryRecordExactlyOnceAcrossBufferBoundaries) {
    RecordWriter writer(fd_, RecordFormat::Csv);
    std::string expected = kCsvHeader;
    writer.writeHeader();
    for (int i = 0; i < 5000; ++i) {
        const RunRecord record{i, 100, 1 + i % 7, {i % 131 + 15, 80, 81}, i % 50 - 25, i / 3.0, 81};
        writer.write(record);
        appendCsvRecord(expected, record);
    }
    ASSERT_TRUE(writer.flush());
    EXPECT_FALSE(writer.failed());
    EXPECT_EQ(written(), expected);
}

// A reader that went away must stop the writer with EPIPE, not kill or hang the process.
TEST(RecordWriter, ClosedReaderStopsWritingWithBrokenPipe) {
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);

    RecordWriter writer(ends[1], RecordFormat::Csv);
    writer.writeHeader();
    for (int i = 0; i < 10000 && !writer.failed(); ++i)
        writer.write(kExample);
    EXPECT_FALSE(writer.flush());
    EXPECT_TRUE(writer.failed());
    EXPECT_EQ(writer.errorNumber(), EPIPE);
    writer.write(kExample); // ignored, no crash
    EXPECT_EQ(writer.errorNumber(), EPIPE);

    ::close(ends[1]);
    std::signal(SIGPIPE, previous);
}

TEST(RecordWriter, FullDeviceReportsNoSpace) {
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full here";
    RecordWriter writer(fd, RecordFormat::Csv);
    writer.write(kExample);
    EXPECT_FALSE(writer.flush());
    EXPECT_EQ(writer.errorNumber(), ENOSPC);
    ::close(fd);
}

} // namespace
} // namespace vireo
