#include "core/plugin/PluginStream.h"

#include "core/io/FileReader.h"
#include "core/plugin/ExpandLine.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/MarkdownReadme.h"
#include "core/plugin/TokenValue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
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
// the compiler leaves unvectorised at -O2, took an eighth of a render's time. Each byte of
// `lanes` counts the CRs of its place in the words, up to 255 words, and is added up only
// then: std::popcount is a library call on an x86-64 without -mpopcnt, and a multiplication
// for each word is not much cheaper.
std::size_t lineEnds(std::string_view bytes) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
    constexpr std::uint64_t kCrs = 0x0D0D0D0D0D0D0D0D;
    constexpr std::uint64_t kEvenLanes = 0x00FF00FF00FF00FF;
    constexpr std::uint64_t kQuarters = 0x0001000100010001;
    std::size_t count = 0;
    std::size_t i = 0;
    while (i + 8 <= bytes.size()) {
        const std::size_t words = std::min<std::size_t>((bytes.size() - i) / 8, 255);
        std::uint64_t lanes = 0;
        for (std::size_t w = 0; w < words; ++w, i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + i, 8);
            const std::uint64_t x = word ^ kCrs;  // a zero byte for every CR
            // The top bit of every zero byte, that is of every CR, moved to the bottom.
            lanes += (~(((x & kLow7) + kLow7) | x) & ~kLow7) >> 7;
        }
        // Pairs of lanes first, so that no sum passes its 16 bits.
        const std::uint64_t pairs = (lanes & kEvenLanes) + (lanes >> 8 & kEvenLanes);
        count += static_cast<std::size_t>((pairs * kQuarters) >> 48);
    }
    for (; i < bytes.size(); ++i) count += bytes[i] == '\r';
    return count;
}

// Line ends in a short text that seldom has one, such as a field value.
std::size_t fewLineEnds(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos;
         cr = text.find('\r', cr + 1))
        ++count;
    return count;
}

// Characters (code points) in a piece of UTF-8: every byte that does not continue one.
std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The Readme on its way to the sink: encoded a slice at a time, its unencodable characters
// placed by line and column in the whole Readme, its size held to the limit, and handed on
// in pieces of at least flushSize bytes.
class ReadmeSink {
public:
    ReadmeSink(const RenderOptions& options, const RenderSinks& sinks, RenderResult& result)
        : m_options(options), m_sinks(sinks), m_result(result) {}

    // Takes expanded text: whole characters, never a CR whose LF comes later. False when the
    // Readme cannot go on, with the reason in the result.
    bool take(std::string_view text) {
        if (isUtf16(m_options.readmeEncoding)) {
            m_utf16.clear();
            appendEncodedUtf16(text, m_options.readmeEncoding == TextEncoding::Utf16Be, m_utf16);
            return put(m_utf16);
        }
        if (m_options.readmeEncoding != TextEncoding::Cp932) return put(text);
        // Slices keep the list of unencodable characters small when a whole field of them
        // is repeated; they are cut where the text may be cut.
        constexpr std::size_t kSlice = 64 * 1024;
        auto cuttable = [&text](std::size_t at) {
            return at == text.size() || ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 &&
                                         !(text[at] == '\n' && text[at - 1] == '\r'));
        };
        while (!text.empty()) {
            std::size_t n = std::min(text.size(), kSlice);
            while (n > 1 && !cuttable(n)) --n;
            // Every slice takes at least one character: a run of bytes that continue none
            // (in text that is not what it should be) is cut where it ends, not before it.
            while (!cuttable(n)) ++n;
            if (!encode(text.substr(0, n))) return false;
            text.remove_prefix(n);
        }
        return true;
    }

    // Takes bytes of the Readme as they are written.
    bool put(std::string_view bytes) {
        const std::size_t from = m_out.size();
        m_out.append(bytes);
        return commit(from, 0);
    }

    // The bytes not yet handed on. What is appended here belongs to the Readme once commit()
    // has taken it.
    std::string& buffer() { return m_out; }

    // Takes the bytes appended to buffer() from `from` on: whole lines, line ends included,
    // `lines` of them, so that the places of characters taken later count them.
    bool commit(std::size_t from, std::size_t lines) {
        const std::size_t added = m_out.size() - from;
        if (added > m_options.maxReadmeSize - m_size) {
            m_out.resize(from);
            m_result.status = RenderResult::Status::TooLarge;
            return false;
        }
        m_size += added;
        if (lines > 0) {
            m_lines += lines;
            m_column = 0;
        }
        return m_out.size() < m_options.flushSize || writeOut();
    }

    // Hands on what is held.
    bool writeOut() {
        if (m_writing && !m_out.empty()) m_result.error = m_sinks.write(m_out);
        m_out.clear();
        if (!m_result.error) return true;
        m_result.status = RenderResult::Status::WriteFailed;
        return false;
    }

    // Once the Readme cannot be made, the rest is only read for what else is wrong with it.
    void stopWriting() { m_writing = false; }

