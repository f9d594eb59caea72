#include "toolkit/form.h"

#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// A click runs the form's handler; the form closes once, and once more after it is
// shown again.
TEST(Form, ClickAndCloseOnce) {
    tk::Form form;
    int closes = 0, formClicks = 0;
    form.OnClose = [&] { ++closes; };
    form.OnClick = [&] { ++formClicks; };
    form.Click();
    form.Close();
    form.Close();
    EXPECT_EQ(std::pair(formClicks, closes), std::pair(1, 1));
    form.ShowAndRaise();
    EXPECT_TRUE(form.Visible());
    form.Close();
    EXPECT_EQ(std::pair(form.Visible(), closes), std::pair(false, 2));
}

// A press on the free area, or FocusFreeArea, gives the form the focus, and then its
// keys reach OnKey, without modifiers only; a key that a focused control lets through
// does not.
TEST(Form, TheFreeAreasKeys) {
    tk::Form form;
    form.SetClientSize(200, 100);
    tk::ListBox list(form);
    list.SetBounds(0, 0, 50, 50);
    std::vector<tk::Key> keys;
    form.OnKey = [&keys](tk::Key key) { keys.push_back(key); };
    std::vector<tk::Key> shifted;
    form.OnShiftKey = [&shifted](tk::Key key) { shifted.push_back(key); };
    const auto press = [](tk::Control& control, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(tk::WidgetOf(control), &event);
    };
    tk::WidgetOf(list)->setFocus();
    press(list, Qt::Key_Escape);
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(150, 80), QPointF(150, 80), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tk::WidgetOf(form), &click);
    for (int key : {Qt::Key_Right, Qt::Key_A, Qt::Key_Home, Qt::Key_Escape})
        press(form, key);
    press(form, Qt::Key_Left, Qt::ShiftModifier);
    press(form, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    press(form, Qt::Key_Down, Qt::ShiftModifier | Qt::KeypadModifier);
    press(form, Qt::Key_Up);
    tk::WidgetOf(list)->setFocus();
    form.FocusFreeArea();
    press(form, Qt::Key_End);
    EXPECT_EQ(keys, (std::vector<tk::Key>{tk::Key::Right, tk::Key::Home, tk::Key::Escape,
                                          tk::Key::Up, tk::Key::End}));
    EXPECT_EQ(shifted, (std::vector<tk::Key>{tk::Key::Left, tk::Key::Down}));
}

// A left press that OnLeftPress takes is a drag: its moves and release reach OnDrag and
// OnDragEnd and no click follows; a press it leaves is a click, with no drag.
TEST(Form, DragOrClick) {
    tk::Form form;
    form.SetClientSize(200, 100);
    std::vector<std::string> events;
    form.OnClick = [&] { events.push_back("click"); };
    form.OnLeftPress = [&](int x, int y) { return x < 100 && y >= 0; };
    form.OnDrag = [&](int x, int y) { events.push_back("drag " + std::to_string(x + y)); };
    form.OnDragEnd = [&](int x, int y) { events.push_back("end " + std::to_string(x + y)); };
    const auto mouse = [&form](QEvent::Type type, int x, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(x, 7), QPointF(x, 7), button, Qt::LeftButton, {});
        QApplication::sendEvent(tk::WidgetOf(form), &event);
    };
    for (const int x : {50, 150}) {
        mouse(QEvent::MouseButtonPress, x, Qt::LeftButton);
        mouse(QEvent::MouseMove, x + 300, Qt::NoButton);
        mouse(QEvent::MouseButtonRelease, x + 1, Qt::LeftButton);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"drag 357", "end 58", "click"}));
}
