#pragma once

#include "lists/ListStorage.h"

namespace norvelle {

class Form1;

// Refills the main window's e-mail and home-page lists and its needed-files list from the
// registered list files of the working directory. A missing or unreadable e-mail or
// home-page file leaves that field as it is; an empty one empties it. The needed-files list
// is always rebuilt (which drops its selection): the fixed entries, then the registered ones.
// Lists read only in part are mentioned unless the user has just been told about them.
void RefreshRegisteredLists(Form1& form, CutWarning warning = CutWarning::Show);

}  // namespace norvelle
