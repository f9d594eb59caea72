#pragma once

#include <string_view>

namespace tk {

// Where status lines go: the window's Display memo, or a recorder in tests.
// Lines are only ever appended.
class LineLog {
public:
    virtual ~LineLog() = default;
    // Appends one line. A text that ends in CR LF adds an empty line after it.
    virtual void Add(std::string_view line) = 0;
};

} // namespace tk
