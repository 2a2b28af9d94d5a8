#include "plugin/PluginStream.h"

#include "plugin/ExpandPlugin.h"
#include "text/FileIO.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace norvelle {

std::size_t blockEnd(std::string_view bytes, std::size_t from) {
    // The last byte cannot end a block: if it is a CR, the byte after it is not known yet.
    if (bytes.size() < 2 || from >= bytes.size() - 1) return 0;
    const std::string_view searched = bytes.substr(from, bytes.size() - 1 - from);
    const std::size_t cr = searched.rfind('\r');
    if (cr == std::string_view::npos) return 0;
    const std::size_t end = from + cr + 1;
    return bytes[end] == '\n' ? end + 1 : end;
}

PluginBlockReader::PluginBlockReader(FileReader& file, std::size_t blockSize)
    : m_file(file), m_blockSize(std::max<std::size_t>(blockSize, 2)) {}

int PluginBlockReader::next(std::string_view& block) {
    block = {};
    // What was left after the last block moves to the front; it is the start of a line.
    if (m_given > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_given, m_filled - m_given);
        m_filled -= m_given;
        m_given = 0;
    }
    if (m_buffer.size() < m_blockSize) m_buffer.resize(m_blockSize);

    std::size_t searched = 0;  // bytes before this hold no place to cut
    for (;;) {
        if (m_atEnd) {
            m_given = m_filled;
            block = std::string_view(m_buffer.data(), m_filled);
            return 0;
        }
        if (m_filled >= m_blockSize) {
            if (const std::size_t end = blockEnd({m_buffer.data(), m_filled}, searched)) {
                m_given = end;
                block = std::string_view(m_buffer.data(), end);
                return 0;
            }
            // One line longer than a block: the block grows until the line ends. Its last
            // byte is looked at again once the byte after it is known.
            searched = m_filled - 1;
            if (m_filled == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
        }
        std::size_t count = 0;
        if (int err = m_file.read(m_buffer.data() + m_filled, m_buffer.size() - m_filled, count))
            return err;
        m_filled += count;
        m_atEnd = count == 0;
    }
}

int checkPlugin(FileReader& plugin, const std::function<void(const MarkerProblem&)>& problem,
                std::size_t blockSize) {
    PluginBlockReader reader(plugin, blockSize);
    std::string decoded;
    std::vector<MarkerProblem> problems;
    std::size_t lines = 0;
    for (;;) {
        std::string_view block;
        if (int err = reader.next(block)) return err;
        if (block.empty()) return 0;
        decoded.clear();
        appendDecodedCp932(block, decoded);
        problems.clear();
        lines += checkTemplate(decoded, problems, lines + 1);
        for (const MarkerProblem& p : problems) problem(p);
    }
}

RenderResult renderReadme(FileReader& plugin, const SoftwareData& data,
                          const RenderOptions& options, const RenderSinks& sinks) {
    RenderResult result;
    PluginBlockReader reader(plugin, options.blockSize);
    const bool cp932 = options.encoding == ReadmeEncoding::Cp932;

    std::string decoded;
    std::string encoded;
    std::vector<MarkerProblem> problems;
    std::vector<Unencodable> unencodable;
    std::size_t pluginLines = 0;  // lines of the plugin before the block
    std::size_t readmeLines = 0;  // lines of the Readme before the block
    // Once the Readme cannot be made, the rest of the plugin is only read for what else is
    // wrong with it.
    bool writing = true;
    auto emit = [&](std::string_view bytes) {
        if (!writing) return true;
        result.errnum = sinks.write(bytes);
        return result.errnum == 0;
    };

    for (;;) {
        std::string_view block;
        if (int err = reader.next(block)) {
            result.status = RenderResult::Status::ReadFailed;
            result.errnum = err;
            return result;
        }
        if (block.empty()) break;
        decoded.clear();
        appendDecodedCp932(block, decoded);

        if (options.strict) {
            problems.clear();
            pluginLines += checkTemplate(decoded, problems, pluginLines + 1);
            result.markerProblems += problems.size();
            if (sinks.markerProblem)
                for (const MarkerProblem& p : problems) sinks.markerProblem(p);
            // A plugin that fails the check makes no Readme, so the rest is only checked.
            if (result.markerProblems > 0) {
                writing = false;
                continue;
            }
        }

        const std::string expanded = expandTemplate(decoded, data);
        if (!cp932) {
            if (!emit(expanded)) break;
            continue;
        }
        encoded.clear();
        unencodable.clear();
        appendEncodedCp932(expanded, encoded, &unencodable, '?');
        if (!unencodable.empty()) {
            result.unencodable += unencodable.size();
            if (!options.replaceUnencodable) writing = false;
            for (Unencodable& u : unencodable) {
                u.line += readmeLines;  // the block starts a line: columns stay as they are
                if (sinks.unencodable) sinks.unencodable(u);
            }
        }
        // A line ends at CR LF or at a CR alone: one CR each. The expanded block ends with
        // CR LF, so the next one starts a line.
        readmeLines += static_cast<std::size_t>(std::count(expanded.begin(), expanded.end(), '\r'));
        if (!emit(encoded)) break;
    }

    // The preview window's file ends with one more line break than the expanded text.
    if (result.errnum == 0) emit("\r\n");
    if (result.errnum != 0)
        result.status = RenderResult::Status::WriteFailed;
    else if (result.markerProblems > 0)
        result.status = RenderResult::Status::MarkerProblems;
    else if (result.unencodable > 0 && !options.replaceUnencodable)
        result.status = RenderResult::Status::Unencodable;
    return result;
}

}  // namespace norvelle
