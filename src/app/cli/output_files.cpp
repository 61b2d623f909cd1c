#include "app/cli/output_files.h"

#include "input/reason_text.h"

#include <QFile>
#include <QImageWriter>
#include <algorithm>
#include <system_error>

namespace vireo {

namespace {

QString toQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::string cannotWrite(const std::filesystem::path& file, const QString& reason) {
    return file.string() + ": cannot write: " + reasonText(reason.toStdString());
}

// A plain file rather than QSaveFile: QSaveFile syncs every file to disk, which made writing a
// thousand frames take seconds. A file that failed half-way is removed instead.
std::string writeImage(const std::filesystem::path& file, const QImage& image, const char* format) {
    QFile out(toQString(file));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return cannotWrite(file, out.errorString());
    QImageWriter writer(&out, format);
    if (writer.write(image) && out.flush()) {
        out.close();
        if (out.error() == QFileDevice::NoError)
            return {};
    }
    const QString reason =
        out.error() != QFileDevice::NoError ? out.errorString() : writer.errorString();
    out.remove();
    return cannotWrite(file, reason);
}

} // namespace

std::string makeOutputFolder(const std::filesystem::path& folder) {
    // std::filesystem rather than QDir::mkpath, because it tells why a folder cannot be made.
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (!error)
        return {};
    return folder.string() + ": cannot create folder: " + reasonText(error.message());
}

EdgeFileWriter::EdgeFileWriter()
    : image_(Frame::kPictureWidth, Frame::kPictureHeight, QImage::Format_Grayscale8) {}

std::string EdgeFileWriter::write(const std::filesystem::path& file, const Frame& edges) {
    for (int y = 0; y < Frame::kPictureHeight; ++y) {
        const auto row = edges.row(y);
        std::copy_n(row.begin(), Frame::kPictureWidth, image_.scanLine(y));
    }
    return writeImage(file, image_, "PGM");
}

std::string writePng(const std::filesystem::path& file, const QImage& image) {
    return writeImage(file, image, "PNG");
}

} // namespace vireo
