#include "core/text/Items.h"

#include <algorithm>

namespace norvelle {

namespace {

// Reads a quoted item from just after its opening quote; returns where reading stopped:
// at the separator after the item, at a line end or at the end of the text.
std::size_t readQuoted(std::string_view text, std::size_t i, std::string& item) {
    const std::size_t n = text.size();
    for (;;) {
        const std::size_t stop = text.find_first_of("\"\r\n", i);
        if (stop == std::string_view::npos) {
            // Never closed: the item runs to the end of the text.
            item.append(text.substr(i));
            return n;
        }
        item.append(text.substr(i, stop - i));
        if (text[stop] != '"') return stop;  // never closed: the item ends with its line
        if (stop + 1 < n && text[stop + 1] == '"') {
            item.push_back('"');
            i = stop + 2;
            continue;
        }
        // Closed. Whatever follows up to the next separator is dropped.
        const std::size_t next = text.find_first_of(",\r\n", stop + 1);
        return next == std::string_view::npos ? n : next;
    }
}

}  // namespace

std::vector<std::string> readItems(std::string_view text, std::size_t maxItems) {
    std::vector<std::string> items;
    const std::size_t n = text.size();
    if (n == 0 || maxItems == 0) return items;

    std::size_t i = 0;
    for (;;) {
        while (i < n && text[i] == ' ') ++i;
        std::string item;
        if (i < n && text[i] == '"') {
            i = readQuoted(text, i + 1, item);
        } else {
            std::size_t stop = text.find_first_of(",\r\n", i);
            if (stop == std::string_view::npos) stop = n;
            item.assign(text.substr(i, stop - i));
            i = stop;
        }
        items.push_back(std::move(item));
        if (items.size() >= maxItems || i >= n) break;

        if (text[i] == ',') {
            ++i;  // another item follows, even at the end of a line or of the text
            continue;
        }
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        ++i;
        if (i >= n) break;  // a final line break ends the text, not another item
    }
    return items;
}

std::string quoteItem(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('"');
    for (char c : text) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

std::string formatListFile(const std::vector<std::string>& entries) {
    const std::size_t count = std::min(entries.size(), kMaxListEntries);
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i) size += entries[i].size() + 2;
    std::string file;
    file.reserve(size);
    for (std::size_t i = 0; i < count; ++i) {
        file += entries[i];
        file += "\r\n";
    }
    return file;
}

}  // namespace norvelle
