// The trace menu's reference items: a frame kept as a reference, from the screen or
// a frame CSV export, the References window, and the shown ones handed to the screen.
#include "app/main_window.h"
#include "app/references_window.h"

#include <algorithm>
#include <filesystem>

namespace duruz {

void MainWindow::AddReferenceItems() {
    traceMenu_.Add("Save as reference", "Ctrl+Shift+R", [this] { SaveReferenceClick(); });
    traceMenu_.Add("Load reference from CSV\u2026", "", [this] { LoadReferenceCsvClick(); });
    traceMenu_.Add("References\u2026", "", [this] { OpenReferencesWindow(); });
}

void MainWindow::SaveReferenceClick() {
    const FrameOnScreen shown = FrameShown();
    ReferenceTrace reference;
    if (shown.averaged != nullptr) {
        reference.frame = *shown.averaged;
    } else {
        for (std::size_t i = 0; i < kSamplePairs; ++i)
            for (int c = 0; c < 2; ++c)
                reference.frame.samples[2 * i + std::size_t(c)] = shown.frame.Sample(i, c);
        reference.frame.pointCount = FramePoints(shown.frame);
        reference.frame.frames = 1;
    }
    // Scaled as the screen draws it: the live probes, the frame's own ranges.
    for (std::size_t c = 0; c < 2; ++c) {
        reference.probeRow[c] = shown.live.channels[c].probeRow;
        reference.rangeRow[c] = shown.captured.channels[c].rangeRow;
    }
    reference.sweepRow = shown.captured.sweepRow;
    ListReferencesAgain(false);
    reference.name = UnusedReferenceName(references_);
    KeepReference(std::move(reference),
                  shown_.Active()
                      ? "frame " + std::to_string(shown_.frame + 1) + " of the recording"
                  : shown.averaged != nullptr ? "the average on screen"
                                              : "the frame on screen");
}

void MainWindow::LoadReferenceCsvClick() {
    const std::string path = AskOpenPath("Load reference from a frame CSV export");
    if (path.empty())
        return;
    Result<ReferenceTrace> reference = ReadReferenceFromCsv(path);
    if (!reference.Ok())
        return ShowError("Could not load " + path + " as a reference:\n" + reference.Reason());
    KeepReference(reference.Take(), path);
}

void MainWindow::KeepReference(ReferenceTrace reference, const std::string& source) {
    const std::string folder = ReferenceFolderBeside(environment_.configPath);
    if (const Status saved = SaveReference(folder, reference); !saved.Ok())
        return ShowError("Could not keep a reference:\n" + saved.Reason());
    shownReferences_.insert(
        (std::filesystem::path(folder) / ReferenceFileName(reference.name)).string());
    status.memo.Add("Reference \"" + reference.name + "\" kept from " + source);
    KeepShownReferences();
    ListReferencesAgain();
}

// The folder is read again: files may have come or gone since.
void MainWindow::OpenReferencesWindow() {
    if (referencesWindow_ == nullptr)
        referencesWindow_ = std::make_unique<ReferencesWindow>(*this);
    ListReferencesAgain(false);
    referencesWindow_->ShowAndRaise();
}

void MainWindow::ShowReference(const std::string& path, bool shown) {
    if (shown)
        shownReferences_.insert(path);
    else
        shownReferences_.erase(path);
    KeepShownReferences();
    ListReferencesAgain();
}

Status MainWindow::RenameReferenceTo(std::size_t index, const std::string& newName) {
    const ListedReference listed = references_.at(index);
    const std::string folder = ReferenceFolderBeside(environment_.configPath);
    const Status renamed = RenameReference(folder, listed, newName);
    if (renamed.Ok() && shownReferences_.erase(listed.path) > 0) {
        shownReferences_.insert(
            (std::filesystem::path(folder) / ReferenceFileName(newName)).string());
        KeepShownReferences();
    }
    ListReferencesAgain();
    return renamed;
}

Status MainWindow::DeleteReference(std::size_t index) {
    const std::string path = references_.at(index).path;
    const Status deleted = DeleteReferenceFile(path);
    if (deleted.Ok() && shownReferences_.erase(path) > 0)
        KeepShownReferences();
    ListReferencesAgain();
    return deleted;
}

// A file that was there but could not be read shows none and is not written over,
// so what it holds is not lost.
void MainWindow::LoadShownReferences() {
    const std::string folder = ReferenceFolderBeside(environment_.configPath);
    Result<std::set<std::string>> names = duruz::LoadShownReferences(folder);
    shownFileProblem_ = names.Ok() ? std::string() : names.Reason();
    shownReferences_.clear();
    if (!names.Ok()) {
        session_.AddLine("References/" + std::string(kShownReferencesFile) +
                         " could not be read (" + shownFileProblem_ +
                         "): no reference is shown; the file is kept as it is");
        return;
    }
    for (const std::string& name : names.Value())
        shownReferences_.insert((std::filesystem::path(folder) / name).string());
}

// Written at each change, so that a crash loses none.
void MainWindow::KeepShownReferences() {
    const std::string file = "References/" + std::string(kShownReferencesFile);
    if (!shownFileProblem_.empty()) {
        if (!shownFileWarned_)
            status.memo.Add(file + " could not be read at start: which references are shown "
                                   "is not kept");
        shownFileWarned_ = true;
        return;
    }
    std::set<std::string> names;
    for (const std::string& path : shownReferences_)
        names.insert(std::filesystem::path(path).filename().string());
    const Status saved = SaveShownReferences(ReferenceFolderBeside(environment_.configPath), names);
    if (!saved.Ok())
        status.memo.Add(file + " could not be saved: " + saved.Reason());
}

void MainWindow::ListReferencesAgain(bool redraw) {
    std::string problem;
    references_ = ListReferences(ReferenceFolderBeside(environment_.configPath), &problem);
    // Said once, not at every listing while it lasts.
    if (!problem.empty() && problem != referenceFolderProblem_)
        status.memo.Add("The References folder could not be read: " + problem);
    referenceFolderProblem_ = problem;
    referenceDrawings_.clear();
    for (const ListedReference& listed : references_) {
        if (listed.Damaged() || !shownReferences_.contains(listed.path))
            continue;
        ReferenceDrawing drawing;
        drawing.frame = &listed.reference.frame;
        std::copy_n(listed.reference.probeRow, 2, drawing.probeRow);
        std::copy_n(listed.reference.rangeRow, 2, drawing.rangeRow);
        referenceDrawings_.push_back(drawing);
    }
    if (referencesWindow_ != nullptr)
        referencesWindow_->Refill();
    if (redraw)
        RedrawScreen();
}

} // namespace duruz
