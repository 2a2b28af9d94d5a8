#pragma once

// Inside the file layer: the test seam both implementations of FileIO.h consult.

#include <string>
#include <string_view>

namespace norvelle {

// The errno a test wants this write step to fail with, or 0.
int injectedFault(std::string_view step, const std::string& path);

}  // namespace norvelle
