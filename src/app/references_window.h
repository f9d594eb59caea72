#pragma once

#include "toolkit/form.h"

#include <memory>
#include <string>
#include <vector>

namespace duruz {

class MainWindow;

// The reference traces kept beside Config.Ini: one row a reference, damaged files
// marked with their reason; the selected one is shown or hidden, renamed, deleted
// or exported as a frame CSV.
class ReferencesWindow : public tk::Form {
public:
    explicit ReferencesWindow(MainWindow& main);

    // Lists the main window's references again, keeping the row selected when it can.
    void Refill();
    void SelectRow(int row);
    void ShownChanged();
    void RenameClick();
    void DeleteClick();
    void ExportCsvClick();

    tk::ListBox list;
    tk::CheckBox shown;
    tk::EditBox name;
    tk::Button rename;
    tk::Button remove;
    tk::Button exportCsv;
    tk::EditBox message; // the selected file's damage, or the last failure

private:
    // The selected row's listing index, or -1.
    int Selected() const;

    MainWindow& main_;
    std::vector<std::unique_ptr<tk::EditBox>> labels_;
    bool filling_ = false; // the controls are being set by code, not the user
};

} // namespace duruz
