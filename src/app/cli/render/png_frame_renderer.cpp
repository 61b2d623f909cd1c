// The module vireo-render: vireo-cli's PNG renderer, drawn with Qt on the window's raster surface.

#include "app/cli/frame_renderer.h"
#include "input/reason_text.h"
#include "ui/raster_surface.h"

#include <QFile>
#include <QImageWriter>
#include <new>
#include <optional>

namespace vireo {

namespace {

class PngFrameRenderer final : public FrameRenderer {
public:
    Surface& newFrame() override { return surface_.emplace(); }
    std::string writePng(const std::filesystem::path& file) override;

private:
    std::optional<RasterSurface> surface_;
};

std::string cannotWrite(const std::filesystem::path& file, const QString& reason) {
    return file.string() + ": cannot write: " + reasonText(reason.toStdString());
}

// A plain file rather than QSaveFile, which syncs every file to disk and made a thousand frames
// take seconds. A file that failed half-way is removed instead.
std::string PngFrameRenderer::writePng(const std::filesystem::path& file) {
    if (!surface_)
        surface_.emplace();
    QFile out(QFile::decodeName(QByteArray::fromStdString(file.native())));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return cannotWrite(file, out.errorString());
    QImageWriter writer(&out, "PNG");
    if (writer.write(surface_->image()) && out.flush()) {
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

} // namespace vireo

extern "C" __attribute__((visibility("default"))) vireo::FrameRenderer*
vireo_create_frame_renderer() {
    return new (std::nothrow) vireo::PngFrameRenderer;
}

static_assert(std::is_same_v<decltype(&vireo_create_frame_renderer), vireo::CreateFrameRenderer>);
