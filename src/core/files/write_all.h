#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace vireo {

// Writes all `size` bytes to `fd`, retrying short writes and interrupted calls. Returns 0, or the
// errno of the write that failed (EIO when a descriptor takes nothing, which would loop for ever).
inline int writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n > 0)
            written += static_cast<std::size_t>(n);
        else if (n == 0)
            return EIO;
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace vireo
