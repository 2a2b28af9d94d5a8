// A Readme comes out the same whether its lines are expanded in the plugin's own bytes or
// decoded, expanded and encoded: the same status, the same bytes, the same unencodable
// characters at the same places; and it is the whole plugin expanded at once. The form and the plugin
// are as odd as the bytes allow: values that code page 932 cannot hold, duplicate codes of
// the NEC and IBM extensions, bytes that are no code page 932, line ends of every kind,
// blocks and flushes of any size; plugins in UTF-8 too, with or without a byte-order mark,
// broken UTF-8 among them, and Readmes in either encoding.
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/PluginStream.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Names the line of a failed check, since every finding aborts the same way.
void check(bool condition, int line = __builtin_LINE()) {
    if (condition) return;
    std::fprintf(stderr, "render_paths.cpp:%d: the two ways differ\n", line);
    std::abort();
}

// Characters a form may hold that take their own way through the encoder: unencodable ones,
// the look-alikes written as other characters, and characters with two codes.
constexpr const char* kOddCharacters[] = {
    "😀",      "☃",  "\uFFFD", "\u301C", "\u00A5", "\u203E", "\u2252",     "\u2170",
    "\uFFE2", "\r", "\r\n",   "\n",     "[$",     "]",      "unknown...", "ソ"};

// Code page 932 bytes that do not read back as themselves, and some that do but look alike:
// NEC row 13 duplicates, NEC-selected IBM extensions, IBM codes with a preferred twin, a lead
// byte before a line end, single bytes that Windows reads as U+0080 and private-use
// characters, ゼ and ダ whose second bytes are "[" and "]".
constexpr const char* kOddBytes[] = {
    "\x87\x90", "\x87\x9A", "\xED\x40", "\xEE\xFC", "\xFA\x4A", "\xFA\x58", "\xFA\x40", "\x81\xCA",
    "\x81\r",   "\x81",     "\x80",     "\xA0",     "\xFD",     "\x83\x5B", "\x83\x5D", "\x85\x40"};

// The same for a plugin in UTF-8: characters code page 932 lacks, one it holds, a mark in
// the middle of the text, and bytes that are no UTF-8 (cut off, overlong, a surrogate).
constexpr const char* kOddUtf8[] = {"😀",        "ソ",           "\uFEFF", "\xE3\x81",
                                    "\xC0\xAF", "\xED\xA0\x80", "\xFF",   "\x81"};

constexpr const char* kNames[] = {"ソフト名", "バージョン", "著作権", "動作環境", "動作確認",
                                  "転載",     "種別",       "シェア", "email",    "hp",
                                  "add1",     "add2",       "add3",   "add4",     "必要ファイル"};

// A field value: code page 932 bytes as the window would read them, with odd characters
// wherever a 0x01 byte asks for one.
std::string fieldValue(const std::string& bytes) {
    std::string value;
    std::string run;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\x01' || i + 1 == bytes.size()) {
            run += bytes[i];
            continue;
        }
        value += norvelle::decodeCp932(run);
        run.clear();
        value += kOddCharacters[static_cast<unsigned char>(bytes[++i]) % std::size(kOddCharacters)];
    }
    return value + norvelle::decodeCp932(run);
}

// The plugin: the bytes as they are, but 0x01 K stands for a known marker and 0x02 K for odd
// bytes, which random bytes would seldom spell; both in code page 932 or in UTF-8.
std::string pluginBytes(const std::string& bytes, bool utf8) {
    static const std::vector<std::string> cp932Markers = [] {
        std::vector<std::string> m;
        for (const char* name : kNames) m.push_back("[$" + norvelle::encodeCp932(name).bytes + "]");
        return m;
    }();
    static const std::vector<std::string> utf8Markers = [] {
        std::vector<std::string> m;
        for (const char* name : kNames) m.push_back("[$" + std::string(name) + "]");
        return m;
    }();
    const std::vector<std::string>& markers = utf8 ? utf8Markers : cp932Markers;
    std::string plugin;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if ((b != '\x01' && b != '\x02') || i + 1 == bytes.size()) {
            plugin += b;
            continue;
        }
        const auto k = static_cast<unsigned char>(bytes[++i]);
        plugin += b == '\x01' ? markers[k % markers.size()]
                  : utf8      ? std::string(kOddUtf8[k % std::size(kOddUtf8)])
                              : std::string(kOddBytes[k % std::size(kOddBytes)]);
    }
    return plugin;
}

struct Rendered {
    norvelle::RenderResult result;
    std::string bytes;
    std::vector<norvelle::Unencodable> unencodable;
};

