#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// A marker that a Readme would keep as written: a name that stands for no field, or a "[$"
// that is not closed on its line.
struct MarkerProblem {
    enum class Kind { UnknownName, Unclosed };
    Kind kind = Kind::UnknownName;
    std::size_t line = 0;    // from 1
    std::size_t column = 0;  // of the "[$", from 1, in characters
    // The marker as written; for an unclosed one, the "[$" and the rest of its line.
    std::string text;
};

// Whether a marker with this name is replaced by a field's value.
bool isKnownTokenName(std::string_view name);

// Finds, in order, the markers of a decoded plugin text that expansion would leave as they
// are, reading the markers exactly as the expansion does. Lines are numbered from
// `firstLine`, so a text read in blocks of whole lines can be checked block by block.
// Returns the number of lines of the text.
std::size_t checkTemplate(std::string_view text, std::vector<MarkerProblem>& problems,
                          std::size_t firstLine = 1);

}  // namespace norvelle
