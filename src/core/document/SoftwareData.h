#pragma once

#include <array>
#include <string>
#include <vector>

namespace norvelle {

// One entry of the needed-files list, with its selection.
struct NeededFile {
    std::string name;
    bool selected = false;

    bool operator==(const NeededFile&) const = default;
};

// A plain snapshot of the form: the main window hands it over whenever a command needs the
// fields (saving, expanding a plugin). Texts are UTF-8, exactly as the controls hold them.
struct SoftwareData {
    std::string softwareName;               // Text2(0)  ソフト名
    std::string version;                    // Text2(1)  ﾊﾞｰｼﾞｮﾝ
    std::string copyright;                  // Text2(2)  著作権
    std::string environment;                // Combo1(0) 動作環境
    std::string testedOn;                   // Combo1(1) 動作確認
    std::string redistribution;             // Combo1(2) 転載
    std::string softwareType;               // Combo1(3) ソフトの種別
    std::string fee;                        // Text2(4)  ｼｪｱｳｴｱ代金
    std::string email;                      // Combo1(4) Eﾒｰﾙｱﾄﾞﾚｽ
    std::string homePage;                   // Combo1(5) ﾎｰﾑﾍﾟｰｼﾞ
    std::array<std::string, 4> additional;  // Text1(0) .. Text1(3) 追加項目1..4
    std::vector<NeededFile> neededFiles;    // List1 必要ﾌｧｲﾙ, in list order

    bool operator==(const SoftwareData&) const = default;
};

}  // namespace norvelle
