#pragma once

#include <streambuf>
#include <string_view>

namespace norvelle::cli {

// Writes all the bytes to a file descriptor. Returns 0 or the errno of the failed write.
int writeAll(int fd, std::string_view bytes);

// A stream buffer on a file descriptor that keeps why a write failed: std::cout only knows
// that one did, and a full disk would read as an input/output error.
class DescriptorOutput : public std::streambuf {
public:
    explicit DescriptorOutput(int fd);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    int error() const { return m_error; }  // the errno of the first failed write, or 0

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    int flushBuffer();

    int m_fd;
    int m_error = 0;
    char m_buffer[64 * 1024];
};

}  // namespace norvelle::cli
