// What a user's click, double click or key does to the window and its lists, the
// same on every back end: the handler runs through Dispatch, so an exception it
// raises reaches the user instead of the message loop.
#include "toolkit/application.h"
#include "toolkit/form.h"

#include <utility>

namespace tk {

void ListBox::UserSelect(int row) {
    if (row < 0 || row >= Count())
        return;
    SetItemIndex(row);
    if (OnClick)
        Dispatch(OnClick);
}

void ListBox::UserDoubleClick(int row) {
    if (row < 0 || row >= Count())
        return;
    SetItemIndex(row);
    if (OnDblClick)
        Dispatch(OnDblClick);
}

void Form::Click() {
    if (OnClick)
        Dispatch(OnClick);
}

void Form::RightClick(int x, int y) {
    if (OnRightClick)
        Dispatch([this, x, y] { OnRightClick(x, y); });
}

void Form::KeyPress(Key key, bool shift) {
    const std::function<void(Key)>& handler = shift ? OnShiftKey : OnKey;
    if (handler)
        Dispatch([&handler, key] { handler(key); });
}

void Form::LeftPress(int x, int y) {
    dragging_ = false;
    if (OnLeftPress)
        Dispatch([this, x, y] { dragging_ = OnLeftPress(x, y); });
}

void Form::PointerMove(int x, int y) {
    if (dragging_ && OnDrag)
        Dispatch([this, x, y] { OnDrag(x, y); });
}

bool Form::LeftRelease(int x, int y) {
    if (!std::exchange(dragging_, false))
        return false;
    if (OnDragEnd)
        Dispatch([this, x, y] { OnDragEnd(x, y); });
    return true;
}

} // namespace tk
