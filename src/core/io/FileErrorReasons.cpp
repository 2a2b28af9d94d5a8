#include "core/io/FileErrorReasons.h"

#include "core/io/FileResult.h"

#include <cerrno>
#include <iterator>
#include <string>

namespace norvelle {

namespace {

// The English words are the file layer's own: the Windows C library words some errno values
// differently, and a script's log should read the same wherever it ran.
constexpr FileErrorReason kReasons[] = {
    {0, FileErrc::NotRegularFile, "通常のファイルではありません。", "not a regular file"},
    {0, FileErrc::UnsafeLink,
     "共有フォルダにある他のユーザーのシンボリックリンクです。"
     "安全のため、リンク先には書き込みません。",
     "refusing to follow another user's symbolic link in a shared folder"},
    {0, FileErrc::FolderNotWritable,
     "フォルダに書き込む権限がありません。"
     "Norvelle はファイルを丸ごと置き換えて保存するため、フォルダへの書き込みが必要です。",
     "the folder is not writable: Norvelle replaces a file whole"},
    {0, FileErrc::TooLarge, "ファイルが大きすぎます。", "too large for Norvelle to read"},
    {0, FileErrc::InvalidName,
     "Windows では使えないファイル名です（< > : \" | ? * や、末尾のピリオドと空白は使えません）。",
     "not a name Windows allows (< > : \" | ? * or a dot or space at the end)"},
    {0, FileErrc::LockTimeout,
     "ほかの Norvelle がファイルを変更中です。しばらくしてから、もう一度やり直してください。",
     nullptr},
    // A list change goes on unlocked where locks are missing; no one is told of it yet.
    {0, FileErrc::LocksUnsupported, "ファイルシステムがファイルのロックに対応していません。",
     "the file system offers no file locks"},
    {0, FileErrc::Utf16WithoutMark,
     "NUL 文字を含み、バイト順マーク (BOM) がないため、BOM なしの UTF-16 と思われます。"
     "メモ帳の「UTF-8」か「UTF-16 LE」で保存し直してください。",
     "it holds NUL bytes and has no byte-order mark: UTF-16 without a mark, which cannot be "
     "told from its bytes; save it as UTF-8, or as UTF-16 with its mark"},
    {ENOSPC, {}, "ディスクの空き容量が足りません。", "No space left on device"},
#ifdef EDQUOT  // Windows has no disk quota of its own errno
    {EDQUOT, {}, "ディスクの使用量の上限を超えています。", nullptr},
#endif
    {EACCES, {}, "アクセスが拒否されました。", "Permission denied"},
    {EPERM, {}, "アクセスが拒否されました。", "Operation not permitted"},
    {ENOENT, {}, "ファイルまたはフォルダが見つかりません。", "No such file or directory"},
    {ENOTDIR, {}, "パスの途中にフォルダではないものがあります。", "Not a directory"},
    {EROFS, {}, "読み取り専用の場所です。", "Read-only file system"},
    {EISDIR, {}, "フォルダです。", "Is a directory"},
    {EIO, {}, "ディスクの読み書きでエラーが発生しました。", "Input/output error"},
    {ENAMETOOLONG, {}, "ファイル名が長すぎます。", "File name too long"},
    {ETXTBSY, {}, "ファイルが使用中です。", nullptr},
    {EBUSY, {}, "ファイルが使用中です。", "Device or resource busy"},
    {EMFILE, {}, "開いているファイルが多すぎます。", "Too many open files"},
    {ENFILE, {}, "開いているファイルが多すぎます。", nullptr},
    {ELOOP, {}, "シンボリックリンクが多すぎます。", "Too many levels of symbolic links"},
    {EFBIG, {}, "ファイルが大きすぎます。", nullptr},
    {ENOMEM, {}, "メモリが足りません。", "Cannot allocate memory"},
    {EEXIST, {}, "同じ名前のファイルがすでにあります。", "File exists"},
    {EPIPE, {}, nullptr, "Broken pipe"},
    {ENOTSUP, {}, nullptr, "Operation not supported"},
    {EBADF, {}, nullptr, "Bad file descriptor"},
};

// Each system numbers errno its own way; two rows of one number would hide the second.
constexpr bool eachNumberOnce() {
    for (auto a = std::begin(kReasons); a != std::end(kReasons); ++a)
        for (auto b = a + 1; b != std::end(kReasons); ++b)
            if (a->errnum == b->errnum && a->kind == b->kind) return false;
    return true;
}
static_assert(eachNumberOnce());

class FileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "norvelle-file"; }
    std::string message(int kind) const override {
        const FileErrorReason* reason = findFileErrorReason(static_cast<FileErrc>(kind));
        return reason && reason->english ? reason->english : "file error " + std::to_string(kind);
    }
};

}  // namespace

const std::error_category& fileErrorCategory() {
    static const FileErrorCategory category;
    return category;
}

std::error_code make_error_code(FileErrc kind) {
    return {static_cast<int>(kind), fileErrorCategory()};
}

const FileErrorReason* findFileErrorReason(const std::error_code& error) {
    const bool kind = error.category() == fileErrorCategory();
    if (!kind && error.category() != std::generic_category()) return nullptr;
    for (const FileErrorReason& reason : kReasons) {
        if (kind ? reason.errnum == 0 && static_cast<int>(reason.kind) == error.value()
                 : reason.errnum == error.value())
            return &reason;
    }
    return nullptr;
}

}  // namespace norvelle
