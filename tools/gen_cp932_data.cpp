// Writes src/core/text/Cp932Data.inc, the code page 932 tables built into Norvelle, from what the C
// library's CP932 converter reads and writes, and five single bytes that Windows reads and the
// converter rejects. From the top of the source tree:
//
//     cmake --build BUILD --target norvelle_gen_cp932_data
//     BUILD/tools/norvelle_gen_cp932_data > src/core/text/Cp932Data.inc
//
// The program itself never asks the converter: it may be missing (Windows has none, a Linux
// system may lack the module or the file descriptors to load it). A test runs this tool and
// compares its output with the committed file byte for byte.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char32_t kReplacementChar = 0xFFFD;
constexpr char32_t kNone = 0xFFFFFFFF;  // no reading: a lead byte on its own

// Single bytes that Windows reads as characters and writes back as the same bytes, where the
// C library's converter finds them invalid: plugins, lists and software data written on
// Windows may hold them, and must come back from Norvelle as they went in.
constexpr std::pair<unsigned, char32_t> kWindowsSingles[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
};

// Second bytes below this are never part of a character; the data starts its rows here.
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kCellsPerLine = 16;

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const {
        // iconv_open's failure value is (iconv_t)-1, as the C library defines it.
        return m_cd != reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
    }

    // One conversion from a fresh state: the errno it failed with or 0, and the bytes written
    // as long as all of the input was taken.
    int convert(const std::string& in, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buf[16];
        std::string copy = in;
        char* ip = copy.data();
        std::size_t il = copy.size();
        char* op = buf;
        std::size_t ol = sizeof buf;
        const bool failed = iconv(m_cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1);
        out.assign(buf, sizeof buf - ol);
        if (failed) return errno;
        return il == 0 ? 0 : EILSEQ;
    }

private:
    iconv_t m_cd;
};

// What a byte sequence reads as: one character of the BMP, U+FFFD when it is not one whole
// character, kNone when it is only the beginning of one.
char32_t readAs(Converter& decoder, const std::string& bytes) {
    std::string out;
    const int err = decoder.convert(bytes, out);
    if (err == EINVAL) return kNone;
    if (err != 0 || out.size() != 4) return kReplacementChar;
    char32_t cp = 0;
    for (int i = 3; i >= 0; --i) cp = cp << 8 | static_cast<unsigned char>(out[i]);
    const bool bmp = cp < 0x10000 && (cp < 0xD800 || cp > 0xDFFF);
    return bmp ? cp : kReplacementChar;
}

// How the converter writes a character of the BMP: the byte, or lead byte * 256 + second byte;
// 0 when it cannot.
unsigned writtenAs(Converter& encoder, char32_t cp) {
    const std::string in = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8), 0, 0};
    std::string out;
    if (encoder.convert(in, out) != 0) return 0;
    if (out.size() == 1) return static_cast<unsigned char>(out[0]);
    if (out.size() == 2)
        return static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]);
    return 0;
}

// Whether a character is written as an escape: where a reader would not see it (controls, the
// ideographic space, the private use area) or where an editor that normalises Unicode text
// would turn it into another (the angstrom sign, compatibility ideographs).
bool escaped(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x3000 ||
           (cp >= 0x2126 && cp <= 0x212B) || (cp >= 0xE000 && cp < 0xFB00);
}

// A character in a u8"" literal.
std::string literalChar(char32_t cp) {
    char buf[16];
    if (cp == '"' || cp == '\\') return std::string("\\") + static_cast<char>(cp);
    if (escaped(cp)) {
        std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(cp));
        return buf;
    }
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// Cells in lines of 16 u8"" literals, each line marked with the byte of its first cell.
void printCells(const char32_t* cells, unsigned count, unsigned firstByte, const char* indent) {
    for (unsigned i = 0; i < count; i += kCellsPerLine) {
        std::string line = std::string(indent) + "u8\"";
        for (unsigned k = i; k < i + kCellsPerLine && k < count; ++k) line += literalChar(cells[k]);
        std::printf("%s\"  // %02X\n", line.c_str(), firstByte + i);
    }
}

}  // namespace

