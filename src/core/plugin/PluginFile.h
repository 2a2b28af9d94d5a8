#pragma once

#include "core/io/FileReader.h"
#include "core/plugin/PluginStream.h"
#include "core/text/TextEncoding.h"

#include <cstddef>
#include <cstdio>
#include <string>

namespace norvelle {

// A plugin file of any size, as norvelle-cli reads it: its encoding is decided first, reading
// as far as the decision needs (the whole file for UTF-8, a few bytes for Japanese text in
// code page 932), and the plugin is then read again from its start. A pipe or a device gives
// its bytes only once, so what the decision read of it waits in a scratch file meanwhile.
class PluginFile {
public:
    PluginFile() = default;
    ~PluginFile();
    PluginFile(const PluginFile&) = delete;
    PluginFile& operator=(const PluginFile&) = delete;

    // Opens the plugin and decides its encoding. 0, an errno, or kTooLargeError for a line
    // longer than `maxLine`, which line() then numbers.
    int open(const std::string& path, std::size_t maxLine = kMaxPluginLineSize);

    TextEncoding encoding() const { return m_encoding; }
    std::size_t line() const { return m_line; }

    // The plugin from its start; one source at a time, read once.
    PluginSource source();

private:
    int readFile(char* buffer, std::size_t size, std::size_t& count);

    FileReader m_file;
    std::FILE* m_spool = nullptr;  // what was read of a pipe or device
    bool m_spooling = false;       // every byte read goes to the spool too
    bool m_replaying = false;      // the spool is read before the rest of the file
    TextEncoding m_encoding = TextEncoding::Cp932;
    std::size_t m_line = 0;
};

}  // namespace norvelle
