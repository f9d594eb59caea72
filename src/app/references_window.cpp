// The References window: the list of kept reference traces and what can be done
// with each.
#include "app/references_window.h"

#include "app/main_window.h"
#include "app/suggested_names.h"
#include "session/setting_steps.h"
#include "toolkit/image_export.h"
#include "toolkit/standard_folders.h"
#include "view/export_csv.h"

#include <algorithm>

namespace duruz {

namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;

std::string RowText(const ListedReference& listed, bool shownNow) {
    if (listed.Damaged())
        return listed.name + " (damaged)";
    return listed.name + (shownNow ? " (shown)" : "");
}

} // namespace

ReferencesWindow::ReferencesWindow(MainWindow& main)
    : list(*this), shown(*this, "Shown", false), name(*this, ""), rename(*this, "Rename"),
      remove(*this, "Delete"), exportCsv(*this, "Export CSV\u2026"), message(*this, ""),
      main_(main) {
    SetCaption("References");
    SetFont("Tahoma", 11);
    SetClientSize(560, 3 * kRowHeight + 4 * kMargin);
    list.SetBounds(kMargin, kMargin, 300, kRowHeight - 2);
    shown.SetBounds(2 * kMargin + 300, kMargin, 80, kRowHeight - 2);
    labels_.push_back(std::make_unique<tk::EditBox>(*this, "Name"));
    labels_.back()->MakeLabel(0x000000);
    const int row2 = kMargin * 2 + kRowHeight;
    labels_.back()->SetBounds(kMargin, row2 + 3, 40, kRowHeight - 6);
    name.SetBounds(kMargin + 40, row2, 200, kRowHeight - 2);
    int x = 2 * kMargin + 240;
    for (tk::Button* button : {&rename, &remove, &exportCsv}) {
        button->SetBounds(x, row2, button == &exportCsv ? 100 : 80, kRowHeight);
        x += (button == &exportCsv ? 100 : 80) + kMargin;
    }
    message.MakeLabel(0x0000A0);
    message.SetBounds(kMargin, row2 + kRowHeight + kMargin, 540, kRowHeight - 6);
    list.OnClick = [this] { SelectRow(list.ItemIndex()); };
    shown.OnChange = [this] { ShownChanged(); };
    rename.OnClick = [this] { RenameClick(); };
    remove.OnClick = [this] { DeleteClick(); };
    exportCsv.OnClick = [this] { ExportCsvClick(); };
    Refill();
}

int ReferencesWindow::Selected() const {
    const int row = list.ItemIndex();
    return row >= 0 && row < static_cast<int>(main_.References().size()) ? row : -1;
}

void ReferencesWindow::Refill() {
    const int keep = list.ItemIndex();
    filling_ = true;
    list.Clear();
    for (const ListedReference& listed : main_.References())
        list.Add(RowText(listed, main_.ReferenceShown(listed.path)));
    filling_ = false;
    SelectRow(keep < 0 ? 0 : std::min(keep, list.Count() - 1));
}

void ReferencesWindow::SelectRow(int row) {
    filling_ = true;
    list.SetItemIndex(row);
    const int selected = Selected();
    const ListedReference* listed =
        selected < 0 ? nullptr : &main_.References()[std::size_t(selected)];
    const bool sound = listed != nullptr && !listed->Damaged();
    shown.SetChecked(sound && main_.ReferenceShown(listed->path));
    name.SetText(listed != nullptr ? listed->name : "");
    const std::string& folderProblem = main_.ReferenceFolderProblem();
    message.SetText(!folderProblem.empty() && listed == nullptr
                        ? "The References folder could not be read: " + folderProblem
                    : listed == nullptr ? "No reference kept: \"Save as reference\" keeps one"
                    : listed->Damaged() ? "Damaged: " + listed->damage
                                        : "");
    for (tk::Control* control :
         {static_cast<tk::Control*>(&shown), static_cast<tk::Control*>(&rename),
          static_cast<tk::Control*>(&exportCsv)})
        control->SetEnabled(sound);
    remove.SetEnabled(listed != nullptr);
    filling_ = false;
}

void ReferencesWindow::ShownChanged() {
    const int selected = Selected();
    if (filling_ || selected < 0)
        return;
    main_.ShowReference(main_.References()[std::size_t(selected)].path, shown.Checked());
}

void ReferencesWindow::RenameClick() {
    const int selected = Selected();
    if (selected < 0)
        return;
    const Status renamed = main_.RenameReferenceTo(std::size_t(selected), name.Text());
    if (!renamed.Ok())
        message.SetText("Not renamed: " + renamed.Reason());
}

void ReferencesWindow::DeleteClick() {
    const int selected = Selected();
    if (selected < 0)
        return;
    const Status deleted = main_.DeleteReference(std::size_t(selected));
    if (!deleted.Ok())
        message.SetText("Not deleted: " + deleted.Reason());
}

void ReferencesWindow::ExportCsvClick() {
    const int selected = Selected();
    if (selected < 0 || main_.References()[std::size_t(selected)].Damaged())
        return;
    const ReferenceTrace& reference = main_.References()[std::size_t(selected)].reference;
    std::string file = ReferenceFileName(reference.name);
    file.replace(file.size() - 4, 4, ".csv"); // in place of ".ref"
    const std::string suggested = InFolder(tk::DocumentsFolder(), file);
    const std::string path =
        main_.Environment().askSavePath
            ? main_.Environment().askSavePath("Export reference as CSV", suggested)
            : tk::AskSaveFileName(*this, "Export reference as CSV", suggested, "CSV files (*.csv)");
    if (path.empty())
        return;
    ScopeSettings settings;
    settings.sweepRow = reference.sweepRow;
    for (int c = 0; c < 2; ++c) {
        settings.channels[std::size_t(c)].probeRow = reference.probeRow[c];
        settings.channels[std::size_t(c)].rangeRow = reference.rangeRow[c];
    }
    const CsvExportInfo info = CsvExportInfoOf(settings, settings, LocalTime("%Y-%m-%d %H:%M:%S"),
                                               "Reference " + reference.name);
    const Status written = WriteFrameCsv(path, FrameCsv(reference.frame, info));
    message.SetText(written.Ok() ? "Exported to " + path
                                 : "Could not save " + path + ": " + written.Reason());
}

} // namespace duruz
