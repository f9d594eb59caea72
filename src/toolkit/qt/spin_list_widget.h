#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

namespace tk {

// A list box one row high: it shows its top row and steps through the rows like a
// spinner, by arrow keys, the wheel, or the two small arrows at its right edge.
class SpinListWidget : public QWidget {
public:
    explicit SpinListWidget(QWidget* parent);

    QStringList rows;
    QStringList hints; // the tooltip of each row; shorter than rows when rows have none
    int selected = -1;
    int top = 0;

    // Called when the user selects a row (a step, or a click on the shown row).
    std::function<void(int row)> onUserSelect;
    std::function<void(int row)> onUserDoubleClick;

    QSize sizeHint() const override;
    // The width a row's text has to fit in.
    int TextWidth() const { return width() - kArrowWidth - 4; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kArrowWidth = 11;
    void Step(int delta);
};

} // namespace tk
