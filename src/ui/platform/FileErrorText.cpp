#include "ui/platform/FileErrorText.h"

#include "core/io/FileErrorReasons.h"
#include "core/io/FileResult.h"

namespace norvelle {

std::string describeError(const std::error_code& error) {
    const FileErrorReason* reason = findFileErrorReason(error);
    if (reason && reason->japanese) return reason->japanese;
    return "エラー " + std::to_string(error.value()) + " (" + error.message() + ")";
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

std::string describeFileError(const std::error_code& error, std::uint64_t limit) {
    return error == FileErrc::TooLarge ? describeTooLarge(limit) : describeError(error);
}

}  // namespace norvelle
