#pragma once

#include "core/io/StandardStreams.h"

#include <streambuf>
#include <string_view>

namespace norvelle::cli {

// A stream buffer on standard output or error that keeps why a write failed: std::cout only
// knows that one did, and a full disk would read as an input/output error.
class StandardOutput : public std::streambuf {
public:
    explicit StandardOutput(StandardStream stream);
    ~StandardOutput() override;
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    // Why the first failed write failed; none while every write succeeded.
    std::error_code error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    std::error_code flushBuffer();

    StandardStream m_stream;
    std::error_code m_error;
    char m_buffer[64 * 1024];
};

}  // namespace norvelle::cli
