#include "plugin/PluginStream.h"

#include "plugin/ExpandPlugin.h"
#include "plugin/TokenValue.h"
#include "text/FileIO.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace norvelle {

namespace {

// Where the first line of `bytes` longer than `maxLine` bytes starts; npos when none is.
std::size_t longLine(std::string_view bytes, std::size_t maxLine) {
    std::size_t start = 0;
    while (bytes.size() - start > maxLine) {
        const std::size_t cr = bytes.find('\r', start);
        if (cr == std::string_view::npos || cr - start > maxLine) return start;
        start = cr + 1;
        if (start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return std::string_view::npos;
}

// Line ends (CRs), eight bytes at a time: every block is counted, and the plain loop, which
// the compiler leaves unvectorised at -O2, took an eighth of a render's time.
std::size_t lineEnds(std::string_view bytes) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
    constexpr std::uint64_t kCrs = 0x0D0D0D0D0D0D0D0D;
    std::size_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        const std::uint64_t x = word ^ kCrs;  // a zero byte for every CR
        // The top bit of every byte that is not zero; a CR leaves its byte's bit clear.
        const std::uint64_t nonZero = (((x & kLow7) + kLow7) | x) & ~kLow7;
        count += 8 - static_cast<std::size_t>(std::popcount(nonZero));
    }
    for (; i < bytes.size(); ++i) count += bytes[i] == '\r';
    return count;
}

// Characters (code points) in a piece of UTF-8: every byte that does not continue one.
std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The Readme on its way to the sink: encoded a slice at a time, its unencodable characters
// placed by line and column in the whole Readme, its size held to the limit.
class ReadmeSink {
public:
    ReadmeSink(const RenderOptions& options, const RenderSinks& sinks, RenderResult& result)
        : m_options(options), m_sinks(sinks), m_result(result) {}

    // Takes expanded text: whole characters, never a CR whose LF comes later. False when the
    // Readme cannot go on, with the reason in the result.
    bool take(std::string_view text) {
        if (m_options.encoding == ReadmeEncoding::Utf8) return emit(text);
        // Slices keep the list of unencodable characters small when a whole field of them
        // is repeated; they are cut where the text may be cut.
        constexpr std::size_t kSlice = 64 * 1024;
        while (!text.empty()) {
            std::size_t n = std::min(text.size(), kSlice);
            while (n < text.size() && ((static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 ||
                                       (text[n] == '\n' && text[n - 1] == '\r')))
                --n;
            if (!encode(text.substr(0, n))) return false;
            text.remove_prefix(n);
        }
        return true;
    }

    bool emit(std::string_view bytes) {
        if (bytes.size() > m_options.maxReadmeSize - m_size) {
            m_result.status = RenderResult::Status::TooLarge;
            return false;
        }
        m_size += bytes.size();
        if (!m_writing || bytes.empty()) return true;
        m_result.errnum = m_sinks.write(bytes);
        if (m_result.errnum == 0) return true;
        m_result.status = RenderResult::Status::WriteFailed;
        return false;
    }

    // Once the Readme cannot be made, the rest is only read for what else is wrong with it.
    void stopWriting() { m_writing = false; }

private:
    bool encode(std::string_view text) {
        m_encoded.clear();
        m_unencodable.clear();
        appendEncodedCp932(text, m_encoded, &m_unencodable, '?');
        if (!m_unencodable.empty()) {
            m_result.unencodable += m_unencodable.size();
            if (!m_options.replaceUnencodable) stopWriting();
            for (Unencodable& u : m_unencodable) {
                if (u.line == 1) u.column += m_column;
                u.line += m_lines;
                if (m_sinks.unencodable) m_sinks.unencodable(u);
            }
        }
        // A line ends at CR LF or at a CR alone: one CR each. No text given here ends
        // between the two.
        const std::size_t lastCr = text.rfind('\r');
        if (lastCr == std::string_view::npos) {
            m_column += characterCount(text);
        } else {
            m_lines += lineEnds(text);
            std::string_view rest = text.substr(lastCr + 1);
            if (!rest.empty() && rest[0] == '\n') rest.remove_prefix(1);
            m_column = characterCount(rest);
        }
        return emit(m_encoded);
    }

    const RenderOptions& m_options;
    const RenderSinks& m_sinks;
    RenderResult& m_result;
    bool m_writing = true;
    std::uint64_t m_size = 0;   // bytes of the Readme so far
    std::size_t m_lines = 0;    // line ends before the text not yet taken
    std::size_t m_column = 0;   // characters on its line before that text
    std::string m_encoded;
    std::vector<Unencodable> m_unencodable;
};

}  // namespace

std::size_t blockEnd(std::string_view bytes, std::size_t from) {
    // The last byte cannot end a block: if it is a CR, the byte after it is not known yet.
    if (bytes.size() < 2 || from >= bytes.size() - 1) return 0;
    const std::string_view searched = bytes.substr(from, bytes.size() - 1 - from);
    const std::size_t cr = searched.rfind('\r');
    if (cr == std::string_view::npos) return 0;
    const std::size_t end = from + cr + 1;
    return bytes[end] == '\n' ? end + 1 : end;
}

PluginSource pluginSource(FileReader& file) {
    return [&file](char* buffer, std::size_t size, std::size_t& count) {
        return file.read(buffer, size, count);
    };
}

PluginSource pluginSource(std::string_view bytes) {
    return [bytes](char* buffer, std::size_t size, std::size_t& count) mutable {
        count = std::min(size, bytes.size());
        if (count > 0) std::memcpy(buffer, bytes.data(), count);
        bytes.remove_prefix(count);
        return 0;
    };
}

PluginBlockReader::PluginBlockReader(PluginSource source, std::size_t blockSize,
                                     std::size_t maxLine)
    : m_source(std::move(source)),
      m_blockSize(std::max<std::size_t>(blockSize, 2)),
      m_maxLine(std::min(maxLine, SIZE_MAX / 4)),
      m_bufferCap(std::max(m_blockSize, m_maxLine + 2)) {}

int PluginBlockReader::next(std::string_view& block) {
    block = {};
    // What was left after the last block moves to the front; it is the start of a line.
    if (m_given > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_given, m_filled - m_given);
        m_filled -= m_given;
        m_given = 0;
    }
    if (m_buffer.size() < m_blockSize) m_buffer.resize(m_blockSize);
    m_line = m_nextLine;

