#include "plugin/ExpandPlugin.h"
#include "sftfile/SoftwareDataFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace norvelle {
namespace {

using test::readBytes;
using test::sjis;
using test::writeBytes;

struct Child {
    int code;
    std::string out;
    std::string err;
};

// Runs the built norvelle-cli in the test's folder, its output caught in files.
Child run(const std::string& args) {
    const std::string command =
        std::string("'") + NORVELLE_CLI + "' " + args + " >stdout.bin 2>stderr.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes("stdout.bin"),
            readBytes("stderr.txt")};
}

TEST(CliProcess, TheProgramWritesRawBytesAndExitsAsDocumented) {
    test::TempDir dir;
    Child c = run("--version");
    EXPECT_EQ(c.code, 0);
    EXPECT_EQ(c.out, "norvelle-cli (Norvelle) 2.06\n");
    c = run("");
    EXPECT_EQ(c.code, 2);
    EXPECT_EQ(c.err.find('\n'), c.err.size() - 1);

    // Standard output carries the Readme's bytes unchanged: CR alone, "\" bytes, no BOM.
    SoftwareData form;
    form.softwareName = "ソフト";
    form.fee = "\\500";
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile(form, "2.06")).bytes);
    const std::string plugin = sjis("[$ソフト名]\r[$シェア]\r\nソー[$\r\n");
    writeBytes("p.spd", plugin);
    c = run("render --data data.sft --plugin p.spd");
    EXPECT_EQ(c.code, 0) << c.err;
    EXPECT_EQ(c.out, encodeCp932(expandTemplate(decodeCp932(plugin), form) + "\r\n").bytes);

    // A failed command leaves standard output empty.
    writeBytes("bad.spd", "\x81\x20" + sjis("[$ソフト名]\r\n"));
    c = run("render --data data.sft --plugin bad.spd");
    EXPECT_EQ(c.code, 3);
    EXPECT_EQ(c.out, "");
    c = run("render --data data.sft --plugin missing.spd");
    EXPECT_EQ(c.code, 4);
    EXPECT_EQ(c.err, "norvelle-cli: missing.spd: cannot read: No such file or directory\n");
}

}  // namespace
}  // namespace norvelle
