#include "app/cli/png_file.h"

#include "errors/reason_text.h"
#include "ui/raster_surface.h"

#include <QFile>
#include <QImageWriter>

namespace vireo {

namespace {

Error cannotWrite(const std::filesystem::path& file, const QString& reason) {
    return {file.string(), "cannot write: " + reasonText(reason.toStdString())};
}

} // namespace

// A plain file rather than QSaveFile, which syncs every file to disk and made a thousand frames
// take seconds. A file that failed half-way is removed instead.
Expected<void> writePng(const RasterSurface& surface, const std::filesystem::path& file) {
    QFile out(QFile::decodeName(QByteArray::fromStdString(file.native())));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return cannotWrite(file, out.errorString());
    QImageWriter writer(&out, "PNG");
    if (writer.write(surface.image()) && out.flush()) {
        out.close();
        if (out.error() == QFileDevice::NoError)
            return {};
    }
    const QString reason =
        out.error() != QFileDevice::NoError ? out.errorString() : writer.errorString();
    out.remove();
    return cannotWrite(file, reason);
}

} // namespace vireo
