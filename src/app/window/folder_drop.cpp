#include "app/window/folder_drop.h"

#include "input/frame_list.h"
#include "sources/folder_recordings.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <system_error>

namespace vireo {

std::optional<std::filesystem::path> folderToOpen(const QMimeData& dragged) {
    for (const QUrl& url : dragged.urls()) {
        if (!url.isLocalFile())
            continue;
        const std::filesystem::path path(QFile::encodeName(url.toLocalFile()).toStdString());
        std::error_code error;
        if (std::filesystem::is_directory(path, error))
            return path;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        if (frameNumberOfFileName(path.filename().native()))
            return path.parent_path();
        if (isVideoFile(path))
            return path;
    }
    return std::nullopt;
}

} // namespace vireo