Rendered render(const std::string& plugin, const norvelle::SoftwareData& data,
                const norvelle::RenderOptions& options) {
    Rendered r;
    norvelle::RenderSinks sinks;
    sinks.write = [&r](std::string_view b) {
        r.bytes.append(b);
        return std::error_code();
    };
    sinks.unencodable = [&r](const norvelle::Unencodable& u) { r.unencodable.push_back(u); };
    r.result = norvelle::renderReadme(norvelle::pluginSource(plugin), data, options, sinks);
    return r;
}

bool sameUnencodable(const std::vector<norvelle::Unencodable>& a,
                     const std::vector<norvelle::Unencodable>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].line != b[i].line || a[i].column != b[i].column ||
            a[i].codePoint != b[i].codePoint)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    norvelle::RenderOptions options;
    const auto flags = in.ConsumeIntegral<std::uint8_t>();
    options.replaceUnencodable = (flags & 1) != 0;
    options.strict = (flags & 2) != 0;
    if (flags & 4) options.blockSize = in.ConsumeIntegralInRange<std::size_t>(2, 300);
    if (flags & 8) options.flushSize = in.ConsumeIntegralInRange<std::size_t>(1, 300);
    if (flags & 16) options.maxLineSize = in.ConsumeIntegralInRange<std::size_t>(1, 200);
    // Without a limit, a short plugin that repeats a value makes a Readme of megabytes.
    options.maxReadmeSize =
        (flags & 32) ? in.ConsumeIntegralInRange<std::uint64_t>(0, 2000) : std::uint64_t{1} << 20;

    norvelle::SoftwareData form;
    for (std::string* field :
         {&form.softwareName, &form.version, &form.copyright, &form.environment, &form.testedOn,
          &form.redistribution, &form.softwareType, &form.fee, &form.email, &form.homePage,
          &form.additional[0], &form.additional[1], &form.additional[2], &form.additional[3]})
        *field = fieldValue(in.ConsumeRandomLengthString(24));
    for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i)
        form.neededFiles.push_back(
            {fieldValue(in.ConsumeRandomLengthString(12)), in.ConsumeBool()});
    const bool utf8 = (flags & 64) != 0;
    const auto readme = in.ConsumeIntegralInRange(0, 2);
    std::string plugin = pluginBytes(in.ConsumeRemainingBytesAsString(), utf8);
    if (utf8 && (flags & 128)) plugin.insert(0, norvelle::kUtf8Bom);
    const norvelle::TextEncoding fileEncoding = norvelle::detectEncoding(plugin);
    // A UTF-16 plugin reaches the expansion as the UTF-8 its reader decodes it to.
    const bool utf16 = norvelle::isUtf16(fileEncoding);
    if (utf16) plugin = norvelle::decodeText(plugin, fileEncoding);
    options.pluginEncoding = utf16 ? norvelle::TextEncoding::Utf8 : fileEncoding;
    options.readmeEncoding = readme == 0   ? fileEncoding
                             : readme == 1 ? norvelle::TextEncoding::Cp932
                                           : norvelle::TextEncoding::Utf8;

    const Rendered fast = render(plugin, form, options);
    options.expandInPluginBytes = false;
    const Rendered decoded = render(plugin, form, options);

    using Status = norvelle::RenderResult::Status;
    // The size limit is checked as the Readme's bytes are handed on, and text that goes the
    // decoded way is held longer before it is: that way can pass the limit later, after a
    // plugin line over its own limit or more marker problems. Either way nothing is written.
    if (fast.result.status == Status::TooLarge) {
        check(decoded.result.status == Status::TooLarge ||
              decoded.result.status == Status::LineTooLong);
        return 0;
    }
    check(fast.result.status == decoded.result.status);
    check(fast.result.line == decoded.result.line);
    check(fast.result.markerProblems == decoded.result.markerProblems);
    if (fast.result.status == Status::LineTooLong) return 0;
    check(fast.result.unencodable == decoded.result.unencodable);
    check(sameUnencodable(fast.unencodable, decoded.unencodable));
    if (fast.result.status != Status::Written) return 0;
    check(fast.bytes == decoded.bytes);

    // Both are the whole plugin decoded, expanded and encoded at once, block by block or not.
    const norvelle::EncodeResult saved = norvelle::encodeText(
        norvelle::expandTemplate(norvelle::decodeText(plugin, options.pluginEncoding), form) +
            "\r\n",
        options.readmeEncoding, '?');
    check(fast.bytes == saved.bytes);
    check(sameUnencodable(fast.unencodable, saved.unencodable));
    return 0;
}
