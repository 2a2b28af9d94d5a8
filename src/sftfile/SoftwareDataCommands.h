#pragma once

namespace norvelle {

class Form1;

// How a save of the software data ended.
enum class SaveOutcome {
    Saved,      // the file was written
    Cancelled,  // the user cancelled the file dialog (or chose no name)
    Declined,   // the user would not overwrite the existing file
    Failed,     // nothing was written: an error (already reported), or the user would not have
                // characters that code page 932 cannot hold replaced by "?"
};

// The save command: asks for a file name, writes the form to it and names the file in the
// caption.
SaveOutcome saveSoftwareData(Form1& form);

// The load command: asks for a file and, when it is software data of a version this program
// reads, puts its fields and needed-file selection into the form.
void loadSoftwareData(Form1& form);

}  // namespace norvelle
