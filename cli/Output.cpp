#include "cli/Output.h"

#include <cstring>

namespace norvelle::cli {

StandardOutput::StandardOutput(StandardStream stream) : m_stream(stream) {
    setp(m_buffer, m_buffer + sizeof m_buffer);
}

StandardOutput::~StandardOutput() {
    flushBuffer();
}

std::error_code StandardOutput::flushBuffer() {
    const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(m_buffer, m_buffer + sizeof m_buffer);
    // After a failure the rest is lost as well: a listing with a gap would mislead.
    if (!m_error && !pending.empty()) m_error = writeStandardStream(m_stream, pending);
    return m_error;
}

StandardOutput::int_type StandardOutput::overflow(int_type c) {
    if (flushBuffer()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize StandardOutput::xsputn(const char* s, std::streamsize n) {
    const auto size = static_cast<std::size_t>(n);
    if (size > static_cast<std::size_t>(epptr() - pptr())) {
        if (flushBuffer()) return 0;
        // A Readme goes out as it is, without a copy through the buffer.
        if (size >= sizeof m_buffer)
            return !(m_error = writeStandardStream(m_stream, {s, size})) ? n : 0;
    }
    std::memcpy(pptr(), s, size);
    pbump(static_cast<int>(size));
    return n;
}

int StandardOutput::sync() {
    return !flushBuffer() ? 0 : -1;
}

}  // namespace norvelle::cli
