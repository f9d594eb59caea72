// Averaging of the live frames: the trace menu's choice of frames and mode.
#include "app/main_window.h"

namespace duruz {

namespace {

std::string AveragingCaption(const AveragingChoice& choice) {
    if (!choice.On())
        return "Averaging: off";
    return "Averaging: " + std::to_string(choice.frames) +
           (choice.mode == AveragingMode::Block ? " frames, block" : " frames, running");
}

} // namespace

// Two items: one steps through off, 2, 4 .. 64 frames, the other switches between
// block and running. Each choice starts a new average.
void MainWindow::AddAveragingItems() {
    averagingItem_ = traceMenu_.Count();
    traceMenu_.Add(AveragingCaption(averager_.Choice()), "Ctrl+A", [this] {
        AveragingChoice next = averager_.Choice();
        next.frames = NextAveragingFrames(next.frames);
        ChooseAveraging(next);
    });
    traceMenu_.Add("Switch averaging block/running", "Ctrl+Shift+A", [this] {
        AveragingChoice next = averager_.Choice();
        next.mode =
            next.mode == AveragingMode::Block ? AveragingMode::Running : AveragingMode::Block;
        ChooseAveraging(next);
    });
}

void MainWindow::ChooseAveraging(AveragingChoice choice) {
    averager_.Choose(choice);
    traceMenu_.SetCaption(averagingItem_, AveragingCaption(choice));
    // The frame held is drawn alone until an average is ready.
    RedrawScreen();
}

} // namespace duruz
