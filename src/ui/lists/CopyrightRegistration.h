#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace norvelle {

class Platform;

// Asks for the copyright holder (preset with `current`, the copyright field), stores the
// answer in copyright.dat, from which every later start fills the field, and gives back what
// the field is to show. Nothing for an empty answer, Cancel included: nothing changes.
std::optional<QString> registerCopyright(Platform& platform, QWidget* parent,
                                         const QString& current);

}  // namespace norvelle
