#pragma once

#include <QString>

namespace norvelle {

class Platform;

// Stores whether the welcome wizard is wanted: "1" for no more wizard, "0" to use it. The
// value is only ever written; nothing in the program reads it back.
void WriteWizardSetting(Platform& platform, const QString& value);

}  // namespace norvelle
