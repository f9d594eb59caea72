// The cursors over the trace area: the trace menu's switches, the mouse's drag, the
// keys of cursor mode, the lines and readouts on each redraw, and Cursors.ini.
#include "app/main_window.h"

#include "base/whole_file_writer.h"
#include "session/cursor_file.h"

namespace duruz {

namespace {

// The items' captions, in the order added; the switches carry a check mark instead.
std::array<std::string, 5> CursorCaptions(const CursorSettings& c) {
    return {"Time cursors", "Voltage cursors",
            std::string("Voltage cursors read Ch") + (c.voltChannel == 0 ? "1" : "2"),
            "Frequency cursor", "Cursor mode (arrow keys)"};
}

} // namespace

void MainWindow::AddCursorItems() {
    traceMenu_.BeginSubmenu("Cursors");
    cursorItems_ = traceMenu_.Count();
    const auto captions = CursorCaptions(cursors_);
    traceMenu_.Add(captions[0], "Ctrl+T",
                   [this] { ChangeCursors([](CursorSettings& c) { c.timeOn = !c.timeOn; }); });
    traceMenu_.Add(captions[1], "Ctrl+Shift+V",
                   [this] { ChangeCursors([](CursorSettings& c) { c.voltOn = !c.voltOn; }); });
    traceMenu_.Add(captions[2], "Ctrl+Shift+C", [this] {
        ChangeCursors([](CursorSettings& c) { c.voltChannel = 1 - c.voltChannel; });
    });
    traceMenu_.Add(captions[3], "Ctrl+Shift+F", [this] {
        ChangeCursors([](CursorSettings& c) { c.frequencyOn = !c.frequencyOn; });
    });
    traceMenu_.Add(captions[4], "Ctrl+K", [this] {
        cursorMode_ = !cursorMode_;
        if (cursorMode_)
            FocusFreeArea(); // the arrow keys move the cursors at once
        ChangeCursors([](CursorSettings&) {});
    });
    traceMenu_.Add("Select next cursor", "Ctrl+Shift+K", [this] {
        selectedCursor_ = NextCursor(cursors_, CursorScreenNow(), selectedCursor_);
        RedrawScreen();
    });
    traceMenu_.EndSubmenu();
    ShowCursorCaptions();
    // The keys go to the cursors in cursor mode and to a recording shown otherwise.
    OnKey = [this](tk::Key key) { TraceAreaKey(key, false); };
    OnShiftKey = [this](tk::Key key) { TraceAreaKey(key, true); };
    OnLeftPress = [this](int x, int y) { return CursorPress(x, y); };
    OnDrag = [this](int x, int y) { CursorDrag(x, y); };
    OnDragEnd = [this](int x, int y) {
        CursorDrag(x, y);
        draggedCursor_ = CursorId::None;
    };
}

void MainWindow::ChangeCursors(const std::function<void(CursorSettings&)>& change) {
    change(cursors_);
    ShowCursorCaptions();
    if (!CursorShown(cursors_, CursorScreenNow(), selectedCursor_))
        selectedCursor_ = NextCursor(cursors_, CursorScreenNow(), CursorId::None);
    RedrawScreen();
}

void MainWindow::ShowCursorCaptions() {
    traceMenu_.SetCaption(cursorItems_ + 2, CursorCaptions(cursors_)[2]);
    traceMenu_.SetChecked(cursorItems_, cursors_.timeOn);
    traceMenu_.SetChecked(cursorItems_ + 1, cursors_.voltOn);
    traceMenu_.SetChecked(cursorItems_ + 3, cursors_.frequencyOn);
    traceMenu_.SetChecked(cursorItems_ + 4, cursorMode_);
}

CursorScreen MainWindow::CursorScreenNow() const {
    const FrameOnScreen shown = FrameShown();
    CursorScreen screen;
    screen.area = screen_.plot;
    screen.xyMode = IsXyMode(shown.captured.sweepRow);
    screen.spectrum = shown.live.channels[0].spectrum || shown.live.channels[1].spectrum;
    return screen;
}

// Over the picture just drawn, and the readouts of the frame it shows.
void MainWindow::DrawCursorsAndReadouts() {
    const CursorScreen screen = CursorScreenNow();
    cursorReadouts_.clear();
    if (!cursors_.AnyOn())
        return;
    DrawCursors(GetCanvas(), cursors_, screen, cursorMode_ ? selectedCursor_ : CursorId::None);
    const FrameOnScreen shown = FrameShown();
    CursorReadoutInputs in;
    for (std::size_t c = 0; c < 2; ++c) {
        in.probeRow[c] = shown.live.channels[c].probeRow;
        in.rangeRow[c] = shown.captured.channels[c].rangeRow;
        in.shown[c] = shown.live.channels[c].shown;
        in.spectrum[c] = shown.live.channels[c].spectrum;
    }
    cursorReadouts_ = shown.averaged != nullptr
                          ? CursorReadouts(cursors_, screen, in, *shown.averaged, screen_.scratch)
                          : CursorReadouts(cursors_, screen, in, shown.frame, screen_.scratch);
    DrawCursorReadouts(GetCanvas(), screen.area, cursorReadouts_);
}

// In cursor mode the arrows move the cursors, but while a recording is shown Left
// and Right step its frames; Escape leaves cursor mode when no recording is shown.
void MainWindow::TraceAreaKey(tk::Key key, bool shift) {
    if (cursorMode_) {
        const bool sideways = key == tk::Key::Left || key == tk::Key::Right;
        const bool upright = key == tk::Key::Up || key == tk::Key::Down;
        if ((upright || (sideways && !shown_.Active())) && MoveCursorWithKey(key, shift))
            return;
        if (key == tk::Key::Escape && !shift && !shown_.Active()) {
            traceMenu_.Choose(cursorItems_ + 4);
            return;
        }
    }
    if (!shift)
        RecordingKey(key);
}

// Left and Right move a vertical line, Up and Down a horizontal one: the selected
// cursor when it is such a line, else the next shown one that is.
bool MainWindow::MoveCursorWithKey(tk::Key key, bool shift) {
    const bool sideways = key == tk::Key::Left || key == tk::Key::Right;
    const CursorScreen screen = CursorScreenNow();
    CursorId id = selectedCursor_;
    for (int tries = 0; tries <= kCursorCount; ++tries) {
        if (id != CursorId::None && CursorShown(cursors_, screen, id) &&
            IsVerticalCursor(id) == sideways)
            break;
        id = NextCursor(cursors_, screen, id);
        if (id == CursorId::None)
            return false;
    }
    if (IsVerticalCursor(id) != sideways)
        return false;
    selectedCursor_ = id;
    StepCursor(cursors_, id, key == tk::Key::Right || key == tk::Key::Up ? 1 : -1, shift);
    RedrawScreen();
    return true;
}

// A press within a few pixels of a shown cursor's line in the trace area picks it up;
// any other press is left to be the screen click.
bool MainWindow::CursorPress(int x, int y) {
    const CursorScreen screen = CursorScreenNow();
    if (!cursors_.AnyOn() || x < screen.area.left || y < 0 || y > screen.area.height)
        return false;
    draggedCursor_ = PickCursor(cursors_, screen, x, y);
    if (draggedCursor_ == CursorId::None)
        return false;
    selectedCursor_ = draggedCursor_;
    return true;
}

void MainWindow::CursorDrag(int x, int y) {
    if (draggedCursor_ == CursorId::None)
        return;
    PlaceCursor(cursors_, CursorScreenNow(), draggedCursor_, x, y);
    RedrawScreen();
}

// A file that was there but could not be read keeps the defaults and is not
// written over at close, so what it holds is not lost.
void MainWindow::LoadCursors() {
    const std::string path = CursorFilePathBeside(environment_.configPath);
    CursorFileLoad load = LoadCursorFile(path);
    cursorFileProblem_ = load.problem;
    if (!load.problem.empty())
        session_.AddLine(std::string(kCursorFileName) + " could not be read (" + load.problem +
                         "): cursors start from their defaults; the file is kept as it is");
    cursors_ = load.cursors;
    ShowCursorCaptions(); // drawn with the next frame
}

void MainWindow::SaveCursors() {
    if (!cursorFileProblem_.empty()) {
        status.memo.Add(std::string(kCursorFileName) +
                        " could not be read at start: cursors not saved");
        return;
    }
    const Result<FileWritten> saved =
        WriteWholeFile(CursorFilePathBeside(environment_.configPath), FormatCursorFile(cursors_));
    if (!saved.Ok())
        status.memo.Add(std::string(kCursorFileName) + " could not be saved: " + saved.Reason());
}

} // namespace duruz
