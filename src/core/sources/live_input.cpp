#include "sources/live_stream.h"

#include <sys/stat.h>

namespace vireo {

bool isUrl(const std::string& input) {
    return input.find("://") != std::string::npos;
}

bool isLiveInput(const std::string& input) {
    if (input == "-" || isUrl(input))
        return true;
    struct stat about {};
    return ::stat(input.c_str(), &about) == 0 &&
           (S_ISCHR(about.st_mode) || S_ISFIFO(about.st_mode) || S_ISSOCK(about.st_mode));
}

} // namespace vireo
