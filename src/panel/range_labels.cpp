#include "panel/range_labels.h"

namespace duruz {

// "\261" is octal 0xB1, the plus-minus sign; an octal escape stops after three digits, so
// the value's digits can follow it directly (a hex escape would swallow them).
const char* const RangeLabelTable[kProbeRows * kRangeRows] = {
    "\261240V", "\261200V", "\261160V", "\261120V", "\26180 V", "\26140 V", "\26120 V", "\26110 V",
    "\26124V",  "\26120 V", "\26116 V", "\26112 V", "\2618 V",  "\2614 V",  "\2612 V",  "\2611 V",
};

const char* RangeLabel(int probeRow, int rangeRow) {
    const int probe = probeRow == 0 ? 0 : 1;
    const int range = rangeRow < 0 ? 0 : (rangeRow >= kRangeRows ? kRangeRows - 1 : rangeRow);
    return RangeLabelTable[probe * kRangeRows + range];
}

} // namespace duruz
