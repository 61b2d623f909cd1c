#include "input/frame_list.h"
#include "sources/folder_recordings.h"
#include "sources/media_library.h"
#include "sources/recording.h"

namespace vireo {

Expected<std::unique_ptr<Recording>> openRecording(const std::filesystem::path& path,
                                                   const Conversion& conversion,
                                                   const OpeningControl& control) {
    std::error_code error;
    if (!path.empty() && !std::filesystem::is_directory(path, error)) {
        const Expected<const MediaLibrary*> library = mediaLibrary();
        if (!library)
            return Error{path.filename().string(), library.error().message()};
        return (*library)->openVideo(path, conversion, control);
    }
    // A folder that cannot be read, or holds neither frame files nor pictures, is read as a
    // folder of frame files, which refuses each frame as it always did ("pic0.bmp: no such
    // file"). Only a folder without frame files loads FFmpeg's libraries.
    Expected<FrameList> frames = findFrames(path);
    if (frames && frames->empty()) {
        if (const Expected<const MediaLibrary*> library = mediaLibrary(); library) {
            auto pictures = (*library)->openPictureFolder(path, conversion, control);
            if (pictures || control.stop.stop_requested())
                return pictures;
        }
    }
    return std::unique_ptr<Recording>(
        std::make_unique<BitmapFolder>(path, frames ? std::move(*frames) : FrameList{}));
}

} // namespace vireo
