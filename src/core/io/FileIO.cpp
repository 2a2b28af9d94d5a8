#include "core/io/AtomicFileWriter.h"
#include "core/io/FileLock.h"
#include "core/io/FileReader.h"

#include "core/io/FileLayer.h"
#include "core/text/Cp932.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>

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

std::error_code injectedFault(std::string_view step, const std::string& path) {
    WriteFaultInjector injector;
    {
        std::lock_guard<std::mutex> lock(injectorMutex());
        injector = injectorSlot();
    }
    return injector ? injector(step, path) : std::error_code();
}

void setWriteFaultInjector(WriteFaultInjector injector) {
    std::lock_guard<std::mutex> lock(injectorMutex());
    injectorSlot() = std::move(injector);
}

std::error_code readToLimit(const ReadPiece& readPiece, std::uint64_t sizeGuess,
                            std::uint64_t limit, ReadResult& result) {
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
        if (std::error_code err = readPiece(data.data() + filled, data.size() - filled, count)) {
            data.clear();
            return err;
        }
        if (count == 0) break;
        filled += count;
    }
    result.truncated = filled > limit;
    data.resize(result.truncated ? static_cast<std::size_t>(limit) : filled);
    result.status = ReadResult::Status::Ok;
    return {};
}

ReadResult readTextFile(const std::string& path, std::uint64_t limit) {
    ReadResult result = readFileBytes(path, limit);
    if (result.ok()) result.bytes = decodeCp932(result.bytes);
    return result;
}

ReadResult readAnyFileBytes(const std::string& path, std::uint64_t limit) {
    ReadResult result;
    FileReader file;
    std::error_code err = file.open(path);
    if (!err) {
        // The size sizes the first buffer only: a pipe has none, and a file may grow.
        err = readToLimit([&file](char* buffer, std::size_t size,
                                  std::size_t& count) { return file.read(buffer, size, count); },
                          fileSize(path).value_or(4096), limit, result);
    }
    if (err) {
        result.status =
            err == std::errc::no_such_file_or_directory || err == std::errc::not_a_directory
                ? ReadResult::Status::Missing
                : ReadResult::Status::Error;
        result.error = err;
    }
    return result;
}

bool fileExists(const std::string& path) {
    return lookUpFile(path).state == FileState::Present;
}

WriteResult writeFileAtomic(const std::string& path, std::string_view bytes) {
    AtomicFileWriter writer;
    std::error_code err = writer.open(path);
    if (!err) err = writer.write(bytes);
    if (!err) err = writer.commit();
    return !err ? WriteResult{} : WriteResult{false, err, writer.keptIn()};
}

FileReader::~FileReader() {
    close();
}

std::error_code FileReader::readAll(std::string& bytes) {
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t filled = bytes.size();
        bytes.resize(filled + kChunk);
        std::size_t count = 0;
        const std::error_code err = read(bytes.data() + filled, kChunk, count);
        bytes.resize(filled + count);
        if (err || count == 0) return err;
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    abandon();
}

FileLock::~FileLock() {
    unlock();
}

namespace {

// What a file system without locks answers (Windows' ERROR_NOT_SUPPORTED and
// ERROR_INVALID_FUNCTION read as ENOTSUP): NFS without its lock service ENOLCK, others
// EOPNOTSUPP, ENOSYS or EINVAL. Only the locking call is judged so; opening says other things.
bool locksUnsupported(const std::error_code& err) {
    if (err.category() != std::generic_category()) return false;
    const int e = err.value();
    return e == ENOLCK || e == ENOTSUP || e == EOPNOTSUPP || e == ENOSYS || e == EINVAL;
}

}  // namespace

std::error_code FileLock::lock(const std::string& path, std::chrono::milliseconds timeout) {
    unlock();
    if (std::error_code err = openLockFile(path)) return err;
    // Whoever waits holds the queue, so that a holder that lets the lock go and wants it again
    // at once has to queue behind the waiter instead of taking it straight back.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::error_code err = injectedFault("lock", path);
    if (!err) err = waitFor(Byte::Queue, deadline);
    if (!err) {
        err = waitFor(Byte::Lock, deadline);
        // Given back now, whether or not the lock was had: Windows frees a byte left locked
        // only "eventually" after its handle is closed, and the next waiter must not wait for it.
        unlockByte(Byte::Queue);
    }
    if (err) {
        unlock();
        return locksUnsupported(err) ? FileErrc::LocksUnsupported : err;
    }
    return {};
}

std::error_code FileLock::waitFor(Byte byte, std::chrono::steady_clock::time_point deadline) {
    // Asked again and again rather than waited for: Windows cannot wait for a lock with a time
    // limit (nor can Wine at all), and POSIX could only by a signal. A holder keeps it for one
    // read and one write, so the pauses stay short.
    std::chrono::microseconds pause{100};
    for (;;) {
        bool held = false;
        if (std::error_code err = tryLock(byte, held)) return err;
        if (held) return {};
        if (std::chrono::steady_clock::now() >= deadline) return FileErrc::LockTimeout;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds{2000});
    }
}

}  // namespace norvelle
