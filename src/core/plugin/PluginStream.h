#pragma once

#include "core/document/SoftwareData.h"
#include "core/plugin/PluginCheck.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace norvelle {

class FileReader;

// Plugins of any size are read a block of whole lines at a time: a line never spans two
// blocks, so expanding block after block gives the text that expanding the whole plugin
// gives, while only a few blocks are in memory at once.
inline constexpr std::size_t kPluginBlockSize = 256 * 1024;

// The longest line a plugin may have, its line end not counted. The window opens plugins of
// at most 1 MiB, so none of its plugins has a longer one; a longer "line" is a file that is
// no plugin (a disk image, /dev/zero), and holding it would take memory without end.
inline constexpr std::size_t kMaxPluginLineSize = std::size_t{1} << 20;

// The largest Readme made: thousands of times a real one. A small plugin that repeats a long
// field can ask for terabytes; it is refused before the disk or the memory runs out.
inline constexpr std::uint64_t kMaxReadmeSize = std::uint64_t{1} << 30;

// Where a block of plugin bytes may end without cutting a line: after the last CR LF, or CR
// that a byte other than LF follows, at or after `from`; never between a CR and its LF. 0 when
// there is none. Code page 932 uses neither byte inside a character: raw bytes can be cut.
std::size_t blockEnd(std::string_view bytes, std::size_t from = 0);

// Where a plugin's bytes come from, a piece at a time: reads up to `size` bytes into `buffer`,
// sets `count` (0 at the end) and returns why it could not. The command line reads a file of
// any size this way; the window reads a plugin whole first and hands its bytes in.
using PluginSource =
    std::function<std::error_code(char* buffer, std::size_t size, std::size_t& count)>;
PluginSource pluginSource(FileReader& file);
PluginSource pluginSource(std::string_view bytes);  // the bytes must outlive the source

// Cuts a plugin into blocks of whole lines of about `blockSize` bytes; a longer line makes
// its block longer, up to `maxLine` bytes. The blocks together are the plugin, byte for byte.
class PluginBlockReader {
public:
    explicit PluginBlockReader(PluginSource source, std::size_t blockSize = kPluginBlockSize,
                               std::size_t maxLine = kMaxPluginLineSize);

    // The next block, valid until the next call; empty at the end. Returns why not, or
    // FileErrc::TooLarge for a line longer than maxLine, which line() then numbers.
    std::error_code next(std::string_view& block);

    // The number of the block's first line, from 1; after FileErrc::TooLarge, the long line's.
    std::size_t line() const { return m_line; }

private:
    PluginSource m_source;
    std::size_t m_blockSize;
    std::size_t m_maxLine;
    std::size_t m_bufferCap;  // a block and the longest line with its line end
    std::string m_buffer;
    std::size_t m_filled = 0;  // bytes read into m_buffer
    std::size_t m_given = 0;   // bytes of m_buffer handed out by the last call
    std::size_t m_line = 1;
    std::size_t m_nextLine = 1;
    bool m_atEnd = false;
};

struct RenderOptions {
    // How the plugin's text comes (PluginFile::sourceEncoding), and how the Readme is to be:
    // the plugin's encoding, unless the user asks for another.
    TextEncoding pluginEncoding = TextEncoding::Cp932;
    TextEncoding readmeEncoding = TextEncoding::Cp932;
    // UTF-8 found valid, every byte, when its encoding was decided: not checked again.
    bool pluginCheckedUtf8 = false;
    // A Markdown plugin's Readme (MarkdownReadme); the fee's "\" as the yen sign, as in every
    // Readme of UTF-8 or UTF-16.
    bool markdown = false;
    bool yenSign = false;
    // Write "?" for a character that code page 932 cannot hold, rather than fail.
    bool replaceUnencodable = false;
    // Check the markers first: a plugin with an unknown or unclosed marker makes no Readme.
    bool strict = false;
    std::size_t blockSize = kPluginBlockSize;
    std::size_t maxLineSize = kMaxPluginLineSize;
    // The expanded text goes to `write` whenever this much of it is ready.
    std::size_t flushSize = kPluginBlockSize;
    std::uint64_t maxReadmeSize = kMaxReadmeSize;
    // The saved file ends with one more line break than the expanded text the preview shows.
    bool finalLineBreak = true;
    // Lines that read back as themselves are expanded in the plugin's own bytes, the others
    // decoded, expanded and encoded; off, every line is. The Readme is the same either way
    // (fuzz/render_paths.cpp holds the two to it); only the time differs.
    bool expandInPluginBytes = true;
};

struct RenderResult {
    enum class Status {
        Written,
        ReadFailed,
        LineTooLong,  // a plugin line longer than maxLineSize: no plugin at all
        WriteFailed,
        TooLarge,  // the Readme would pass maxReadmeSize
        MarkerProblems,
        Unencodable
    };
    Status status = Status::Written;
    std::error_code error;           // why reading or writing failed
    std::size_t line = 0;            // LineTooLong: the plugin's line, from 1
    std::size_t markerProblems = 0;  // found by the strict check
    std::size_t unencodable = 0;     // characters code page 932 cannot hold
};

// Where the Readme and the findings go. `write` gets the Readme's bytes in order and returns
// why it could not take them; the other two may be empty.
struct RenderSinks {
    std::function<std::error_code(std::string_view bytes)> write;
    std::function<void(const MarkerProblem&)> markerProblem;
    // Its place is in the Readme text: line and column from 1, the column in characters.
    std::function<void(const Unencodable&)> unencodable;
};

struct CheckResult {
    std::error_code error;  // of a failed read, or FileErrc::TooLarge for a line over the limit
    std::size_t line = 0;   // FileErrc::TooLarge: that line, from 1
};

// Checks a plugin file block by block, as checkTemplate checks a text, and reports each
// problem as it is found.
CheckResult checkPlugin(const PluginSource& plugin, TextEncoding encoding,
                        const std::function<void(const MarkerProblem&)>& problem,
                        std::size_t blockSize = kPluginBlockSize,
                        std::size_t maxLine = kMaxPluginLineSize);

// The one expansion driver, for the window's preview and for norvelle-cli: makes the Readme
// file that the preview window saves for an unedited expanded text: the plugin expanded
// against the form, then one more CR LF (unless finalLineBreak is off: the preview's text),
// in the Readme's encoding, after its byte-order mark if it has one. The
// bytes handed to `write` make a Readme only when the status is Written; on any other status
// the caller throws them away. Every marker problem and every unencodable character is
// reported, also after the first. Memory stays within a few blocks, one plugin line and the
// longest field, whatever the plugin and the Readme's size.
RenderResult renderReadme(const PluginSource& plugin, const SoftwareData& data,
                          const RenderOptions& options, const RenderSinks& sinks);

}  // namespace norvelle
