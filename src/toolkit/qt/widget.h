#pragma once

#include "toolkit/control.h"

#include <QWidget>

namespace tk {

// A control's Qt widget: what the Qt back end's NativeControl is.
inline QWidget* WidgetOf(const Control& control) {
    return reinterpret_cast<QWidget*>(control.Native());
}

inline NativeControl* AsNative(QWidget* widget) {
    return reinterpret_cast<NativeControl*>(widget);
}

class Form;
// Keeps a strip of the given height along the window's bottom edge, below and
// outside the client area: the client size, the saved size and the canvas keep
// their meaning, and the window grows by the strip. The form places the widget and
// owns it from then on.
void ReserveBottomStrip(Form& form, QWidget* strip, int height);

} // namespace tk
