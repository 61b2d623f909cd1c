#include "sources/folder_recordings.h"
#include "sources/media_functions.h"
#include "sources/media_library.h"
#include "sources/video_recording.h"

namespace vireo {

namespace {

Expected<std::unique_ptr<Recording>> openVideo(const std::filesystem::path& path,
                                               const Conversion& conversion,
                                               const OpeningControl& control) {
    auto video = media::VideoRecording::open(path, conversion, control);
    if (!video)
        return video.error();
    return std::unique_ptr<Recording>(std::move(*video));
}

Expected<std::unique_ptr<Recording>> openPictureFolder(const std::filesystem::path& folder,
                                                       const Conversion& conversion,
                                                       const OpeningControl& control) {
    auto pictures = PictureFolder::open(folder, conversion, control);
    if (!pictures)
        return pictures.error();
    return std::unique_ptr<Recording>(std::move(*pictures));
}

} // namespace

} // namespace vireo

// The module's one exported symbol (see kMediaLibrarySymbol); everything else in it is hidden.
extern "C" __attribute__((visibility("default"))) const vireo::MediaLibrary* vireo_media_library() {
    static const vireo::MediaLibrary library{
        &vireo::openVideo,          &vireo::openPictureFolder,  &vireo::media::isPictureFile,
        &vireo::media::isVideoFile, &vireo::media::listCameras, &vireo::media::openLiveStream,
    };
    return &library;
}
