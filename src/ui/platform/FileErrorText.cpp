#include "ui/platform/FileErrorText.h"

#include "core/io/FileErrorReasons.h"
#include "core/io/FileResult.h"

#include <cstring>

namespace norvelle {

std::string describeErrno(int errnum) {
    const FileErrorReason* reason = findFileErrorReason(errnum);
    if (reason && reason->japanese) return reason->japanese;
    // The windows run on one thread, so the C library's shared buffer is safe here.
    return "エラー " + std::to_string(errnum) + " (" + std::strerror(errnum) + ")";
}

std::string describeKeptText(const std::string& keptIn) {
    if (keptIn.empty()) return {};
    return "\n元のファイルは削除されましたが、新しい内容は隠しファイル " + keptIn +
           " に残っています。このファイルの名前を変えて使ってください。";
}

std::string describeSize(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    if (bytes != 0 && bytes % (kKilo * kKilo) == 0) return std::to_string(bytes >> 20) + " MB";
    if (bytes != 0 && bytes % kKilo == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + " バイト";
}

std::string describeTooLarge(std::uint64_t limit) {
    return "ファイルが大きすぎます。扱えるのは " + describeSize(limit) + " までです。";
}

std::string describeFileError(int errnum, std::uint64_t limit) {
    return errnum == kTooLargeError ? describeTooLarge(limit) : describeErrno(errnum);
}

}  // namespace norvelle
