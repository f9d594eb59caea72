#pragma once

#include "app/panel_edit.h"
#include "toolkit/form.h"

#include <vector>

namespace testing_support {

using Kind = duruz::PanelEdit::Kind;
using Edits = std::vector<duruz::PanelEdit>;

// A panel on a strip of its own window, with every edit it reports kept in order.
template <typename Panel> struct PanelOnStrip {
    PanelOnStrip() {
        panel.OnEdit = [this](const duruz::PanelEdit& edit) { edits.push_back(edit); };
    }
    tk::Form form;
    tk::Panel strip{form};
    Panel panel{strip};
    Edits edits;
};

} // namespace testing_support
