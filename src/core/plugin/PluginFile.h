#pragma once

#include "core/io/FileReader.h"
#include "core/plugin/PluginStream.h"
#include "core/text/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace norvelle {

// A plugin file, read once from its start to its end, for the window and the command line
// alike. Its encoding is decided on the bytes read first: the whole file for UTF-8 without a
// byte-order mark, a few bytes for Japanese text in code page 932. Those bytes are kept (in
// memory, and past a megabyte in a scratch file) and handed out first, so the expansion
// reads exactly the bytes whose encoding was decided, even if the file changes meanwhile, and
// a pipe gives its plugin as a file does.
class PluginFile {
public:
    PluginFile() = default;
    ~PluginFile();
    PluginFile(const PluginFile&) = delete;
    PluginFile& operator=(const PluginFile&) = delete;

    // The command line's way: any kind of file but a folder, of any size, read as far as the
    // decision needs. None, why not, or FileErrc::TooLarge for a line longer than `maxLine`,
    // which line() then numbers. FileErrc::Utf16WithoutMark for NUL bytes without a mark
    // (see EncodingDetector::sawNul).
    std::error_code open(const std::string& path, std::size_t maxLine = kMaxPluginLineSize);

    // The window's way: a regular file of at most `limit` bytes, read whole at once (a pipe
    // that no program writes to would hang the window). FileErrc::TooLarge for a longer file.
    std::error_code openWhole(const std::string& path, std::uint64_t limit);

    // How the file is written.
    TextEncoding encoding() const { return m_encoding; }
    // How the text that source() gives is: UTF-8 for a UTF-16 plugin, else as the file.
    TextEncoding sourceEncoding() const {
        return isUtf16(m_encoding) ? TextEncoding::Utf8 : m_encoding;
    }
    std::size_t line() const { return m_line; }

    // The first byte that breaks UTF-8 in a plugin that is UTF-8 but for a few bytes, and so
    // was read as code page 932 (EncodingDetector::strayByteAt): its line from 1, its column
    // in characters from 1 as a UTF-8 editor counts them.
    struct StrayByte {
        std::size_t line = 0;
        std::size_t column = 0;
        unsigned char byte = 0;
    };
    const std::optional<StrayByte>& strayByte() const { return m_stray; }

    // After openWhole: the whole file.
    std::string_view bytes() const { return m_kept; }

    // How this plugin expands by default: its lines as read, into a Readme in its encoding.
    RenderOptions renderOptions() const;

    // The plugin from its start; one source at a time, read once.
    PluginSource source();

private:
    std::error_code decide(const PluginSource& source, std::size_t maxLine);
    std::error_code readFile(char* buffer, std::size_t size, std::size_t& count);
    std::error_code readRaw(char* buffer, std::size_t size, std::size_t& count);
    std::error_code readUtf16(char* buffer, std::size_t size, std::size_t& count);
    std::error_code keep(const char* bytes, std::size_t count);
    std::error_code giveKept(char* buffer, std::size_t size, std::size_t& count);

    FileReader m_file;
    bool m_fileOpen = false;
    bool m_keeping = false;        // every byte read is kept for the expansion
    std::string m_kept;            // what was read while deciding, the first of it
    std::size_t m_keptGiven = 0;   // of m_kept, handed out again
    std::FILE* m_spool = nullptr;  // the rest of it, past kKeptInMemory
    bool m_spoolRewound = false;
    std::size_t m_maxLine = kMaxPluginLineSize;
    TextEncoding m_encoding = TextEncoding::Cp932;
    bool m_checkedUtf8 = false;  // UTF-8 without a mark, every byte of it looked at
    bool m_markdown = false;     // README.md.spd and the like
    std::size_t m_line = 0;
    std::optional<StrayByte> m_stray;
    // A UTF-16 plugin on its way out as UTF-8.
    std::optional<Utf16Decoder> m_utf16;
    std::string m_utf8;
    std::size_t m_utf8Given = 0;
    std::size_t m_markLeft = 2;  // bytes of the mark not yet passed
    bool m_rawEnd = false;
};

}  // namespace norvelle