private:
    bool encode(std::string_view text) {
        const std::size_t before = m_out.size();
        m_unencodable.clear();
        appendEncodedCp932(text, m_out, &m_unencodable, '?');
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
        return commit(before, 0);
    }

    const RenderOptions& m_options;
    const RenderSinks& m_sinks;
    RenderResult& m_result;
    bool m_writing = true;
    std::uint64_t m_size = 0;  // bytes of the Readme so far
    std::size_t m_lines = 0;   // line ends before the text not yet taken
    std::size_t m_column = 0;  // characters on its line before that text
    std::string m_out;         // bytes not yet handed on
    std::string m_utf16;       // a piece of a UTF-16 Readme
    std::vector<Unencodable> m_unencodable;
};

// Expands blocks of plugin bytes for a code page 932 Readme. A line whose characters all read
// back as themselves, and whose markers all have values that code page 932 holds, goes out
// as its own bytes with the encoded values in it: decoding, expanding and encoding it would
// give the same bytes. Any other line is decoded, expanded and encoded, so that an
// unencodable character is found, placed and replaced as in the window's text.
class ByteExpansion {
public:
    ByteExpansion(const TokenTable& tokens, ReadmeSink& readme, std::size_t flushSize)
        : m_tokens(tokens),
          m_readme(readme),
          m_flushSize(flushSize),
          m_lineCap(std::max(flushSize, kPluginBlockSize)) {}

    // False when the Readme cannot go on.
    bool expand(std::string_view block) {
        m_block = block;
        m_run = {};
        const Cp932Chars chars{m_tokens};
        std::size_t start = 0;
        while (start < block.size()) {
            const std::size_t cr = block.find('\r', start);
            const std::size_t lineEnd = cr == std::string_view::npos ? block.size() : cr;
            std::size_t next = lineEnd;
            if (cr != std::string_view::npos)
                next += cr + 1 < block.size() && block[cr + 1] == '\n' ? 2 : 1;
            const std::string_view line = block.substr(start, lineEnd - start);
            LineOut out{*this, line};
            const LineExpansion done = expandLine(line, chars, out);
            if (done != LineExpansion::Done) {
                // Nothing of the line stays.
                if (out.started && !out.whole) m_readme.buffer().resize(out.from);
                if (m_failed || !writeRun() || !transcode(line)) return false;
            } else if (out.whole && next - lineEnd == 2) {
                // No marker, and a CR LF already: the line goes out as it stands, with the
                // unchanged lines around it in one piece.
                if (m_run.end != start && !writeRun()) return false;
                if (m_run.lines++ == 0) m_run.start = start;
                m_run.end = next;
            } else if (out.whole) {
                if (!writeRun()) return false;
                const std::size_t from = m_readme.buffer().size();
                m_readme.buffer().append(line).append("\r\n");
                if (!m_readme.commit(from, 1)) return false;
            } else if (m_failed || !m_readme.commit(out.from, out.lines)) {
                return false;
            }
            start = next;
        }
        return writeRun();
    }

    // Hands on the text of decoded lines still held.
    bool writeText() {
        if (m_text.empty()) return true;
        const bool going = m_readme.take(m_text);
        m_text.clear();
        return going;
    }

private:
    // Where expandLine hands a line's pieces: straight into the Readme's buffer, to be taken
    // back if the line turns out to need decoding after all. A line without a marker comes
    // as one piece, the whole line, and is not copied here.
    struct LineOut {
        ByteExpansion& expansion;
        std::string_view line;
        std::size_t from = 0;   // where the line starts in the buffer
        std::size_t lines = 0;  // line ends in what it handed in
        bool whole = false;     // the line came whole, without a marker
        bool started = false;

        bool append(std::string_view text, std::string_view value) {
            if (!started) {
                started = true;
                if (text.size() == line.size()) {
                    whole = true;
                    return true;
                }
                // What went before goes first; the buffer may be handed on meanwhile.
                if (!expansion.writeRun()) {
                    expansion.m_failed = true;
                    return false;
                }
                from = expansion.m_readme.buffer().size();
            }
            std::string& out = expansion.m_readme.buffer();
            out.append(text).append(value);
            lines += fewLineEnds(value);
            // A line that repeats a long value many times is decoded instead, where its
            // text is handed on as it grows.
            return out.size() - from <= expansion.m_lineCap;
        }
    };
    // Unchanged lines of the block, one after another.
    struct Run {
        std::size_t start = 0;
        std::size_t end = 0;
        std::size_t lines = 0;
    };

    bool writeRun() {
        if (!writeText()) return false;
        if (m_run.lines == 0) return true;
        const Run run = std::exchange(m_run, {});
        std::string& out = m_readme.buffer();
        const std::size_t from = out.size();
        out.append(m_block.substr(run.start, run.end - run.start));
        return m_readme.commit(from, run.lines);
    }

