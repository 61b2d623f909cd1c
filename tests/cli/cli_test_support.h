#pragma once

#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vireo::test {

// Grey level of picture pixel (x, y), y counted from the top.
using Shade = std::function<std::uint8_t(int x, int y)>;

inline constexpr std::uint8_t kFloor = 200;
inline constexpr std::uint8_t kPath = 40;

// A dark path on a uniform floor: `path(x, y)` says whether the pixel belongs to the path.
Shade pathShade(std::function<bool(int x, int y)> path);

// The bytes of an uncompressed 24-bit 160 x 120 bitmap, stored bottom-up, whose pixels are the
// grey levels of `shade`.
std::vector<std::uint8_t> greyBitmap(const Shade& shade);

void writeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::filesystem::path& file);

// What a run of the vireo-cli binary left behind.
struct CliRun {
    int exitCode = -1;
    bool crashed = false; // ended by a signal or did not finish
    std::string out;
    std::string err;
};

// Runs vireo-cli with `arguments`, waiting at most a minute.
CliRun runCli(const QStringList& arguments);

// Runs a /bin/sh command line, with the binary's path in $0.
CliRun runShell(const QString& commandLine, const QStringList& shellArguments);

std::vector<std::string> splitLines(const std::string& text);
std::vector<std::string> splitFields(const std::string& line);

} // namespace vireo::test