int main() {
    Converter decoder("UTF-32LE", "CP932");
    Converter encoder("CP932", "UTF-32LE");
    if (!decoder.ok() || !encoder.ok()) {
        std::fprintf(stderr, "gen_cp932_data: the C library has no CP932 converter\n");
        return 1;
    }

    // What every byte 0x80-0xFF, and every lead byte with every second byte, reads as.
    std::array<char32_t, 128> single{};
    std::vector<unsigned> leads;
    std::vector<std::array<char32_t, 256>> rows;
    for (unsigned b = 0x80; b < 0x100; ++b) {
        const char32_t cp = readAs(decoder, std::string(1, static_cast<char>(b)));
        single[b - 0x80] = cp == kNone ? kReplacementChar : cp;
        if (cp != kNone) continue;
        leads.push_back(b);
        std::array<char32_t, 256>& row = rows.emplace_back();
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const std::string pair = {static_cast<char>(b), static_cast<char>(trail)};
            const char32_t read = readAs(decoder, pair);
            row[trail] = read == kNone ? kReplacementChar : read;
            if (trail < kFirstTrail && row[trail] != kReplacementChar) {
                std::fprintf(stderr,
                             "gen_cp932_data: %02X %02X is a character; the tables "
                             "hold none whose second byte is below %02X\n",
                             b, trail, kFirstTrail);
                return 1;
            }
        }
    }

    // Bytes the converter rejects and Windows reads on their own.
    for (const auto& [b, cp] : kWindowsSingles) {
        const bool lead = std::find(leads.begin(), leads.end(), b) != leads.end();
        if (lead || single[b - 0x80] != kReplacementChar) {
            std::fprintf(stderr,
                         "gen_cp932_data: the converter reads %02X as a character or a lead "
                         "byte; Windows reads it on its own\n",
                         b);
            return 1;
        }
        single[b - 0x80] = cp;
    }

    // The sequences that read as each character, lowest first: single bytes, then pairs.
    // A character that several read as is written as the converter writes it (as long as
    // that reads back), which is not always the lowest; the program writes the lowest
    // unless the data says otherwise.
    std::vector<std::vector<unsigned>> sequences(0x10000);
    for (unsigned b = 0x80; b < 0x100; ++b)
        if (single[b - 0x80] != kReplacementChar) sequences[single[b - 0x80]].push_back(b);
    for (std::size_t r = 0; r < leads.size(); ++r)
        for (unsigned trail = 0; trail < 0x100; ++trail)
            if (rows[r][trail] != kReplacementChar)
                sequences[rows[r][trail]].push_back(leads[r] << 8 | trail);
    std::vector<std::pair<unsigned, char32_t>> preferred;  // the sequence, its character
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        const std::vector<unsigned>& seqs = sequences[cp];
        if (seqs.size() < 2) continue;
        const unsigned chosen = writtenAs(encoder, cp);
        bool readsBack = false;
        for (const unsigned s : seqs) readsBack = readsBack || s == chosen;
        if (readsBack && chosen != seqs.front()) preferred.emplace_back(chosen, cp);
    }
    std::sort(preferred.begin(), preferred.end());

    std::printf(
        "// Generated by tools/gen_cp932_data.cpp from the C library's CP932 converter and the "
        "single\n// bytes Windows reads where the converter does not; do not edit by hand.\n\n");
    std::printf("// Bytes 0x80-0xFF on their own.\n");
    std::printf("constexpr std::u8string_view kSingleBytes =\n");
    printCells(single.data(), 128, 0x80, "    ");
    std::printf("    ;\n\n");
    std::printf("// Each lead byte with a second byte 0x%02X-0xFF.\n", kFirstTrail);
    std::printf("constexpr LeadRow kLeadRows[] = {\n");
    for (std::size_t r = 0; r < leads.size(); ++r) {
        std::printf("    {0x%02X,\n", leads[r]);
        printCells(rows[r].data() + kFirstTrail, 0x100 - kFirstTrail, kFirstTrail, "     ");
        std::printf("    },\n");
    }
    std::printf("};\n\n");
    std::printf("// Written for their character although a lower sequence reads as it too.\n");
    std::printf("constexpr std::uint16_t kPreferredSequences[] = {\n");
    // Eight to a line, their characters in a comment after them.
    for (std::size_t i = 0; i < preferred.size(); i += 8) {
        std::string line = "   ";
        std::string chars;
        for (std::size_t k = i; k < i + 8 && k < preferred.size(); ++k) {
            char buf[16];
            std::snprintf(buf, sizeof buf, " 0x%04X,", preferred[k].first);
            line += buf;
            chars += literalChar(preferred[k].second);
        }
        std::printf("%-68s // %s\n", line.c_str(), chars.c_str());
    }
    std::printf("};\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
