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

std::error_code PluginFile::open(const std::string& path, std::size_t maxLine) {
    m_maxLine = maxLine;
    m_markdown = isMarkdownPlugin(path);
    if (std::error_code err = m_file.open(path)) return err;
    m_fileOpen = true;
    m_keeping = true;

    // Blocks of whole lines, as the expansion reads them: a file that is no plugin (a disk
    // image, /dev/zero) is refused at the same line, and no more of it is kept.
    EncodingDetector detector;
    PluginBlockReader reader([this](char* buffer, std::size_t size,
                                    std::size_t& count) { return readFile(buffer, size, count); },
                             kPluginBlockSize, maxLine);
    for (;;) {
        std::string_view block;
        if (std::error_code err = reader.next(block)) {
            m_line = reader.line();
            return err;
        }
        if (detector.look(block)) break;
        if (block.empty()) {
            // Read to its end: the plugin is what was read, even if the file grows now.
            m_file.close();
            m_fileOpen = false;
            m_checkedUtf8 = detector.encoding() == TextEncoding::Utf8;
            break;
        }
    }
    m_encoding = detector.encoding();
    m_keeping = false;
    return {};
}

std::error_code PluginFile::openWhole(const std::string& path, std::uint64_t limit) {
    ReadResult read = readFileBytes(path, limit);
    if (!read.ok()) return read.error ? read.error : errnoError(ENOENT);
    if (read.truncated) return FileErrc::TooLarge;
    m_kept = std::move(read.bytes);
    m_markdown = isMarkdownPlugin(path);
    m_encoding = detectEncoding(m_kept);
    m_checkedUtf8 = m_encoding == TextEncoding::Utf8;
    m_maxLine = std::max<std::size_t>(m_maxLine, m_kept.size());
    return {};
}

RenderOptions PluginFile::renderOptions() const {
    RenderOptions options;
    options.pluginEncoding = m_encoding;
    options.readmeEncoding = m_encoding;
    options.maxLineSize = m_maxLine;
    options.pluginCheckedUtf8 = m_checkedUtf8;
    options.markdown = m_markdown;
    options.yenSign = options.readmeEncoding != TextEncoding::Cp932;
    return options;
}

PluginSource PluginFile::source() {
    return [this](char* buffer, std::size_t size, std::size_t& count) {
        if (m_keptGiven < m_kept.size() || m_spool) {
            const std::error_code err = giveKept(buffer, size, count);
            if (err || count > 0) return err;
        }
        return readFile(buffer, size, count);
    };
}

}  // namespace norvelle
