#pragma once

#include "core/document/SoftwareData.h"
#include "core/lists/RegisteredLists.h"

#include <string>
#include <vector>

namespace norvelle::test {

// A form with everything that is easy to get wrong on the way through a .sft file and a
// plugin: quotes, commas, leading blanks, a tab, the yen sign of the fee, "unknown...",
// a marker inside a value, and needed files from Needfiles.dat (the second fixed one and the
// last registered one selected).
inline SoftwareData trickyForm(const std::vector<std::string>& registered) {
    SoftwareData d;
    d.softwareName = "\"引用\", 1";
    d.version = "Ver ";
    d.copyright = "  山田\t太郎";
    d.environment = "Windows 95/98/Me/2000";
    d.testedOn = "unknown...";
    d.redistribution = "[$ソフト名]";
    d.softwareType = "シェアウエア";
    d.fee = "\\";
    d.homePage = "http://";
    d.additional = {"ソ", "ー", "", "〜"};  // the wave dash goes to its Windows look-alike
    for (const std::string& name : kFixedNeededFiles) d.neededFiles.push_back({name, false});
    for (const std::string& name : registered) d.neededFiles.push_back({name, false});
    d.neededFiles[1].selected = true;
    d.neededFiles.back().selected = true;
    return d;
}

}  // namespace norvelle::test
