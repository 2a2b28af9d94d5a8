#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

namespace norvelle {

// Something that exists and is no regular file, written as it is: a device (/dev/null, NUL)
// or a named pipe, which no temporary file may replace.
class DeviceWriter {
public:
    DeviceWriter() = default;
    ~DeviceWriter();
    DeviceWriter(const DeviceWriter&) = delete;
    DeviceWriter& operator=(const DeviceWriter&) = delete;

    std::error_code open(const std::string& path);  // none, or why not
    std::error_code write(std::string_view bytes);  // all of them, or why not
    std::error_code close();

private:
    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

// A file of the program's own in the user's temporary folder ($TMPDIR, else /tmp; on Windows
// %TMP%), for a text too large to hold in memory: no one else sees it, and it goes away when
// it is closed or the program ends, however it ends. Null when none can be made, errno saying
// why.
std::FILE* openScratchFile();

// Why the C library's stream function on a scratch file (or its opening) just failed, from
// errno, which the caller cleared before the call: a stream may fail without setting it.
inline std::error_code scratchFileError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace norvelle
