#pragma once

#include "ui/platform/SaveTextFile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

class QWidget;

namespace norvelle {

class Platform;
struct ListChangeResult;
struct ListFile;

using Stored = Saved;  // how a text reached its file

// "<file> に<what>を保存できませんでした。": the headline of every registered file (a list file
// or copyright.dat) that could not be written, a size beyond kMaxListFileSize included.
QString registeredFileHeadline(const char* fileName, const QString& what);

// Writes copyright.dat whole, in code page 932, by the shared save path: when some characters
// cannot be stored the user decides whether to store them as "?"; a failing write, and a text
// larger than what is read back of the file, is shown with registeredFileHeadline and the
// reason. The old file stays whole unless the result is a success.
Stored storeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName,
                           std::string_view text, const QString& what);

// Whether a list read only in part is still to be mentioned to the user. A registration
// dialog tells once, when it opens; reading the same files again for the main window when it
// is left would only repeat what the user has just confirmed.
enum class CutWarning { Show, AlreadyShown };

// The entries of a list file, for a registration dialog to show when it opens; a file read
// only in part is mentioned. Nothing when the file is missing or cannot be read (the latter
// is shown): the dialog's list then stays as it is.
std::optional<QStringList> loadRegisteredEntries(Platform& platform, QWidget* parent,
                                                 const char* fileName);

// A list that holds the first 10,001 entries already takes no more: the user is told so.
void tellListFull(Platform& platform, QWidget* parent);

// Asks before a change replaces a list file that holds entries past those read (the
// DropsUnread result, with their number): they would be gone. True when the user agrees.
bool mayDropUnreadEntries(Platform& platform, QWidget* parent, const char* fileName,
                          const ListChangeResult& result);

// Tells the user why a change of a list file failed: the lock file, reading the list, the
// write or the deletion.
void reportListChangeFailure(Platform& platform, QWidget* parent, const char* fileName,
                             const ListChangeResult& result);

// Adds "<file>（最初の N 件）" to `cut` when only the first entries of the file were read.
void noteCutList(QStringList& cut, const char* fileName, const ListFile& file);

// Tells the user that the files in `cut` were read only in part, and what a change then
// stores. Nothing when `cut` is empty.
void reportCutLists(Platform& platform, QWidget* parent, const QStringList& cut);

// A text as code page 932 gives it back once stored: characters it lacks become "?".
QString storedForm(const QString& text);

}  // namespace norvelle
