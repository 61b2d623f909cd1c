#include "app/cli/record_writer.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace vireo {
namespace {

const RunRecord kExample{5, 100, 1, {78, 80, 83}, -2, 76.5, 83.5};

std::string csvLine(const RunRecord& record) {
    std::string out;
    appendCsvRecord(out, record);
    return out;
}

// The formatter reuses one object: the second line must carry only its own record.
TEST(RecordFormats, CsvAndJsonlCarryTheSameColumnsInOrder) {
    EXPECT_EQ(std::string(kCsvHeader),
              "frame,threshold,run,center40,center60,center80,forecast,line_top,line_bottom\n");
    EXPECT_EQ(csvLine(kExample), "5,100,1,78,80,83,-2,76.5,83.5\n");
    std::string out;
    JsonlFormatter formatter;
    formatter.append(out, {1, 2, 3, {4, 5, 6}, 7, 8.5, 9.5});
    formatter.append(out, kExample);
    EXPECT_EQ(out.substr(out.find('\n') + 1),
              "{\"frame\":5,\"threshold\":100,\"run\":1,\"center40\":78,\"center60\":80,"
              "\"center80\":83,\"forecast\":-2,\"line_top\":76.5,\"line_bottom\":83.5,"
              "\"support40\":0,\"support60\":0,\"support80\":0}\n");
}

// Thousands of records cross many buffer boundaries; none may be lost, split or doubled.
TEST(RecordWriter, WritesEveryRecordExactlyOnceAcrossBufferBoundaries) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    RecordWriter writer(fileno(file), RecordFormat::Csv);
    std::string expected = kCsvHeader;
    writer.writeHeader();
    for (int i = 0; i < 5000; ++i) {
        const RunRecord record{i, 100, 1 + i % 7, {i % 131 + 15, 80, 81}, i % 50 - 25, i / 3.0, 81};
        writer.write(record);
        appendCsvRecord(expected, record);
    }
    ASSERT_TRUE(writer.flush());
    std::string written(expected.size() + 1, '\0');
    std::rewind(file);
    written.resize(std::fread(written.data(), 1, written.size(), file));
    std::fclose(file);
    EXPECT_EQ(written, expected);
}

} // namespace
} // namespace vireo
