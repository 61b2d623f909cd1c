#include "sources/media_library.h"

#include "errors/reason_text.h"
#include "sources/folder_recordings.h"

#include <dlfcn.h>

#ifdef VIREO_MEDIA_LINKED_IN
// A program that has the module's code compiled into itself (the fuzzer of recordings).
extern "C" const vireo::MediaLibrary* vireo_media_library();
#endif

namespace vireo {

namespace {

#ifndef VIREO_MEDIA_LINKED_IN
// dlerror()'s "<file>: cannot open shared object file: No such file or directory" without the
// file, which the error names once, and in lower case.
std::string loadReason(const std::filesystem::path& module, std::string reason) {
    const std::string prefix = module.string() + ": ";
    if (reason.starts_with(prefix))
        reason.erase(0, prefix.size());
    return reasonText(std::move(reason));
}

// Where installing puts the module (VIREO_MEDIA_INSTALL_DIR is relative to the program's
// folder), when it is there; the module of the build tree otherwise.
std::filesystem::path modulePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed =
            (program.parent_path() / VIREO_MEDIA_INSTALL_DIR / kMediaModuleName).lexically_normal();
        if (std::filesystem::exists(installed, error))
            return installed;
    }
    return VIREO_MEDIA_BUILD_MODULE;
}
#endif

Expected<const MediaLibrary*> load() {
#ifdef VIREO_MEDIA_LINKED_IN
    return vireo_media_library();
#else
    const std::filesystem::path module = modulePath();
    // RTLD_LOCAL: FFmpeg's symbols and the module's own copy of the frame loading stay its own.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return Error{module.string(), "cannot be loaded: " + loadReason(module, ::dlerror())};
    using Entry = const MediaLibrary* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kMediaLibrarySymbol));
    if (entry == nullptr)
        return Error{module.string(), "cannot be loaded: " + loadReason(module, ::dlerror())};
    return entry();
#endif
}

} // namespace

Expected<const MediaLibrary*> mediaLibrary() {
    static const Expected<const MediaLibrary*> loaded = load();
    return loaded;
}

bool isPictureFile(const std::filesystem::path& path) {
    const Expected<const MediaLibrary*> library = mediaLibrary();
    return library && (*library)->isPictureFile(path);
}

bool isVideoFile(const std::filesystem::path& path) {
    const Expected<const MediaLibrary*> library = mediaLibrary();
    return library && (*library)->isVideoFile(path);
}

std::vector<std::string> listCameras() {
    const Expected<const MediaLibrary*> library = mediaLibrary();
    return library ? (*library)->listCameras() : std::vector<std::string>{};
}

Expected<std::unique_ptr<LiveStream>>
openLiveStream(const std::string& input, const Conversion& conversion, std::stop_token stop) {
    const Expected<const MediaLibrary*> library = mediaLibrary();
    if (!library)
        return Error{input, library.error().message()};
    return (*library)->openLiveStream(input, conversion, std::move(stop));
}

} // namespace vireo
