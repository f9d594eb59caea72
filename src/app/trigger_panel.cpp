#include "app/trigger_panel.h"

#include "session/list_texts.h"

namespace duruz {

namespace {

using Orientation = tk::ScrollBar::Orientation;
using enum PanelEdit::Kind;

} // namespace

TriggerPanel::TriggerPanel(tk::Form& form, tk::Panel& strip)
    : levelBar(form, Orientation::Vertical, -2000, 2000, 0),
      positionBar(form, Orientation::Horizontal, 0, 2048, 298), sweep(strip), source(strip),
      polarity(strip), labels_(strip) {
    levelBar.SetHint("Sync Level");
    positionBar.SetHint("Sync Position");
    for (const char* row : kSweepRowTexts)
        sweep.Add(row);
    for (const char* row : kSourceRowTexts)
        source.Add(row);
    for (const char* row : kPolarityRowTexts)
        polarity.Add(row);

    levelBar.OnChange = [this] { Report(TriggerLevel, levelBar.Position()); };
    positionBar.OnChange = [this] { Report(TriggerPosition, positionBar.Position()); };
    sweep.OnClick = [this] { Report(Sweep, sweep.ItemIndex()); };
    source.OnClick = [this] { Report(TriggerSource, source.ItemIndex()); };
    polarity.OnClick = [this] { Report(TriggerPolarity, polarity.ItemIndex()); };

    labels_.Add("Horizontal", 290, 3, 90);
    labels_.Add("Sync", 290, 64, 32);
    sweep.SetBounds(290, 40, 110, kListHeight);
    source.SetBounds(326, 64, 36, kListHeight);
    polarity.SetBounds(366, 64, 40, kListHeight);
}

void TriggerPanel::Report(PanelEdit::Kind kind, int number) {
    if (OnEdit)
        OnEdit({kind, 0, number, {}});
}

void TriggerPanel::Show(const ScopeSettings& settings) {
    sweep.SetItemIndex(settings.sweepRow);
    source.SetItemIndex(settings.trigger.sourceRow);
    polarity.SetItemIndex(settings.trigger.polarityRow);
    levelBar.SetPosition(settings.trigger.levelBar);
    positionBar.SetPosition(settings.trigger.positionBar);
}

void TriggerPanel::Place(int clientWidth, int clientHeight, int traceBottom) {
    positionBar.SetBounds(0, clientHeight - kPositionBarHeight, clientWidth, kPositionBarHeight);
    levelBar.SetBounds(0, 3, kLevelBarWidth, traceBottom - 6);
}

} // namespace duruz
