#include "text/FileIO.h"

#include "text/Cp932.h"
#include "text/FileLayer.h"

#include <algorithm>
#include <mutex>

// What the file layer does the same way on every system. The system calls are in posix/ and
// win32/; CMake builds one of the two.

namespace norvelle {

namespace {

std::mutex& injectorMutex() {
    static std::mutex m;
    return m;
}

WriteFaultInjector& injectorSlot() {
    static WriteFaultInjector injector;
    return injector;
}

}  // namespace

int injectedFault(std::string_view step, const std::string& path) {
    WriteFaultInjector injector;
    {
        std::lock_guard<std::mutex> lock(injectorMutex());
        injector = injectorSlot();
    }
    return injector ? injector(step, path) : 0;
}

void setWriteFaultInjector(WriteFaultInjector injector) {
    std::lock_guard<std::mutex> lock(injectorMutex());
    injectorSlot() = std::move(injector);
}

int readToLimit(const ReadPiece& readPiece, std::uint64_t sizeGuess, std::uint64_t limit,
                ReadResult& result) {
    // The size is a first guess: the file may change while it is read. One byte beyond the
    // limit tells whether the file goes on.
    const std::uint64_t cap = limit == kWholeFile ? kWholeFile : limit + 1;
    std::string& data = result.bytes;
    data.resize(static_cast<std::size_t>(std::min(sizeGuess + 1, cap)));
    std::size_t filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled >= cap) break;
            data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(data.size() * 2, cap)));
        }
        std::size_t count = 0;
        if (int err = readPiece(data.data() + filled, data.size() - filled, count)) {
            data.clear();
            return err;
        }
        if (count == 0) break;
        filled += count;
    }
    result.truncated = filled > limit;
    data.resize(result.truncated ? static_cast<std::size_t>(limit) : filled);
    result.status = ReadResult::Status::Ok;
    return 0;
}

ReadResult readTextFile(const std::string& path, std::uint64_t limit) {
    ReadResult result = readFileBytes(path, limit);
    if (result.ok()) result.bytes = decodeCp932(result.bytes);
    return result;
}

bool fileExists(const std::string& path) {
    return lookUpFile(path).state == FileState::Present;
}

WriteResult writeFileAtomic(const std::string& path, std::string_view bytes) {
    AtomicFileWriter writer;
    int err = writer.open(path);
    if (err == 0) err = writer.write(bytes);
    if (err == 0) err = writer.commit();
    return err == 0 ? WriteResult{} : WriteResult{false, err};
}

FileReader::~FileReader() {
    close();
}

int FileReader::readAll(std::string& bytes) {
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t filled = bytes.size();
        bytes.resize(filled + kChunk);
        std::size_t count = 0;
        const int err = read(bytes.data() + filled, kChunk, count);
        bytes.resize(filled + count);
        if (err != 0 || count == 0) return err;
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    abandon();
}

}  // namespace norvelle
