// norvelle-cli show: the fields of a software data file, as text and as JSON.

#include "cli/CliTestSupport.h"
#include "cli/Json.h"

#include "support/SampleForms.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvelle::cli {
namespace {

using test::sjis;
using test::trickyForm;
using test::writeBytes;

// A JSON reader just big enough for what `show --json` prints: objects, arrays, strings,
// whole numbers. It throws on anything else, so a malformed document fails the test.
struct Json {
    std::string text;  // a string, or a number as written
    std::vector<Json> items;
    std::map<std::string, Json> fields;
};

struct JsonReader {
    std::string_view s;
    std::size_t at = 0;

    char next(bool skipSpace = true) {
        while (skipSpace && at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
        if (at >= s.size()) throw std::runtime_error("unexpected end");
        return s[at];
    }
    void take(char c) {
        if (next() != c) throw std::runtime_error(std::string("expected ") + c);
        ++at;
    }
    Json value() {
        Json v;
        const char c = next();
        if (c == '{' || c == '[') {
            ++at;
            for (bool first = true; next() != (c == '{' ? '}' : ']'); first = false) {
                if (!first) take(',');
                if (c == '[') {
                    v.items.push_back(value());
                    continue;
                }
                const std::string key = value().text;
                take(':');
                v.fields[key] = value();
            }
            ++at;
        } else if (c == '"') {
            for (++at; next(false) != '"'; ++at) {
                if (static_cast<unsigned char>(s[at]) < 0x20) throw std::runtime_error("control");
                if (s[at] != '\\') {
                    v.text += s[at];
                } else if (const auto e = std::string_view("\"\\/bfnrt").find(s[++at]);
                           e != std::string_view::npos) {
                    v.text += "\"\\/\b\f\n\r\t"[e];
                } else if (s[at] == 'u' && s.substr(at + 1, 2) == "00") {
                    v.text +=
                        static_cast<char>(std::stoi(std::string(s.substr(at + 3, 2)), nullptr, 16));
                    at += 4;
                } else {
                    throw std::runtime_error("bad escape");
                }
            }
            ++at;
        } else {
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])))
                v.text += s[at++];
            if (v.text.empty()) throw std::runtime_error("unexpected character");
        }
        return v;
    }
    Json document() {
        Json v = value();
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
        if (at != s.size()) throw std::runtime_error("text after the value");
        return v;
    }
};

TEST_F(Cli, ShowPrintsTheFieldsWithTheirLabels) {
    writeBytes("Needfiles.dat", sjis("登録.DLL\r\n"));
    SoftwareData form = trickyForm({"登録.DLL"});
    form.email = "a\\b\x01\u0080";  // U+0080 is 0x80 in the file, and a C1 control
    writeSoftwareData("data.sft", form);

    const Outcome text = cli({"show", "--data", "data.sft"});
    EXPECT_EQ(text.code, kExitOk);
    const std::vector<std::string> shown = lines(text.out);
    ASSERT_EQ(shown.size(), 17u);
    EXPECT_EQ(shown[0], "Norvelle Ver 2.06");
    EXPECT_EQ(shown[8], "ｼｪｱｳｴｱ代金    \\");  // labels of any width line up
    EXPECT_EQ(shown[9], "Eﾒｰﾙｱﾄﾞﾚｽ     a\\b\\x01\\xC2\\x80");
    EXPECT_EQ(shown[11], "必要ﾌｧｲﾙ      Direct X 7.0");
    EXPECT_EQ(shown[12], "              登録.DLL");

    const Outcome json = cli({"show", "--json", "--data", "data.sft"});
    EXPECT_EQ(json.code, kExitOk);
    const Json doc = JsonReader{json.out}.document();
    const std::map<std::string, std::string> expected = {{"file", "data.sft"},
                                                         {"fileVersion", "Norvelle Ver 2.06"},
                                                         {"softwareName", form.softwareName},
                                                         {"version", form.version},
                                                         {"copyright", form.copyright},
                                                         {"environment", form.environment},
                                                         {"testedOn", form.testedOn},
                                                         {"redistribution", form.redistribution},
                                                         {"softwareType", form.softwareType},
                                                         {"fee", form.fee},
                                                         {"email", form.email},
                                                         {"homePage", form.homePage}};
    EXPECT_EQ(doc.fields.size(), expected.size() + 2);
    for (const auto& [key, value] : expected) EXPECT_EQ(doc.fields.at(key).text, value) << key;
    const std::vector<Json>& needed = doc.fields.at("neededFiles").items;
    ASSERT_EQ(needed.size(), 2u);
    EXPECT_EQ(needed[0].fields.at("position").text, "1");
    EXPECT_EQ(needed[1].fields.at("name").text, "登録.DLL");
    ASSERT_EQ(doc.fields.at("additional").items.size(), 4u);
    EXPECT_EQ(doc.fields.at("additional").items[3].text, decodeCp932(sjis("〜")));

    // Every control character comes back as it went in.
    std::string all;
    for (char c = 1; c < 0x20; ++c) all += c;
    all += "\"\\/ソ";
    EXPECT_EQ(JsonReader{jsonString(all)}.document().text, all);
    // A file name need not be UTF-8; the JSON stays UTF-8 all the same, one U+FFFD a byte.
    const std::string notUtf8 = jsonString(
        "a\xFF\xE3\x81"
        "b\xED\xA0\x80");
    EXPECT_EQ(JsonReader{notUtf8}.document().text, "a\uFFFD\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFD");
}

}  // namespace
}  // namespace norvelle::cli
