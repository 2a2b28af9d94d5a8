#include "core/plugin/PluginFile.h"

#include "core/io/ScratchFile.h"

#include <cerrno>

namespace norvelle {

PluginFile::~PluginFile() {
    if (m_spool) std::fclose(m_spool);
}

int PluginFile::readFile(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (m_replaying) {
        errno = 0;
        count = std::fread(buffer, 1, size, m_spool);
        if (count > 0) return 0;
        if (std::ferror(m_spool)) return errno != 0 ? errno : EIO;
        m_replaying = false;
    }
    if (int err = m_file.read(buffer, size, count)) return err;
    if (m_spooling && count > 0) {
        errno = 0;
        if (std::fwrite(buffer, 1, count, m_spool) != count) return errno != 0 ? errno : EIO;
    }
    return 0;
}

int PluginFile::open(const std::string& path, std::size_t maxLine) {
    if (int err = m_file.open(path)) return err;
    const bool rereadable = m_file.rewind() == 0;
    if (!rereadable) {
        errno = 0;
        m_spool = openScratchFile();
        if (!m_spool) return errno != 0 ? errno : EIO;
        m_spooling = true;
    }

    // Blocks of whole lines, as the expansion reads them: a file that is no plugin (a disk
    // image, /dev/zero) is refused at the same line, and no more of it is held.
    EncodingDetector detector;
    PluginBlockReader reader([this](char* buffer, std::size_t size,
                                    std::size_t& count) { return readFile(buffer, size, count); },
                             kPluginBlockSize, maxLine);
    for (;;) {
        std::string_view block;
        if (int err = reader.next(block)) {
            m_line = reader.line();
            return err;
        }
        if (block.empty() || detector.look(block)) break;
    }
    m_encoding = detector.encoding();

    if (rereadable) return m_file.rewind();
    m_spooling = false;
    m_replaying = true;
    errno = 0;
    if (std::fflush(m_spool) != 0 || std::fseek(m_spool, 0, SEEK_SET) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

PluginSource PluginFile::source() {
    return [this](char* buffer, std::size_t size, std::size_t& count) {
        return readFile(buffer, size, count);
    };
}

}  // namespace norvelle
