#pragma once

#include "core/document/AppState.h"
#include "core/document/SoftwareData.h"
#include "core/document/SoftwareDataFile.h"
#include "ui/app/SoftwareDataCommands.h"
#include "ui/lists/ListStorage.h"

#include <QMainWindow>
#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace norvelle {

class Platform;
class RegistrationDialog;

// The main window: the form that holds the software data, the menu bar and the caption.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    Form1(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~Form1() override;

    // The fields. Text2 has the elements 0, 1, 2 and 4 (the fee box); there is no Text2(3).
    QLineEdit* Text2(int index) const;
    QComboBox* Combo1(int index) const { return m_combo1.at(index); }
    QLineEdit* Text1(int index) const { return m_text1.at(index); }
    QListWidget* List1() const { return m_list1; }
    QLabel* Label1(int index) const { return m_label1.at(index); }
    QLabel* Label4(int index) const { return m_label4.at(index); }
    QLabel* Label2() const { return m_label2; }

    // The fields at this moment, as plain data, and the other way round.
    SoftwareData softwareData() const;
    void setSoftwareData(const SoftwareData& data);

    // Loads a software data file chosen outside the load command's dialog, as that command
    // loads it.
    void openDocument(const std::string& path);
    // The save command; Exit and closing save this way too.
    SaveOutcome saveDocument();

    // Start-up: presets, registered lists, copyright holder, caption. Run on creation and by
    // New.
    void Form_Load();

    // The caption: TitlePrefix, " - ", then the document title.
    void setDocumentTitle(const QString& title);

    // Menu commands.
    void sink_Click();
    void softl_Click();
    void softs_Click();
    void syuu_Click();
    void m_Click();
    void email_Click();
    void hpr_Click();
    void tyo_Click();
    void hitu_Click();
    void wizard_Click();
    void html_Click();
    void vvv_Click();

    // The software type rule: the fee field is enabled exactly while the type reads
    // "シェアウエア". Runs on every change of any Combo1 element.
    void Combo1_Change(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A software data file dropped anywhere on the window opens as the load command opens it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFields();
    std::array<QWidget*, kSoftwareDataFieldCount> fieldControls() const;
    void showLoadedDocument(const SoftwareData& loaded);
    void refreshRegisteredLists(CutWarning warning);
    void showRegistration(RegistrationDialog& dialog);
    void buildMenus();
    QAction* addMenuCommand(QMenu* menu, const char* name, const QString& caption,
                            void (Form1::*handler)());

    Platform& m_platform;
    AppState& m_state;

    std::array<QLineEdit*, 5> m_text2{};  // element 3 stays null
    std::array<QComboBox*, 6> m_combo1{};
    std::array<QLineEdit*, 4> m_text1{};
    std::array<QLabel*, 10> m_label1{};
    std::array<QLabel*, 4> m_label4{};
    QListWidget* m_list1 = nullptr;
    QLabel* m_label2 = nullptr;

    // Exit is ending the program: the window then closes without asking again.
    bool m_ending = false;
};

// Small helpers for the form's combo boxes.
void clearCombo(QComboBox* combo);  // empties the list and the text
void setEditText(QComboBox* combo, const QString& text);  // and shows the text from its start

}  // namespace norvelle
