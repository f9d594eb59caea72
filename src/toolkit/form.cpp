#include "toolkit/form.h"

#include "toolkit/application.h"
#include "toolkit/cp1252.h"
#include "toolkit/image_canvas.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace tk {

// Forwards drawing to the image and asks the window to show it.
class FormCanvas : public Canvas {
public:
    FormCanvas(ImageCanvas& image, QWidget& window, const Form& form)
        : image_(image), window_(window), form_(form) {}
    void SetPenColor(Color color) override { image_.SetPenColor(color); }
    void SetFontColor(Color color) override { image_.SetFontColor(color); }
    void MoveTo(int x, int y) override {
        Fit();
        image_.MoveTo(x, y);
    }
    void LineTo(int x, int y) override {
        Fit();
        image_.LineTo(x, y);
        Touch();
    }
    void TextOut(int x, int y, const char* text) override {
        Fit();
        image_.TextOut(x, y, text);
        Touch();
    }
    void FillBackground(int left, int top, int right, int bottom) override {
        Fit();
        image_.FillBackground(left, top, right, bottom);
        Touch();
    }

    // Called when the window has shown the picture.
    void Presented() { dirty_ = false; }

private:
    // The picture follows the window's client size, also while the window is hidden.
    void Fit() {
        if (form_.ClientWidth() != width_ || form_.ClientHeight() != height_) {
            width_ = form_.ClientWidth();
            height_ = form_.ClientHeight();
            image_.Resize(width_, height_);
        }
    }
    // One update request per drawing burst; the paint shows everything drawn since.
    void Touch() {
        if (!dirty_) {
            dirty_ = true;
            window_.update();
        }
    }
    ImageCanvas& image_;
    QWidget& window_;
    const Form& form_;
    bool dirty_ = false;
    int width_ = -1;
    int height_ = -1;
};

namespace {

constexpr Color kWindowBackground = 0xF0F0F0;

// The window itself: shows the canvas image and turns Qt's events into the form's.
class FormWidget : public QWidget {
public:
    explicit FormWidget(Form& form) : form_(form) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
        setPalette(p);
        setAutoFillBackground(false);
    }

    ImageCanvas* image = nullptr;
    FormCanvas* canvas = nullptr;
    bool closing = false;
    QWidget* bottomStrip = nullptr;
    int bottomHeight = 0;
    // Where the window's outer corner sits when it is not maximised.
    QPoint normalCorner;

protected:
    void moveEvent(QMoveEvent*) override {
        if (!isMaximized() && !isFullScreen())
            normalCorner = frameGeometry().topLeft();
    }
    void paintEvent(QPaintEvent* event) override {
        canvas->Presented();
        QPainter painter(this);
        const QImage& picture = image->Image();
        painter.drawImage(event->rect(), picture, event->rect());
    }
    void resizeEvent(QResizeEvent*) override {
        image->Resize(width(), std::max(1, height() - bottomHeight));
        if (bottomStrip != nullptr)
            bottomStrip->setGeometry(0, height() - bottomHeight, width(), bottomHeight);
        if (form_.OnResize)
            Dispatch(form_.OnResize);
    }
    // A press that a child ignores (the control strip's background, a label, a
    // check box's margin) is passed on to its parent and ends here too; only a
    // press on the window's own free area starts a click.
    void mousePressEvent(QMouseEvent* event) override {
        // Only a press on the window's own free area, not one a control let through.
        const bool free = childAt(event->position().toPoint()) == nullptr;
        pressed_ = free && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
                       ? event->button()
                       : Qt::NoButton;
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < form_.ClientWidth() &&
                            at.y() < form_.ClientHeight();
        if (inside && pressed_ == event->button()) {
            if (pressed_ == Qt::LeftButton)
                form_.Click();
            else
                form_.RightClick(at.x(), at.y());
        }
        pressed_ = Qt::NoButton;
    }
    void closeEvent(QCloseEvent* event) override {
        if (!closing) {
            closing = true;
            if (form_.OnClose)
                Dispatch(form_.OnClose);
        }
        event->accept();
    }

private:
    Form& form_;
    Qt::MouseButton pressed_ = Qt::NoButton;
};

FormWidget* Window(QWidget* w) {
    return static_cast<FormWidget*>(w);
}

} // namespace

Form::Form() : Control(new FormWidget(*this)) {
    canvas_ = std::make_unique<ImageCanvas>(1, 1, kWindowBackground);
    Window(widget_)->image = canvas_.get();
    formCanvas_ = std::make_unique<FormCanvas>(*canvas_, *widget_, *this);
    Window(widget_)->canvas = formCanvas_.get();
}

