// Expanding a 16 MiB plugin in code page 932, against a bare decode and re-encode of the
// same bytes.
#include "core/plugin/ExpandPlugin.h"
#include "core/text/Cp932.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t kPluginSize = 16u << 20;

norvelle::SoftwareData form() {
    norvelle::SoftwareData d;
    d.softwareName = "テキスト整形ツール";
    d.version = "Ver 2.10";
    d.copyright = "山田太郎";
    d.environment = "Windows 95/98/Me/NT/2000/XP";
    d.testedOn = "Windows XPで動作確認済み";
    d.redistribution = "転載前、作者に連絡";
    d.softwareType = "シェアウエア";
    d.fee = "\\1,000";
    d.email = "taro@example.org";
    d.homePage = "http://www.example.org/";
    d.additional = {"テキストを整えます。", "起動して使います。", "", "2002/04/01 公開"};
    d.neededFiles = {{"MFC42.DLL", true}, {"Direct X 8.0", false}, {"COMCTL32.DLL", true}};
    return d;
}

// Japanese prose with about one known marker every three lines, and now and then an unknown
// or an unclosed one; code page 932, CR LF.
std::string generatePlugin() {
    static const char* const prose[] = {
        "このソフトはフリーソフトではありません。試用期間を過ぎたら送金してください。",
        "表示が乱れる場合は、画面の設定を確認してから再起動してください。",
        "ご意見・ご感想は下記のアドレスまでお寄せください。お待ちしております。",
        "本ソフトを使用したことによるいかなる損害についても、作者は責任を負いません。",
        "ファイルを選んで「変換」を押すと、整形されたテキストが表示されます。",
        "設定は終了時に自動的に保存されます。",
    };
    static const char* const known[] = {"[$ソフト名]",     "[$バージョン]", "[$著作権]",
                                        "[$必要ファイル]", "[$email]",      "[$hp]",
                                        "[$シェア]",       "[$add1]"};
    std::string bytes;
    bytes.reserve(kPluginSize + 4096);
    std::string text;
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (std::size_t line = 0; bytes.size() < kPluginSize; ++line) {
        text = prose[(next() >> 16) % std::size(prose)];
        if (line % 3 == 0) {
            text += "　";
            text += known[(next() >> 16) % std::size(known)];
        }
        if (line % 29 == 0) text += " [$未定義の項目]";
        if (line % 97 == 0) text += " [$閉じていない";
        text += "\r\n";
        norvelle::appendEncodedCp932(text, bytes, nullptr);
    }
    bytes.resize(kPluginSize);
    // End on a whole line.
    bytes.resize(bytes.rfind("\r\n") + 2);
    return bytes;
}

struct Plugin {
    std::string folder;
    std::string path;
    std::string bytes;

    Plugin() {
        folder = (std::filesystem::temp_directory_path() / "norvelle-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) std::abort();
        path = folder + "/bench.spd";
        bytes = generatePlugin();
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~Plugin() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const Plugin& plugin() {
    static const Plugin p;
    return p;
}

// Resident set size and its peak, in bytes, from /proc/self/status.
std::size_t statusValue(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0) return std::stoul(line.substr(key.size() + 1)) * 1024;
    }
    return 0;
}

// How much memory one expansion takes at its peak, beyond what was in use before it.
double peakOfOneExpansion(const norvelle::SoftwareData& d) {
    malloc_trim(0);  // give back what earlier runs left free, so it is not used again unseen
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    const std::size_t before = statusValue("VmRSS");
    {
        auto r = norvelle::ExpandPlugin(plugin().path, d);
        benchmark::DoNotOptimize(r);
    }
    const std::size_t peak = statusValue("VmHWM");
    return peak > before ? static_cast<double>(peak - before) : 0.0;
}

void BM_ExpandPlugin(benchmark::State& state) {
    const norvelle::SoftwareData d = form();
    const std::size_t size = plugin().bytes.size();
    for (auto _ : state) {
        auto r = norvelle::ExpandPlugin(plugin().path, d);
        if (!r.ok) state.SkipWithError("the plugin could not be read");
        benchmark::DoNotOptimize(r.text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["peak_x_plugin"] = peakOfOneExpansion(d) / static_cast<double>(size);
}
BENCHMARK(BM_ExpandPlugin)->Unit(benchmark::kMillisecond);

void BM_DecodeAndReencode(benchmark::State& state) {
    const std::string& bytes = plugin().bytes;
    for (auto _ : state) {
        const std::string text = norvelle::decodeCp932(bytes);
        auto encoded = norvelle::encodeCp932(text, '?');
        benchmark::DoNotOptimize(encoded.bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeAndReencode)->Unit(benchmark::kMillisecond);

// The expansion alone, over text already decoded: where the time goes.
void BM_ExpandTemplate(benchmark::State& state) {
    const norvelle::SoftwareData d = form();
    const std::string text = norvelle::decodeCp932(plugin().bytes);
    for (auto _ : state) {
        std::string out = norvelle::expandTemplate(text, d);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plugin().bytes.size()));
}
BENCHMARK(BM_ExpandTemplate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
