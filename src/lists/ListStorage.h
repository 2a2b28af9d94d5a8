#pragma once

#include "platform/SaveTextFile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

class QWidget;

namespace norvelle {

class Platform;
struct ListFile;

using Stored = Saved;  // how a text reached its file

// Writes a registered file (a list file or copyright.dat) whole, in code page 932. When some
// characters cannot be stored the user decides whether to store them as "?"; a failing write,
// and a text larger than what is read back of the file, is shown as
// "<file> に<what>を保存できませんでした。" with the reason. The old file stays whole unless the
// result is a success.
Stored storeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName,
                           std::string_view text, const QString& what);

// Deletes a list file; a missing file counts as deleted. A failure is shown with its reason.
bool removeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName);

// Whether a list read only in part is still to be mentioned to the user. A registration
// dialog tells once, when it opens; reading the same files again while it is open, or for the
// main window when it is left, would only repeat what the user has just confirmed.
enum class CutWarning { Show, AlreadyShown };

// The entries of a list file, for a registration dialog to show.
struct RegisteredEntries {
    // Nothing when the file is missing or cannot be read (the latter is shown): the dialog's
    // list then stays as it is.
    std::optional<QStringList> entries;
    // The file holds entries that are not shown: it was read in part, or it exists and could
    // not be read at all. Storing the list in it would drop them.
    bool unread = false;
};
RegisteredEntries loadRegisteredEntries(Platform& platform, QWidget* parent, const char* fileName,
                                        CutWarning warning);

// Whether one more entry may join a list of `count` entries. A list file holds no more than
// the first 10,001 entries; at that size the user is told so, and false comes back.
bool roomForAnotherEntry(Platform& platform, QWidget* parent, qsizetype count);

// Whether a list file with this text (UTF-8) is read back whole. When it would not be, the
// user is told that the list can take no more, as for a full list, and false comes back.
bool roomInListFile(Platform& platform, QWidget* parent, std::string_view text);

// Asks before a change replaces a list file that holds entries the dialog could not show:
// they would be gone. True when the user agrees.
bool mayDropUnreadEntries(Platform& platform, QWidget* parent, const char* fileName);

// Adds "<file>（最初の N 件）" to `cut` when only the first entries of the file were read.
void noteCutList(QStringList& cut, const char* fileName, const ListFile& file);

// Tells the user that the files in `cut` were read only in part, and what a change then
// stores. Nothing when `cut` is empty.
void reportCutLists(Platform& platform, QWidget* parent, const QStringList& cut);

// A text as code page 932 gives it back once stored: characters it lacks become "?".
QString storedForm(const QString& text);

}  // namespace norvelle
