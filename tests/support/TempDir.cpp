#include "support/TempDir.h"

#include "text/Cp932.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace norvelle::test {

TempDir::TempDir() {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) throw std::runtime_error("getcwd failed");
    m_previous = cwd;
    std::string pattern = (std::filesystem::temp_directory_path() / "norvelle-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    if (chdir(m_path.c_str()) != 0) throw std::runtime_error("chdir failed");
}

TempDir::~TempDir() {
    if (chdir(m_previous.c_str()) != 0) { /* nothing sensible to do in a destructor */ }
    std::error_code ec;
    // Give back write permission a test may have taken away, so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string sjis(std::string_view utf8) {
    auto r = encodeCp932(utf8, '\0');
    if (!r.unencodable.empty()) throw std::runtime_error("test text does not fit code page 932");
    return r.bytes;
}

}  // namespace norvelle::test
