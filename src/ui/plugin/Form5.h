#pragma once

#include "core/document/SoftwareData.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace norvelle {

class Platform;
struct AppState;

// The plugin selection dialog: lists the plugins of the program's folder, previews the raw
// text of the one selected and, on OK, shows it expanded in the preview window.
class Form5 : public QDialog {
    Q_OBJECT

public:
    // `softwareData` gives the main window's fields at the moment OK is pressed.
    Form5(Platform& platform, AppState& state, std::function<SoftwareData()> softwareData,
          QWidget* parent = nullptr);
    ~Form5() override;

    QLabel* Label1() const { return m_label1; }
    QListWidget* List1() const { return m_list1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label3() const { return m_label3; }
    QPushButton* Command1() const { return m_command1; }

    // Fills the plugin list from the program's folder. Runs on creation.
    void Form_Load();
    // Shows the raw text of the selected plugin and makes the program's folder the working
    // directory.
    void List1_Click();
    // Expands the selected plugin and shows it in the preview window.
    void Command1_Click();

    // The preview shows at most this many lines of a plugin, each cut after this many
    // characters: the area shows a few dozen, and laying out megabytes of text in a label
    // would make the dialog stall.
    static constexpr int kPreviewLines = 300;
    static constexpr int kPreviewLineLength = 400;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString pluginFile(const QListWidgetItem* item);
    QListWidgetItem* selectedItem() const;

    Platform& m_platform;
    AppState& m_state;
    std::function<SoftwareData()> m_softwareData;
    QLabel* m_label1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label2 = nullptr;
    QPushButton* m_command1 = nullptr;
    bool m_previewedSincePress = false;
};

}  // namespace norvelle
