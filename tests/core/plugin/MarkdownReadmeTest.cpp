#include "core/plugin/MarkdownReadme.h"

#include "core/plugin/PluginStream.h"

#include <gtest/gtest.h>

#include <string>

namespace norvelle {
namespace {

// The layout of a Markdown Readme, for plugins that are not the shipped one: the shipped
// plugin is read by outside Markdown readers and markdownlint (tests/cli/markdown_plugin.sh).
TEST(MarkdownReadme, EmptyFieldsLeaveNoTraceAndTheAuthorsTextPassesAsWritten) {
    SoftwareData full;
    full.softwareName = "*x*";
    full.version = "Ver 1.0";
    full.email = " a@example.jp ";
    full.homePage = "http://";
    full.additional = {"\r\n  \r\n**a**\r\n\r\n- b\r\n\r\n", "", "", ""};
    const SoftwareData empty;
    SoftwareData versionOnly;
    versionOnly.version = "Ver 1.0";
    const struct {
        std::string plugin;
        const SoftwareData& data;
        std::string readme;
    } rows[] = {
        // One blank where an empty name stood, none after the version or the "#".
        {"#  [$ソフト名] [$バージョン] \r\n", empty, ""},
        {"# [$ソフト名] [$バージョン]\r\n", versionOnly, "# Ver 1.0\r\n"},
        {"# [$ソフト名] [$バージョン]\r\n", full, "# \\*x\\* Ver 1.0\r\n"},
        // A section with nothing in it goes, with the sections under it; its blank lines
        // come to one.
        {"# T\r\n\r\n## A\r\n\r\n### B\r\n\r\n- [$email]\r\n\r\n## C\r\n\r\ntext\r\n", empty,
         "# T\r\n\r\n## C\r\n\r\ntext\r\n"},
        {"## A\r\n\r\n- [$email]\r\n", empty, ""},
        // The author's text without its empty first and last lines, Markdown and all; no
        // empty line first or last, none twice.
        {"\r\n\r\n[$add1]\r\n\r\n[$add2]\r\n\r\n\r\nend  \r\n\r\n", full,
         "**a**\r\n\r\n- b\r\n\r\nend\r\n"},
        // An address is a link, the preset "http://" is not; an unknown marker is text.
        {"- [$email] [$hp]\r\n- [$Email]\r\n", full, "- <a@example.jp> http://\r\n- [$Email]\r\n"},
        // A code block is the plugin's own, as written.
        {"```\r\n\r\n\r\n# [$email] \r\n```\r\n\r\n\r\nx\r\n", empty,
         "```\r\n\r\n\r\n#  \r\n```\r\n\r\nx\r\n"},
    };
    for (const auto& row : rows) {
        for (const std::size_t blockSize : {kPluginBlockSize, std::size_t{8}}) {
            RenderOptions options;
            options.pluginEncoding = options.readmeEncoding = TextEncoding::Utf8;
            options.markdown = true;
            options.blockSize = blockSize;
            options.flushSize = blockSize;
            std::string readme;
            RenderSinks sinks;
            sinks.write = [&readme](std::string_view bytes) {
                readme.append(bytes);
                return std::error_code();
            };
            const RenderResult r = renderReadme(pluginSource(row.plugin), row.data, options, sinks);
            EXPECT_EQ(r.status, RenderResult::Status::Written);
            EXPECT_EQ(readme, row.readme) << row.plugin << " in blocks of " << blockSize;
        }
    }
}

}  // namespace
}  // namespace norvelle
