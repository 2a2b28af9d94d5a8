#pragma once

#include <string>

namespace norvelle {

// The state that several windows share for the whole run. Owned by the application and
// handed to each window by reference. Texts are UTF-8.
struct AppState {
    std::string AppVersion;       // "2.06", set by start-up
    std::string TitlePrefix;      // "Norvelle  Ver " + AppVersion, set by start-up
    std::string CurrentFileName;  // the file name last chosen in a file dialog
    int DataSaved = 0;            // 1 from the first save of the run on; never cleared
    int RegistrationMode = 0;     // 1: e-mail addresses, any other: home pages
    int ListItemSelected = 0;     // 1 while an entry of the address list is selected
};

// The application title, shown by message boxes that name no caption of their own.
inline constexpr const char* kAppTitle = "Norvelle";

}  // namespace norvelle
