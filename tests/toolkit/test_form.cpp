#include "toolkit/form.h"

#include <gtest/gtest.h>

// A click runs the form's handler; the form closes once.
TEST(Form, ClickAndCloseOnce) {
    tk::Form form;
    int closes = 0, formClicks = 0;
    form.OnClose = [&] { ++closes; };
    form.OnClick = [&] { ++formClicks; };
    form.Click();
    form.Close();
    form.Close();
    EXPECT_EQ(std::pair(formClicks, closes), std::pair(1, 1));
}
