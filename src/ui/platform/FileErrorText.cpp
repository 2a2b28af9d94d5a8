#include "ui/platform/FileErrorText.h"

#include "core/io/FileResult.h"

#include <cerrno>
#include <cstring>

namespace norvelle {

std::string describeErrno(int errnum) {
    switch (errnum) {
        case kNotRegularFileError:
            return "通常のファイルではありません。";
        case kUnsafeLinkError:
            return "共有フォルダにある他のユーザーのシンボリックリンクです。安全のため、リンク先には書き込みません。";
        case kFolderNotWritableError:
            return "フォルダに書き込む権限がありません。Norvelle はファイルを丸ごと置き換えて保存するため、フォルダへの書き込みが必要です。";
        case kTooLargeError:
            return "ファイルが大きすぎます。";
        case kInvalidNameError:
            return "Windows では使えないファイル名です（< > : \" | ? * や、末尾のピリオドと空白は使えません）。";
        case kLockTimeoutError:
            return "ほかの Norvelle がファイルを変更中です。しばらくしてから、もう一度やり直してください。";
        case ENOSPC:
            return "ディスクの空き容量が足りません。";
#ifdef EDQUOT  // Windows has no disk quota of its own errno
        case EDQUOT:
            return "ディスクの使用量の上限を超えています。";
#endif
        case EACCES:
        case EPERM:
            return "アクセスが拒否されました。";
        case ENOENT:
            return "ファイルまたはフォルダが見つかりません。";
        case ENOTDIR:
            return "パスの途中にフォルダではないものがあります。";
        case EROFS:
            return "読み取り専用の場所です。";
        case EISDIR:
            return "フォルダです。";
        case EIO:
            return "ディスクの読み書きでエラーが発生しました。";
        case ENAMETOOLONG:
            return "ファイル名が長すぎます。";
        case ETXTBSY:
        case EBUSY:
            return "ファイルが使用中です。";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます。";
        case ELOOP:
            return "シンボリックリンクが多すぎます。";
        case EFBIG:
            return "ファイルが大きすぎます。";
        case ENOMEM:
            return "メモリが足りません。";
        case EEXIST:
            return "同じ名前のファイルがすでにあります。";
        default:
            break;
    }
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
