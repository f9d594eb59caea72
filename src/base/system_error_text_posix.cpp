#include "base/system_error_text.h"

#include <system_error>

namespace duruz {

std::string SystemErrorText(int code) {
    return std::generic_category().message(code);
}

} // namespace duruz
