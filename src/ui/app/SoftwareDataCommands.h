#pragma once

#include "core/document/SoftwareData.h"

#include <optional>
#include <string>

class QWidget;

namespace norvelle {

class Platform;
struct AppState;

// How a save of the software data ended.
enum class SaveOutcome {
    Saved,      // the file was written; its name is state.CurrentFileName
    Cancelled,  // the user cancelled the file dialog (or chose no name)
    Declined,   // the user would not overwrite the existing file
    Failed,     // nothing was written: an error (already reported), or the user would not have
                // characters that code page 932 cannot hold replaced by "?"
};

// The save command: asks for a file name and writes the form to it.
SaveOutcome saveSoftwareData(Platform& platform, AppState& state, QWidget* parent,
                             const SoftwareData& form);

// The load command: asks for a file and reads it against the form as it is now. The form as
// the file leaves it, or nothing when the user cancelled or the file was refused (with the
// usual warning); state.CurrentFileName names the file chosen either way.
std::optional<SoftwareData> openSoftwareData(Platform& platform, AppState& state, QWidget* parent,
                                             const SoftwareData& form);

// The load command's second half, for a file already chosen (one named on the command line
// or dropped on the window).
std::optional<SoftwareData> openSoftwareDataFile(Platform& platform, AppState& state,
                                                 QWidget* parent, const std::string& path,
                                                 const SoftwareData& form);

}  // namespace norvelle