    std::size_t searched = 0;  // bytes before this hold no place to cut
    for (;;) {
        if (m_atEnd) {
            m_given = m_filled;
            break;
        }
        if (m_filled >= m_blockSize) {
            if (const std::size_t end = blockEnd({m_buffer.data(), m_filled}, searched)) {
                m_given = end;
                break;
            }
            // One line longer than a block: the block grows until the line ends, as far as
            // a line may go (its last byte may be the CR of its line end). Its last byte is
            // looked at again once the byte after it is known.
            if (m_filled - 1 > m_maxLine) return kTooLargeError;
            searched = m_filled - 1;
            if (m_filled == m_buffer.size())
                m_buffer.resize(std::min(m_buffer.size() * 2, m_bufferCap));
        }
        std::size_t count = 0;
        if (int err = m_source(m_buffer.data() + m_filled, m_buffer.size() - m_filled, count))
            return err;
        m_filled += count;
        m_atEnd = count == 0;
    }
    block = std::string_view(m_buffer.data(), m_given);
    // A block as long as a line may be can hold one that is longer: the last line of the
    // file, or one in a block larger than the limit.
    if (block.size() > m_maxLine) {
        if (const std::size_t at = longLine(block, m_maxLine); at != std::string_view::npos) {
            m_line += lineEnds(block.substr(0, at));
            block = {};
            return kTooLargeError;
        }
    }
    m_nextLine += lineEnds(block);
    return 0;
}

CheckResult checkPlugin(const PluginSource& plugin,
                        const std::function<void(const MarkerProblem&)>& problem,
                        std::size_t blockSize, std::size_t maxLine) {
    PluginBlockReader reader(plugin, blockSize, maxLine);
    std::string decoded;
    std::vector<MarkerProblem> problems;
    for (;;) {
        std::string_view block;
        if (int err = reader.next(block)) return {err, reader.line()};
        if (block.empty()) return {};
        decoded.clear();
        appendDecodedCp932(block, decoded);
        problems.clear();
        checkTemplate(decoded, problems, reader.line());
        for (const MarkerProblem& p : problems) problem(p);
    }
}

RenderResult renderReadme(const PluginSource& plugin, const SoftwareData& data,
                          const RenderOptions& options, const RenderSinks& sinks) {
    RenderResult result;
    PluginBlockReader reader(plugin, options.blockSize, options.maxLineSize);
    const TokenTable tokens(data);
    ReadmeSink readme(options, sinks, result);
    const std::function<bool(std::string_view)> flush = [&readme](std::string_view text) {
        return readme.take(text);
    };

    std::string decoded;
    std::string expanded;  // what the expansion has not flushed yet
    std::vector<MarkerProblem> problems;
    for (;;) {
        std::string_view block;
        if (int err = reader.next(block)) {
            result.status = err == kTooLargeError ? RenderResult::Status::LineTooLong
                                                  : RenderResult::Status::ReadFailed;
            result.errnum = err;
            result.line = reader.line();
            return result;
        }
        if (block.empty()) break;
        decoded.clear();
        appendDecodedCp932(block, decoded);

        if (options.strict) {
            problems.clear();
            checkTemplate(decoded, problems, reader.line());
            result.markerProblems += problems.size();
            if (sinks.markerProblem)
                for (const MarkerProblem& p : problems) sinks.markerProblem(p);
            // A plugin that fails the check makes no Readme, so the rest is only checked.
            if (result.markerProblems > 0) {
                readme.stopWriting();
                continue;
            }
        }
        if (!expandTemplate(decoded, tokens, expanded, options.flushSize, flush)) return result;
    }

    // The preview window's file ends with one more line break than the expanded text.
    if (!readme.take(expanded)) return result;
    if (options.finalLineBreak && !readme.emit("\r\n")) return result;
    if (result.markerProblems > 0)
        result.status = RenderResult::Status::MarkerProblems;
    else if (result.unencodable > 0 && !options.replaceUnencodable)
        result.status = RenderResult::Status::Unencodable;
    return result;
}

}  // namespace norvelle