Form::~Form() {
    Window(widget_)->closing = true;
    delete widget_;
}

void Form::SetCaption(std::string_view caption) {
    widget_->setWindowTitle(FromCp1252(caption));
}

std::string Form::Caption() const {
    return ToCp1252(widget_->windowTitle());
}

void Form::SetClientSize(int width, int height) {
    widget_->resize(width, height + Window(widget_)->bottomHeight);
}
int Form::ClientWidth() const {
    return widget_->width();
}
int Form::ClientHeight() const {
    return widget_->height() - Window(widget_)->bottomHeight;
}

void Form::ReserveBottomStrip(QWidget* strip, int height) {
    FormWidget* window = Window(widget_);
    const int clientHeight = ClientHeight();
    window->bottomStrip = strip;
    window->bottomHeight = height;
    strip->setParent(window);
    strip->setGeometry(0, clientHeight, window->width(), height);
    strip->show();
    widget_->resize(widget_->width(), clientHeight + height);
}

void Form::SetLeft(int left) {
    widget_->move(left, widget_->frameGeometry().y());
    Window(widget_)->normalCorner.setX(left);
}
void Form::SetTop(int top) {
    widget_->move(widget_->frameGeometry().x(), top);
    Window(widget_)->normalCorner.setY(top);
}

// The window's size is kept as its client size: the frame a window manager adds is
// unknown until the window is shown, and counting it would grow the window at every
// restart.
void Form::SetWidth(int width) {
    widget_->resize(std::max(1, width), widget_->height());
}

void Form::SetHeight(int height) {
    widget_->resize(widget_->width(), std::max(1, height) + Window(widget_)->bottomHeight);
}

// A maximised window reports the place it returns to, so that is what is kept.
int Form::FormLeft() const {
    return widget_->isMaximized() ? Window(widget_)->normalCorner.x()
                                  : widget_->frameGeometry().x();
}

int Form::FormTop() const {
    return widget_->isMaximized() ? Window(widget_)->normalCorner.y()
                                  : widget_->frameGeometry().y();
}

int Form::FormWidth() const {
    return widget_->isMaximized() ? widget_->normalGeometry().width() : widget_->width();
}

int Form::FormHeight() const {
    const int outer =
        widget_->isMaximized() ? widget_->normalGeometry().height() : widget_->height();
    return outer - Window(widget_)->bottomHeight;
}

void Form::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    switch (cursor) {
    case Cursor::Default:
        widget_->setCursor(Qt::ArrowCursor);
        break;
    case Cursor::Busy:
        widget_->setCursor(Qt::BusyCursor);
        break;
    case Cursor::Hourglass:
        widget_->setCursor(Qt::WaitCursor);
        break;
    }
}

void Form::RunOnWindowThread(std::function<void()> task) {
    if (QThread::currentThread() == widget_->thread()) {
        Dispatch(task);
        return;
    }
    // Queued on the widget, so a task that arrives after the window is gone is dropped.
    QMetaObject::invokeMethod(
        widget_, [task = std::move(task)] { Dispatch(task); }, Qt::QueuedConnection);
}

Cursor Form::CurrentCursor() const {
    return cursor_;
}

Canvas& Form::GetCanvas() {
    return *formCanvas_;
}

ImageCanvas& Form::Image() {
    return *canvas_;
}

void Form::ShowMaximized() {
    widget_->showMaximized();
}

void Form::Close() {
    widget_->close();
}

void Form::Click() {
    if (OnClick)
        Dispatch(OnClick);
}

void Form::RightClick(int x, int y) {
    if (OnRightClick)
        Dispatch([this, x, y] { OnRightClick(x, y); });
}

// Timer ------------------------------------------------------------------------

struct Timer::Impl {
    QTimer timer;
};

Timer::Timer(Form& owner, int intervalMs) : impl_(std::make_unique<Impl>()) {
    impl_->timer.setInterval(intervalMs);
    impl_->timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, owner.Widget(), [this] { Fire(); });
}

Timer::~Timer() = default;

int Timer::Interval() const {
    return impl_->timer.interval();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled)
        impl_->timer.start();
    else
        impl_->timer.stop();
}

bool Timer::Enabled() const {
    return impl_->timer.isActive();
}

void Timer::Fire() {
    if (OnTimer)
        Dispatch(OnTimer);
}

} // namespace tk