    bool transcode(std::string_view line) {
        m_decoded.clear();
        appendDecodedCp932(line, m_decoded);
        return expandTemplate(m_decoded, m_tokens, m_text, m_flushSize, m_take);
    }

    const TokenTable& m_tokens;
    ReadmeSink& m_readme;
    std::size_t m_flushSize;
    std::size_t m_lineCap;  // the most of a line held in the buffer before it is decoded
    const std::function<bool(std::string_view)> m_take = [this](std::string_view text) {
        return m_readme.take(text);
    };
    std::string_view m_block;
    Run m_run;
    bool m_failed = false;  // the Readme cannot go on
    std::string m_decoded;
    std::string m_text;  // expanded decoded lines, not yet taken
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
        return std::error_code();
    };
}

PluginBlockReader::PluginBlockReader(PluginSource source, std::size_t blockSize,
                                     std::size_t maxLine)
    : m_source(std::move(source)),
      m_blockSize(std::max<std::size_t>(blockSize, 2)),
      m_maxLine(std::min(maxLine, SIZE_MAX / 4)),
      m_bufferCap(std::max(m_blockSize, m_maxLine + 2)) {}

std::error_code PluginBlockReader::next(std::string_view& block) {
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
            if (m_filled - 1 > m_maxLine) return FileErrc::TooLarge;
            searched = m_filled - 1;
            if (m_filled == m_buffer.size())
                m_buffer.resize(std::min(m_buffer.size() * 2, m_bufferCap));
        }
        std::size_t count = 0;
        if (std::error_code err =
                m_source(m_buffer.data() + m_filled, m_buffer.size() - m_filled, count))
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
            return FileErrc::TooLarge;
        }
    }
    m_nextLine += lineEnds(block);
    return {};
}

RenderResult renderReadme(const PluginSource& plugin, const SoftwareData& data,
                          const RenderOptions& options, const RenderSinks& sinks) {
    RenderResult result;
    PluginBlockReader reader(plugin, options.blockSize, options.maxLineSize);
    SoftwareData styled;
    if (options.markdown || options.yenSign)
        styled = readmeFacts(data, options.markdown, options.yenSign);
    const TokenTable tokens(options.markdown || options.yenSign ? styled : data);
    ReadmeSink readme(options, sinks, result);
    const bool inPluginBytes = options.pluginEncoding == TextEncoding::Cp932 &&
                               options.readmeEncoding == TextEncoding::Cp932 &&
                               options.expandInPluginBytes && !options.markdown;
    ByteExpansion bytes(tokens, readme, options.flushSize);
    const std::function<bool(std::string_view)> flush = [&readme](std::string_view text) {
        return readme.take(text);
    };
    std::optional<MarkdownReadme> markdown;
    if (options.markdown) {
        markdown.emplace(tokens, options.flushSize,
                         static_cast<std::size_t>(std::min<std::uint64_t>(options.maxReadmeSize,
                                                                          SIZE_MAX)),
                         flush);
    }
    // Stops the Readme where the Markdown layout stopped it.
    auto markdownStopped = [&] {
        if (markdown->tooLarge()) result.status = RenderResult::Status::TooLarge;
        return result;
    };
    if (!readme.put(byteOrderMark(options.readmeEncoding))) return result;

    TextBlocks text(options.pluginEncoding, options.pluginCheckedUtf8);
    std::string_view decoded;
    std::string expanded;  // what the expansion has not flushed yet
    std::vector<MarkerProblem> problems;
    for (;;) {
        std::string_view block;
        if (std::error_code err = reader.next(block)) {
            result.status = err == FileErrc::TooLarge ? RenderResult::Status::LineTooLong
                                                      : RenderResult::Status::ReadFailed;
            result.error = err;
            result.line = reader.line();
            return result;
        }
        if (block.empty()) break;
        if (options.strict) {
            decoded = text.of(block);
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
        if (inPluginBytes) {
            if (!bytes.expand(block)) return result;
            continue;
        }
        if (!options.strict) decoded = text.of(block);
        if (markdown) {
            if (!markdown->expand(decoded)) return markdownStopped();
            continue;
        }
        if (!expandTemplate(decoded, tokens, expanded, options.flushSize, flush)) return result;
    }
    if (markdown && !markdown->finish()) return markdownStopped();

    // The preview window's file ends with one more line break than the expanded text; a
    // Markdown file ends with its last line's, as Markdown linters want it.
    if (!bytes.writeText() || !readme.take(expanded)) return result;
    if (options.finalLineBreak && !options.markdown && !readme.take("\r\n")) return result;
    if (!readme.writeOut()) return result;
    if (result.markerProblems > 0)
        result.status = RenderResult::Status::MarkerProblems;
    else if (result.unencodable > 0 && !options.replaceUnencodable)
        result.status = RenderResult::Status::Unencodable;
    return result;
}

}  // namespace norvelle
