#include "core/plugin/PluginFile.h"

#include "core/io/ScratchFile.h"
#include "core/text/ReadmeFindings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace norvelle {

namespace {

// What the decision read is held in memory up to this much; a UTF-8 plugin larger than that
// waits in a scratch file, so that render's memory stays a few megabytes whatever the plugin.
constexpr std::size_t kKeptInMemory = std::size_t{1} << 20;

// A plugin makes a Markdown Readme when its name without ".spd" is a Markdown file's.
bool isMarkdownPlugin(std::string_view path) {
    constexpr std::string_view kExtension = ".spd";
    if (path.size() > kExtension.size()) {
        const std::string_view end = path.substr(path.size() - kExtension.size());
        if (std::equal(end.begin(), end.end(), kExtension.begin(),
                       [](char a, char b) { return (a | 0x20) == b; }))
            path.remove_suffix(kExtension.size());
    }
    return isMarkdownName(path);
}

// Where in the block that was read as code page 932 the first stray byte stands.
PluginFile::StrayByte strayByteIn(std::string_view block, std::size_t at, std::size_t firstLine) {
    PluginFile::StrayByte stray;
    stray.byte = static_cast<unsigned char>(block[at]);
    stray.line = firstLine;
    std::size_t lineStart = 0;
    for (std::size_t cr = block.find('\r'); cr < at; cr = block.find('\r', cr + 1)) {
        ++stray.line;
        lineStart = cr + 1 < at && block[cr + 1] == '\n' ? cr + 2 : cr + 1;
    }
    // Everything before the stray byte is UTF-8: one character for each byte that starts one.
    stray.column = 1 + static_cast<std::size_t>(std::count_if(
                           block.begin() + static_cast<std::ptrdiff_t>(lineStart),
                           block.begin() + static_cast<std::ptrdiff_t>(at),
                           [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    return stray;
}

}  // namespace

PluginFile::~PluginFile() {
    if (m_spool) std::fclose(m_spool);
}

std::error_code PluginFile::keep(const char* bytes, std::size_t count) {
    const std::size_t inMemory =
        std::min(count, kKeptInMemory - std::min(kKeptInMemory, m_kept.size()));
    m_kept.append(bytes, inMemory);
    if (inMemory == count) return {};
    errno = 0;
    if (!m_spool && !(m_spool = openScratchFile())) return scratchFileError();
    if (std::fwrite(bytes + inMemory, 1, count - inMemory, m_spool) != count - inMemory)
        return scratchFileError();
    return {};
}

std::error_code PluginFile::readFile(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (!m_fileOpen) return {};
    if (std::error_code err = m_file.read(buffer, size, count)) return err;
    return m_keeping && count > 0 ? keep(buffer, count) : std::error_code();
}

std::error_code PluginFile::giveKept(char* buffer, std::size_t size, std::size_t& count) {
    count = std::min(size, m_kept.size() - m_keptGiven);
    if (count > 0) {
        std::memcpy(buffer, m_kept.data() + m_keptGiven, count);
        m_keptGiven += count;
        return {};
    }
    if (!m_spool) return {};
    errno = 0;
    if (!m_spoolRewound) {
        if (std::fflush(m_spool) != 0 || std::fseek(m_spool, 0, SEEK_SET) != 0)
            return scratchFileError();
        m_spoolRewound = true;
    }
    count = std::fread(buffer, 1, size, m_spool);
    if (count == 0 && std::ferror(m_spool)) return scratchFileError();
    if (count == 0) {
        std::fclose(m_spool);
        m_spool = nullptr;
    }
    return {};
}

std::error_code PluginFile::decide(const PluginSource& source, std::size_t maxLine) {
    // Blocks of whole lines, as the expansion reads them: a file that is no plugin (a disk
    // image, /dev/zero) is refused at the same line, and no more of it is kept.
    EncodingDetector detector;
    PluginBlockReader reader(source, kPluginBlockSize, maxLine);
    for (;;) {
        std::string_view block;
        if (std::error_code err = reader.next(block)) {
            m_line = reader.line();
            return err;
        }
        if (detector.look(block)) {
            if (const std::size_t at = detector.strayByteAt(); at != std::string_view::npos)
                m_stray = strayByteIn(block, at, reader.line());
            break;
        }
        if (block.empty()) {
            // Read to its end: the plugin is what was read, even if the file grows now.
            m_file.close();
            m_fileOpen = false;
            m_checkedUtf8 = detector.encoding() == TextEncoding::Utf8;
            break;
        }
    }
    m_encoding = detector.encoding();
    if (detector.sawNul() && !isUtf16(m_encoding)) return FileErrc::Utf16WithoutMark;
    if (isUtf16(m_encoding)) m_utf16.emplace(m_encoding == TextEncoding::Utf16Be);
    return {};
}

std::error_code PluginFile::open(const std::string& path, std::size_t maxLine) {
    m_maxLine = maxLine;
    m_markdown = isMarkdownPlugin(path);
    if (std::error_code err = m_file.open(path)) return err;
    m_fileOpen = true;
    m_keeping = true;
    const std::error_code err = decide(
        [this](char* buffer, std::size_t size, std::size_t& count) {
            return readFile(buffer, size, count);
        },
        maxLine);
    m_keeping = false;
    return err;
}

std::error_code PluginFile::openWhole(const std::string& path, std::uint64_t limit) {
    // Refused before a byte is read when it is larger already: reading to the limit would
    // take twice the limit in memory for a file that is no plugin.
    if (const std::optional<std::uint64_t> size = fileSize(path); size && *size > limit)
        return FileErrc::TooLarge;
    ReadResult read = readFileBytes(path, limit);
    if (!read.ok()) return read.error ? read.error : errnoError(ENOENT);
    if (read.truncated) return FileErrc::TooLarge;
    m_kept = std::move(read.bytes);
    m_markdown = isMarkdownPlugin(path);
    m_maxLine = std::max<std::size_t>(m_maxLine, m_kept.size());
    // The same decision as the command line's, on the same blocks.
    return decide(pluginSource(m_kept), m_maxLine);
}

RenderOptions PluginFile::renderOptions() const {
    RenderOptions options;
    options.pluginEncoding = sourceEncoding();
    options.readmeEncoding = m_encoding;
    options.maxLineSize = m_maxLine;
    // What a UTF-16 plugin gives is UTF-8 made by its decoder, valid through and through.
    options.pluginCheckedUtf8 = m_checkedUtf8 || isUtf16(m_encoding);
    options.markdown = m_markdown;
    options.yenSign = options.readmeEncoding != TextEncoding::Cp932;
    return options;
}

std::error_code PluginFile::readRaw(char* buffer, std::size_t size, std::size_t& count) {
    if (m_keptGiven < m_kept.size() || m_spool) {
        const std::error_code err = giveKept(buffer, size, count);
        if (err || count > 0) return err;
    }
    return readFile(buffer, size, count);
}

std::error_code PluginFile::readUtf16(char* buffer, std::size_t size, std::size_t& count) {
    while (m_utf8Given == m_utf8.size() && !m_rawEnd) {
        m_utf8.clear();
        m_utf8Given = 0;
        char raw[64 * 1024];
        std::size_t got = 0;
        if (std::error_code err = readRaw(raw, sizeof raw, got)) return err;
        std::string_view bytes(raw, got);
        const std::size_t mark = std::min(m_markLeft, bytes.size());
        bytes.remove_prefix(mark);
        m_markLeft -= mark;
        if (got == 0) {
            m_rawEnd = true;
            m_utf16->finish(m_utf8);
        } else {
            m_utf16->decode(bytes, m_utf8);
        }
    }
    count = std::min(size, m_utf8.size() - m_utf8Given);
    std::memcpy(buffer, m_utf8.data() + m_utf8Given, count);
    m_utf8Given += count;
    return {};
}

PluginSource PluginFile::source() {
    return [this](char* buffer, std::size_t size, std::size_t& count) {
        return m_utf16 ? readUtf16(buffer, size, count) : readRaw(buffer, size, count);
    };
}

}  // namespace norvelle
