// Reading items from any text terminates, and a list written by the program reads back as
// the same entries when they hold no separator, quote or leading space.
#include "core/text/Items.h"
#include "core/text/Cp932.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text =
        norvelle::decodeCp932({reinterpret_cast<const char*>(data), size});
    const auto items = norvelle::readItems(text);
    if (items.size() > text.size() + 1) std::abort();
    const auto few = norvelle::readItems(text, 3);
    if (few.size() > 3) std::abort();
    for (std::size_t i = 0; i < few.size(); ++i)
        if (few[i] != items[i]) std::abort();

    // Each item quoted by the program reads back whole.
    for (const auto& item : items) {
        if (item.find_first_of("\r\n") != std::string::npos) continue;
        const auto back = norvelle::readItems(norvelle::quoteItem(item));
        if (back.size() != 1 || back[0] != item) std::abort();
    }
    return 0;
}
