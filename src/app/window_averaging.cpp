// Averaging of the live frames: the trace menu's "Averaging" submenu lists the
// choices of frames, the mode, and a step to the next choice for the keyboard.
#include "app/main_window.h"

#include <iterator>

namespace duruz {

namespace {

constexpr int kAveragingChoices = static_cast<int>(std::size(kAveragingSteps));

std::string FramesCaption(int frames) {
    return frames == 0 ? "Off" : std::to_string(frames) + " frames";
}

} // namespace

// Each choice starts a new average.
void MainWindow::AddAveragingItems() {
    traceMenu_.BeginSubmenu("Averaging");
    averagingItem_ = traceMenu_.Count();
    for (const int frames : kAveragingSteps)
        traceMenu_.Add(FramesCaption(frames), "", [this, frames] {
            AveragingChoice next = averager_.Choice();
            next.frames = frames;
            ChooseAveraging(next);
        });
    traceMenu_.Add("Running average", "Ctrl+Shift+A", [this] {
        AveragingChoice next = averager_.Choice();
        next.mode =
            next.mode == AveragingMode::Block ? AveragingMode::Running : AveragingMode::Block;
        ChooseAveraging(next);
    });
    traceMenu_.Add("", "Ctrl+A", [this] {
        AveragingChoice next = averager_.Choice();
        next.frames = NextAveragingFrames(next.frames);
        ChooseAveraging(next);
    });
    traceMenu_.EndSubmenu();
    ShowAveragingChoice();
}

void MainWindow::ChooseAveraging(AveragingChoice choice) {
    averager_.Choose(choice);
    ShowAveragingChoice();
    // The frame held is drawn alone until an average is ready.
    RedrawScreen();
}

// A mark on the frames chosen and on the running mode; the step names where it goes.
void MainWindow::ShowAveragingChoice() {
    const AveragingChoice& choice = averager_.Choice();
    for (int i = 0; i < kAveragingChoices; ++i)
        traceMenu_.SetChecked(averagingItem_ + i, kAveragingSteps[i] == choice.frames);
    traceMenu_.SetChecked(averagingItem_ + kAveragingChoices,
                          choice.mode == AveragingMode::Running);
    traceMenu_.SetCaption(averagingItem_ + kAveragingChoices + 1,
                          "Next: " + FramesCaption(NextAveragingFrames(choice.frames)));
}

} // namespace duruz
