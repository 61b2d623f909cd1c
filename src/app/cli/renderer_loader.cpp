#include "app/cli/renderer_loader.h"

#include "input/reason_text.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <system_error>

namespace vireo {

namespace {

// dlerror()'s "<file>: cannot open shared object file: No such file or directory" as
// "cannot open shared object file: no such file or directory": the file is named once, and each
// part starts in lower case (but a name such as "QImage" keeps its capital).
std::string dlopenReason(const std::filesystem::path& module, std::string reason) {
    const std::string prefix = module.string() + ": ";
    if (reason.starts_with(prefix))
        reason.erase(0, prefix.size());
    for (std::size_t start = 0; start + 1 < reason.size();
         start = std::min(reason.find(": ", start), reason.size()) + 2) {
        if (std::islower(static_cast<unsigned char>(reason[start + 1])))
            reason[start] =
                static_cast<char>(std::tolower(static_cast<unsigned char>(reason[start])));
    }
    return reason;
}

LoadedRenderer cannotLoad(const std::filesystem::path& module, const std::string& reason) {
    return {nullptr,
            "cannot load the renderer " + module.string() + ": " + dlopenReason(module, reason)};
}

// Next to the program in the build tree, else in the installed place.
std::filesystem::path modulePath(const std::filesystem::path& programFolder) {
    auto module = programFolder / kRendererModuleName;
    std::error_code error;
    if (std::filesystem::exists(module, error))
        return module;
    return (programFolder / VIREO_RENDERER_INSTALL_DIR / kRendererModuleName).lexically_normal();
}

} // namespace

LoadedRenderer loadFrameRenderer() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {nullptr, "cannot load the renderer: cannot find the program's folder: " +
                             reasonText(error.message())};
    const auto module = modulePath(program.parent_path());
    // RTLD_LOCAL: Qt's symbols and the module's own copy of the engine stay private to it.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return cannotLoad(module, ::dlerror());
    auto* create =
        reinterpret_cast<CreateFrameRenderer>(::dlsym(handle, kCreateFrameRendererSymbol));
    if (!create)
        return cannotLoad(module, ::dlerror());
    std::unique_ptr<FrameRenderer> renderer(create());
    if (!renderer)
        return cannotLoad(module, "it made no renderer");
    return {std::move(renderer), {}};
}

} // namespace vireo
