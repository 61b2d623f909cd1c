#include "cli_test_support.h"

#include <QProcess>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace vireo::test {

namespace {

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

CliRun finish(QProcess& process) {
    CliRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.crashed = true;
    }
    run.crashed = run.crashed || process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

} // namespace

Shade pathShade(std::function<bool(int x, int y)> path) {
    return [path = std::move(path)](int x, int y) { return path(x, y) ? kPath : kFloor; };
}

std::vector<std::uint8_t> greyBitmap(const Shade& shade) {
    constexpr int width = 160;
    constexpr int height = 120;
    constexpr std::uint32_t pixelBytes = width * height * 3;
    std::vector<std::uint8_t> out{'B', 'M'};
    putLe(out, 54 + pixelBytes, 4); // file size
    putLe(out, 0, 4);               // reserved
    putLe(out, 54, 4);              // pixel data offset
    putLe(out, 40, 4);              // information header size
    putLe(out, width, 4);
    putLe(out, height, 4); // positive: bottom row first
    putLe(out, 1, 2);      // planes
    putLe(out, 24, 2);     // bits per pixel
    putLe(out, 0, 4);      // no compression
    putLe(out, pixelBytes, 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            out.insert(out.end(), 3, shade(x, y));
    return out;
}

void writeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write test file " + file.string());
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CliRun runCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(VIREO_CLI_PATH), arguments);
    return finish(process);
}

CliRun runShell(const QString& commandLine, const QStringList& shellArguments) {
    QProcess process;
    process.start(QStringLiteral("/bin/sh"),
                  QStringList{"-c", commandLine, QStringLiteral(VIREO_CLI_PATH)} + shellArguments);
    return finish(process);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields;
}

} // namespace vireo::test
