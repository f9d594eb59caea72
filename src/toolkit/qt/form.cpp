#include "toolkit/form.h"

#include "toolkit/application.h"
#include "toolkit/form_canvas.h"
#include "toolkit/image_canvas.h"
#include "toolkit/qt/cp1252.h"
#include "toolkit/qt/pixel_image.h"
#include "toolkit/qt/widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace tk {

namespace {

// The form's canvas on Qt: a paint is asked for with an update of the window.
class QtFormCanvas final : public FormCanvas {
public:
    QtFormCanvas(ImageCanvas& image, QWidget& window, const Form& form)
        : FormCanvas(image, form), window_(window) {}

private:
    void RequestPaint() override { window_.update(); }
    QWidget& window_;
};

} // namespace

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
        if (form_.OnMove)
            Dispatch(form_.OnMove);
    }
    void paintEvent(QPaintEvent* event) override {
        canvas->Presented();
        QPainter painter(this);
        painter.drawImage(event->rect(), ImageOf(image->Pixels()), event->rect());
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
        if (free)
            setFocus(Qt::MouseFocusReason); // the keys of the trace area come here
        pressed_ = free && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
                       ? event->button()
                       : Qt::NoButton;
        if (pressed_ == Qt::LeftButton)
            form_.LeftPress(event->position().toPoint().x(), event->position().toPoint().y());
    }
    // Without mouse tracking, moves arrive only with a button held.
    void mouseMoveEvent(QMouseEvent* event) override {
        if (pressed_ == Qt::LeftButton)
            form_.PointerMove(event->position().toPoint().x(), event->position().toPoint().y());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (pressed_ == Qt::LeftButton && event->button() == Qt::LeftButton &&
            form_.LeftRelease(at.x(), at.y())) {
            pressed_ = Qt::NoButton;
            return;
        }
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
    // Only while the window itself has the focus (its focus child is itself): a key
    // that a focused control ignores is passed on to its parent and ends here too.
    void keyPressEvent(QKeyEvent* event) override {
        static const std::pair<int, Key> kKeys[] = {
            {Qt::Key_Left, Key::Left}, {Qt::Key_Right, Key::Right}, {Qt::Key_Home, Key::Home},
            {Qt::Key_End, Key::End},   {Qt::Key_Space, Key::Space}, {Qt::Key_Escape, Key::Escape},
            {Qt::Key_Up, Key::Up},     {Qt::Key_Down, Key::Down}};
        // The keypad flag comes with the arrows on some keyboards; it is no modifier here.
        const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
        const bool shift = held == Qt::ShiftModifier;
        if (focusWidget() == this && (held == Qt::NoModifier || shift))
            for (const auto& [qtKey, key] : kKeys)
                if (event->key() == qtKey) {
                    form_.KeyPress(key, shift);
                    return;
                }
        QWidget::keyPressEvent(event);
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

Form::Form() : Control(AsNative(new FormWidget(*this))) {
    canvas_ = std::make_unique<ImageCanvas>(1, 1, kWindowBackground);
    Window(WidgetOf(*this))->image = canvas_.get();
    formCanvas_ = std::make_unique<QtFormCanvas>(*canvas_, *WidgetOf(*this), *this);
    Window(WidgetOf(*this))->canvas = formCanvas_.get();
}

Form::~Form() {
    Window(WidgetOf(*this))->closing = true;
    delete WidgetOf(*this);
}

void Form::SetCaption(std::string_view caption) {
    WidgetOf(*this)->setWindowTitle(FromCp1252(caption));
}

std::string Form::Caption() const {
    return ToCp1252(WidgetOf(*this)->windowTitle());
}

void Form::SetClientSize(int width, int height) {
    WidgetOf(*this)->resize(width, height + Window(WidgetOf(*this))->bottomHeight);
}
int Form::ClientWidth() const {
    return WidgetOf(*this)->width();
}
int Form::ClientHeight() const {
    return WidgetOf(*this)->height() - Window(WidgetOf(*this))->bottomHeight;
}

void ReserveBottomStrip(Form& form, QWidget* strip, int height) {
    FormWidget* window = Window(WidgetOf(form));
    const int clientHeight = form.ClientHeight();
    window->bottomStrip = strip;
    window->bottomHeight = height;
    strip->setParent(window);
    strip->setGeometry(0, clientHeight, window->width(), height);
    strip->show();
    window->resize(window->width(), clientHeight + height);
}

void Form::SetLeft(int left) {
    WidgetOf(*this)->move(left, WidgetOf(*this)->frameGeometry().y());
    Window(WidgetOf(*this))->normalCorner.setX(left);
}
void Form::SetTop(int top) {
    WidgetOf(*this)->move(WidgetOf(*this)->frameGeometry().x(), top);
    Window(WidgetOf(*this))->normalCorner.setY(top);
}

// The window's size is kept as its client size: the frame a window manager adds is
// unknown until the window is shown, and counting it would grow the window at every
// restart.
void Form::SetWidth(int width) {
    WidgetOf(*this)->resize(std::max(1, width), WidgetOf(*this)->height());
}

void Form::SetHeight(int height) {
    WidgetOf(*this)->resize(WidgetOf(*this)->width(),
                            std::max(1, height) + Window(WidgetOf(*this))->bottomHeight);
}

// A maximised window reports the place it returns to, so that is what is kept.
int Form::FormLeft() const {
    return WidgetOf(*this)->isMaximized() ? Window(WidgetOf(*this))->normalCorner.x()
                                          : WidgetOf(*this)->frameGeometry().x();
}

int Form::FormTop() const {
    return WidgetOf(*this)->isMaximized() ? Window(WidgetOf(*this))->normalCorner.y()
                                          : WidgetOf(*this)->frameGeometry().y();
}

int Form::FormWidth() const {
    return WidgetOf(*this)->isMaximized() ? WidgetOf(*this)->normalGeometry().width()
                                          : WidgetOf(*this)->width();
}

int Form::FormHeight() const {
    const int outer = WidgetOf(*this)->isMaximized() ? WidgetOf(*this)->normalGeometry().height()
                                                     : WidgetOf(*this)->height();
    return outer - Window(WidgetOf(*this))->bottomHeight;
}

void Form::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    switch (cursor) {
    case Cursor::Default:
        WidgetOf(*this)->setCursor(Qt::ArrowCursor);
        break;
    case Cursor::Busy:
        WidgetOf(*this)->setCursor(Qt::BusyCursor);
        break;
    case Cursor::Hourglass:
        WidgetOf(*this)->setCursor(Qt::WaitCursor);
        break;
    }
}

void Form::RunOnWindowThread(std::function<void()> task) {
    if (QThread::currentThread() == WidgetOf(*this)->thread()) {
        Dispatch(task);
        return;
    }
    // Queued on the widget, so a task that arrives after the window is gone is dropped.
    QMetaObject::invokeMethod(
        WidgetOf(*this), [task = std::move(task)] { Dispatch(task); }, Qt::QueuedConnection);
}

void Form::ShowMaximized() {
    WidgetOf(*this)->showMaximized();
}

void Form::ShowAndRaise() {
    FormWidget* window = Window(WidgetOf(*this));
    window->closing = false;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void Form::Close() {
    WidgetOf(*this)->close();
}

void Form::FocusFreeArea() {
    WidgetOf(*this)->setFocus(Qt::OtherFocusReason);
}

// Timer ------------------------------------------------------------------------

struct Timer::Impl {
    QTimer timer;
};

Timer::Timer(Form& owner, int intervalMs) : impl_(std::make_unique<Impl>()) {
    impl_->timer.setInterval(intervalMs);
    impl_->timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, WidgetOf(owner), [this] { Fire(); });
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
