#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// Reads a decoded text item by item, the way the program reads its list files,
// copyright.dat and software data files:
// - items are separated by commas and by line ends (CR LF, a CR alone or a LF alone);
// - spaces in front of an item are skipped (tabs are kept: they are part of what was typed);
// - an item that begins with a double quote runs to the next lone double quote; both quotes
//   are dropped and commas and spaces between them belong to the item; two double quotes in
//   a row inside it stand for one double quote character;
// - text between a closing quote and the next separator is dropped;
// - a quote that is never closed runs to the end of its line (it never swallows the
//   following lines, so one mistyped entry costs no other entry);
// - an unquoted item keeps its trailing spaces, as the user typed them;
// - an empty line, or nothing between two separators, gives an empty item;
// - a final line break makes no extra item; an empty text has no item.
// Stops after maxItems items.
std::vector<std::string> readItems(std::string_view text,
                                   std::size_t maxItems = std::numeric_limits<std::size_t>::max());

// A text item as the program writes it: in double quotes, a double quote inside doubled.
std::string quoteItem(std::string_view text);

// The list writing rule: each entry followed by CR LF, in order, at most 10,001 entries. An
// empty entry (a blank line or ",," in a hand-edited file) is kept as an empty line, so the
// entries after it keep their positions, which saved .sft files select needed files by.
// The result is UTF-8; encode it before writing.
std::string formatListFile(const std::vector<std::string>& entries);

constexpr std::size_t kMaxListEntries = 10001;

}  // namespace norvelle
