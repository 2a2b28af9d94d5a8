#include "support/TempDir.h"

#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace norvelle::test {

std::filesystem::path fsPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
    m_previous = utf8Path(std::filesystem::current_path());
    std::random_device random;
    for (int attempt = 0; m_path.empty(); ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               ("norvelle-test-" + std::to_string(random() % 1000000000));
        // With "/" between the names on Windows too, as Qt and the file dialogs give paths.
        if (std::filesystem::create_directory(candidate))
            m_path = utf8Path(std::filesystem::path(candidate.generic_u8string()));
        if (attempt == 100) throw std::runtime_error("no temporary folder");
    }
    std::filesystem::current_path(fsPath(m_path));
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(fsPath(m_previous), ec);
    // Give back write permission a test may have taken away, so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(fsPath(m_path), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(fsPath(m_path), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(fsPath(m_path), ec);
}

namespace {

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

void writeBytes(const std::string& path, std::string_view bytes) {
    if (path.ends_with(".spd") && detectEncoding(bytes) != TextEncoding::Cp932)
        ADD_FAILURE() << path << " would be read as UTF-8";
    writeFile(path, bytes);
}

void writePlugin(const std::string& path, std::string_view bytes, TextEncoding encoding) {
    if (detectEncoding(bytes) != encoding) ADD_FAILURE() << path << " would be read otherwise";
    writeFile(path, bytes);
}

void writeUtf8Plugin(const std::string& path, std::string_view bytes) {
    if (detectEncoding(bytes) == TextEncoding::Cp932)
        ADD_FAILURE() << path << " would be read as code page 932";
    writeFile(path, bytes);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), ec));
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fsPath(folder)))
        names.insert(utf8Path(entry.path().filename()));
    return names;
}

std::string sjis(std::string_view utf8) {
    auto r = encodeCp932(utf8, '\0');
    if (!r.unencodable.empty()) throw std::runtime_error("test text does not fit code page 932");
    return r.bytes;
}

void resizeFile(const std::string& path, std::uintmax_t size) {
    std::filesystem::resize_file(fsPath(path), size);
}

bool makeNamedPipe(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    return ::mkfifo(path.c_str(), 0644) == 0;
#endif
}

}  // namespace norvelle::test
