#pragma once

#include "app/SoftwareData.h"
#include "plugin/PluginCheck.h"
#include "text/Cp932.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace norvelle {

class FileReader;

// Plugins of any size are read a block of whole lines at a time: a line never spans two
// blocks, so expanding block after block gives the text that expanding the whole plugin
// gives, while only a few blocks are in memory at once.
inline constexpr std::size_t kPluginBlockSize = 256 * 1024;

// Where a block of plugin bytes may end without cutting a line: just after the last line end
// in `bytes` at or after `from` whose next byte is known, that is after a CR LF, or after a CR
// that something other than a LF follows. Never between the CR and the LF of a CR LF (the LF
// would start a line of its own). 0 when there is no such place. Code page 932 uses neither
// byte inside a double-byte character, so the raw bytes can be cut.
std::size_t blockEnd(std::string_view bytes, std::size_t from = 0);

// Cuts a file into blocks of whole lines of about `blockSize` bytes; a longer line makes its
// block longer. The blocks together are the file, byte for byte.
class PluginBlockReader {
public:
    explicit PluginBlockReader(FileReader& file, std::size_t blockSize = kPluginBlockSize);

    // The next block, valid until the next call; empty at the end. Returns 0 or an errno.
    int next(std::string_view& block);

private:
    FileReader& m_file;
    std::size_t m_blockSize;
    std::string m_buffer;
    std::size_t m_filled = 0;  // bytes read into m_buffer
    std::size_t m_given = 0;   // bytes of m_buffer handed out by the last call
    bool m_atEnd = false;
};

enum class ReadmeEncoding { Cp932, Utf8 };

struct RenderOptions {
    ReadmeEncoding encoding = ReadmeEncoding::Cp932;
    // Write "?" for a character that code page 932 cannot hold, rather than fail.
    bool replaceUnencodable = false;
    // Check the markers first: a plugin with an unknown or unclosed marker makes no Readme.
    bool strict = false;
    std::size_t blockSize = kPluginBlockSize;
};

struct RenderResult {
    enum class Status { Written, ReadFailed, WriteFailed, MarkerProblems, Unencodable };
    Status status = Status::Written;
    int errnum = 0;                  // why reading or writing failed
    std::size_t markerProblems = 0;  // found by the strict check
    std::size_t unencodable = 0;     // characters code page 932 cannot hold
};

// Where the Readme and the findings go. `write` gets the Readme's bytes in order and returns
// 0 or an errno; the other two may be empty.
struct RenderSinks {
    std::function<int(std::string_view bytes)> write;
    std::function<void(const MarkerProblem&)> markerProblem;
    // Its place is in the Readme text: line and column from 1, the column in characters.
    std::function<void(const Unencodable&)> unencodable;
};

// Checks a plugin file block by block, as checkTemplate checks a text, and reports each
// problem as it is found. Returns 0 or the errno of a failed read.
int checkPlugin(FileReader& plugin, const std::function<void(const MarkerProblem&)>& problem,
                std::size_t blockSize = kPluginBlockSize);

// Makes the Readme file that the preview window saves for an unedited expanded text: the
// plugin expanded against the form, then one more CR LF, in code page 932 (or UTF-8). The
// bytes handed to `write` make a Readme only when the status is Written; on any other status
// the caller throws them away. Every marker problem and every unencodable character is
// reported, also after the first.
RenderResult renderReadme(FileReader& plugin, const SoftwareData& data,
                          const RenderOptions& options, const RenderSinks& sinks);

}  // namespace norvelle
