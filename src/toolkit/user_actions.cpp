// What a user's click, double click or key does to the window and its lists, the
// same on every back end: the handler runs through Dispatch, so an exception it
// raises reaches the user instead of the message loop.
#include "toolkit/application.h"
#include "toolkit/form.h"

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

void Form::KeyPress(Key key) {
    if (OnKey)
        Dispatch([this, key] { OnKey(key); });
}

} // namespace tk
