// The memo's lines as added, kept the same way whichever back end shows them.
#include "toolkit/controls.h"

namespace tk {

void Memo::Add(std::string_view line) {
    // CR LF breaks the text into lines; a text ending in CR LF leaves an empty line.
    for (;;) {
        const std::size_t brk = line.find("\r\n");
        const std::string_view piece = line.substr(0, brk);
        ShowLine(piece); // before the line is counted: the back end may look at lines_
        lines_.emplace_back(piece);
        if (brk == std::string_view::npos)
            break;
        line.remove_prefix(brk + 2);
    }
}

int Memo::LineCount() const {
    return static_cast<int>(lines_.size());
}

std::string Memo::Line(int index) const {
    if (index < 0 || index >= LineCount())
        return {};
    return lines_[static_cast<std::size_t>(index)];
}

std::vector<std::string> Memo::Lines() const {
    return lines_;
}

} // namespace tk
