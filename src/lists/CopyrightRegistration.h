#pragma once

namespace norvelle {

class Form1;

// Asks for the copyright holder (preset with the copyright field), stores the answer in
// copyright.dat, from which every later start fills the field, and puts it into the field.
// An empty answer, Cancel included, changes nothing.
void registerCopyright(Form1& form);

}  // namespace norvelle
