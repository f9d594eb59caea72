#include "view/volt_label.h"

namespace duruz {

namespace {

char Digit(std::int64_t value) {
    return static_cast<char>('0' + value % 10);
}

} // namespace

VoltText VoltLabel(std::int32_t millivolts) {
    // Widened so that the magnitude of the most negative value is representable.
    const std::int64_t a = millivolts < 0 ? -std::int64_t{millivolts} : millivolts;
    VoltText text;
    char* out = text.chars.data();
    out[0] = millivolts < 0 ? '-' : ' ';
    if (a >= 10000) {
        out[1] = a / 100000 == 0 ? ' ' : Digit(a / 100000);
        out[2] = Digit(a / 10000);
    } else {
        out[1] = ' ';
        out[2] = ' ';
    }
    out[3] = Digit(a / 1000);
    out[4] = '.';
    out[5] = Digit(a / 100);
    out[6] = ' ';
    out[7] = 'V';
    out[8] = '\0';
    return text;
}

} // namespace duruz
