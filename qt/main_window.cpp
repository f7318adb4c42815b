#include "qt/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolTip>
#include <cmath>
#include <exception>

#include "app/params_legend.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/read_out_text.h"

namespace soar {

namespace {

// Twips per inch; at 96 dots per inch a pixel is 15 twips.
constexpr double kTwipsPerInch = 1440.0;
// Room left beyond the picture box, whose right and bottom edges lie outside the
// window's nominal client area (14025 x 9495 twips), so that the window shows the
// whole picture.
constexpr int kMarginTwips = 120;

double screen_pixels_per_twip() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / kTwipsPerInch;
}

QColor colour_of(int32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb) | 0xFF000000u);
}

bool same_look(const Look& a, const Look& b) {
    return a.bold == b.bold && a.title_font == b.title_font && a.fore == b.fore &&
           a.back == b.back && a.border == b.border;
}

// The picture box: shows the raster picture as the last handler or tick left it.
// Everything is drawn into the image first and shown whole, so a tick's clearing
// and redrawing never reaches the screen half done. `surface` names the surface
// that holds the picture to show (the window's own, or the render thread's
// until its picture has been copied).
class PictureBox final : public QWidget {
  public:
    PictureBox(const RasterSurface* const& surface, QWidget* parent)
        : QWidget(parent), surface_(surface) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        const QImage& image = surface_->image();
        if (image.size() == size()) {
            p.drawImage(event->rect(), image, event->rect());
        } else {
            p.fillRect(rect(), QColor::fromRgb(RasterSurface::kBackground));
            if (!image.isNull()) p.drawImage(rect(), image);
        }
    }

  private:
    const RasterSurface* const& surface_;
};

// A shape control: a rectangle or circle drawn on the window, behind the
// controls, taking no clicks.
class ShapeWidget final : public QWidget {
  public:
    ShapeWidget(bool circle, QWidget* parent) : QWidget(parent), circle_(circle) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    void set_colours(QColor border, QColor fill) {
        border_ = border;
        fill_ = fill;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(border_, 1));
        p.setBrush(fill_.isValid() ? QBrush(fill_) : QBrush(Qt::NoBrush));
        if (circle_) {
            // The largest circle that fits, centred.
            const int d = std::min(width(), height()) - 1;
            p.drawEllipse((width() - 1 - d) / 2, (height() - 1 - d) / 2, d, d);
        } else {
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

  private:
    bool circle_;
    QColor border_ = Qt::black, fill_;
};

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Clock> clock, std::unique_ptr<TextFiles> files,
                       QWidget* parent)
    : QWidget(parent),
      px_per_twip_(screen_pixels_per_twip()),
      clock_(clock ? std::move(clock) : std::make_unique<SystemClock>()),
      files_(files ? std::move(files) : std::make_unique<DirTextFiles>(".")),
      pic_(std::make_unique<RasterSurface>(
          rect_of(control(make_window(), Id::picture).rect).width(),
          rect_of(control(make_window(), Id::picture).rect).height())),
      shown_pic_(pic_.get()),
      session_(*pic_, *clock_, *files_),
      w_(session_.window()) {
    // The window's ticks come from the machine's clock: a gap the program was
    // held up for pauses the flight instead of leaping it.
    session_.set_pause_on_hold_up(true);
    timer_.setTimerType(Qt::PreciseTimer);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double hz = screen->refreshRate();
        if (hz > 0) frame_interval_ms_ = std::max(1000.0 / hz, 1000.0 / 60.0);
    }
    frame_clock_.start();
    connect(&timer_, &QTimer::timeout, this, &MainWindow::tick);
    set_render_thread(true);
    build();
    refresh();
}

MainWindow::~MainWindow() = default;

QRect MainWindow::rect_of(const Rect& r) const {
    const auto px = [this](int twips) {
        return static_cast<int>(std::lround(twips * px_per_twip_));
    };
    const int left = px(r.left), top = px(r.top);
    return QRect(left, top, px(r.left + r.width) - left, px(r.top + r.height) - top);
}

void MainWindow::build() {
    // The window's font: a sans-serif face at 8.25 pt. The captions are laid
    // out for the narrow classic dialog face; its metric twin (Liberation
    // Sans) keeps them from being cut off where the system face is wider.
    QFont base = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    base.setFamilies(
        {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"), base.family()});
    base.setStyleHint(QFont::SansSerif);
    base.setPointSizeF(8.25);
    setFont(base);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour_of(w_.background));
    setPalette(pal);
    setAutoFillBackground(true);

    for (const Control& c : w_.controls) {
        QWidget* widget = nullptr;
        const QString text = QString::fromStdString(c.text);
        const Id id = c.id;
        switch (c.kind) {
            case Kind::picture:
                widget = new PictureBox(shown_pic_, this);
                break;
            case Kind::label: {
                auto* label = new QLabel(text, this);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case Kind::check: {
                auto* box = new QCheckBox(text, this);
                connect(box, &QCheckBox::clicked, this, [this, id] { user_pressed(id); });
                widget = box;
                break;
            }
            case Kind::option: {
                // The model keeps the group exclusive; the button only reports clicks.
                auto* button = new QRadioButton(text, this);
                button->setAutoExclusive(false);
                connect(button, &QRadioButton::clicked, this, [this, id] { user_pressed(id); });
                widget = button;
                break;
            }
            case Kind::text: {
                auto* edit = new QLineEdit(text, this);
                edit->setTextMargins(0, 0, 0, 0);
                connect(edit, &QLineEdit::textEdited, this,
                        [this, id](const QString& t) { user_typed(id, t); });
                widget = edit;
                break;
            }
            case Kind::command: {
                auto* button = new QPushButton(text, this);
                button->setAutoDefault(false);
                connect(button, &QPushButton::clicked, this, [this, id] { user_pressed(id); });
                widget = button;
                break;
            }
            case Kind::shape_rect:
            case Kind::shape_circle:
                widget = new ShapeWidget(c.kind == Kind::shape_circle, this);
                break;
            case Kind::timer:
                break;
        }
        if (widget == nullptr) continue;
        widget->setObjectName(QString::fromUtf8(c.name.data(), static_cast<int>(c.name.size())));
        widget->setGeometry(rect_of(c.rect));
        widgets_[static_cast<size_t>(id)] = widget;
        shown_text_[static_cast<size_t>(id)] = c.text;
        apply_look(c, widget);
    }
    // Shapes are drawn on the window itself, behind every control.
    for (const Control& c : w_.controls)
        if (c.kind == Kind::shape_rect || c.kind == Kind::shape_circle) widget(c.id)->lower();

    // The focus order; labels, shapes and the picture take no focus and are
    // left out (Qt ignores a tab order step to or from such a widget).
    QWidget* previous = nullptr;
    for (Id id : w_.tab_order) {
        QWidget* next = widget(id);
        if (next == nullptr || next->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) setTabOrder(previous, next);
        previous = next;
    }

    // Big enough for the nominal client area and for the whole picture box.
    const QRect picture = rect_of(control(w_, Id::picture).rect);
    const QRect client = rect_of(Rect{0, 0, w_.client_width, w_.client_height});
    const int margin = rect_of(Rect{0, 0, kMarginTwips, kMarginTwips}).width();
    setFixedSize(std::max(client.width(), picture.right() + 1 + margin),
                 std::max(client.height(), picture.bottom() + 1 + margin));
}

void MainWindow::apply_look(const Control& c, QWidget* widget) {
    const Look& look = c.look;
    shown_look_[static_cast<size_t>(c.id)] = look;
    if (auto* shape = dynamic_cast<ShapeWidget*>(widget)) {
        shape->set_colours(look.border >= 0 ? colour_of(look.border) : QColor(Qt::black),
                           look.back >= 0 ? colour_of(look.back) : QColor());
        return;
    }
    QFont f = font();
    if (look.title_font) {
        // Arial; where it is missing its metric twin Liberation Sans.
        f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        f.setStyleHint(QFont::SansSerif);
        f.setPointSizeF(14.25);
        f.setItalic(true);
    }
    f.setBold(look.bold);
    widget->setFont(f);

    QPalette pal = palette();
    const bool is_text = c.kind == Kind::text;
    const bool is_command = c.kind == Kind::command;
    if (look.fore >= 0) {
        const QColor fore = colour_of(look.fore);
        pal.setColor(is_text      ? QPalette::Text
                     : is_command ? QPalette::ButtonText
                                  : QPalette::WindowText,
                     fore);
    }
    if (look.back >= 0) {
        const QColor back = colour_of(look.back);
        pal.setColor(is_text      ? QPalette::Base
                     : is_command ? QPalette::Button
                                  : QPalette::Window,
                     back);
        if (!is_text && !is_command) widget->setAutoFillBackground(true);
    }
    if (is_text) {
        // A disabled text box is a read-only display (the time read-out): its
        // text stays as legible as in an enabled one.
        pal.setColor(QPalette::Disabled, QPalette::Text,
                     pal.color(QPalette::Active, QPalette::Text));
    }
    widget->setPalette(pal);
}

template <class Handler>
void MainWindow::guarded(Handler&& handler) {
    // Every handler finds the picture in pic_, as it would had it been drawn there.
    settle_picture();
    try {
        handler();
    } catch (const std::exception& e) {
        report_fault(e.what());
    } catch (...) {
        report_fault("unknown error");
    }
}

void MainWindow::start() {
    guarded([this] { session_.start_up(); });
    refresh();
}

void MainWindow::sync(const Control& c, QWidget* widget) {
    const auto i = static_cast<size_t>(c.id);
    if (!same_look(shown_look_[i], c.look)) apply_look(c, widget);
    const bool new_text = shown_text_[i] != c.text;
    if (new_text) shown_text_[i] = c.text;
    const auto qtext = [&c] { return QString::fromStdString(c.text); };
    switch (c.kind) {
        case Kind::label:
            if (new_text) static_cast<QLabel*>(widget)->setText(qtext());
            break;
        case Kind::command:
            if (new_text) static_cast<QPushButton*>(widget)->setText(qtext());
            break;
        case Kind::check: {
            auto* box = static_cast<QCheckBox*>(widget);
            if (new_text) box->setText(qtext());
            if (box->isChecked() != (c.value == 1)) box->setChecked(c.value == 1);
            break;
        }
        case Kind::option: {
            auto* button = static_cast<QRadioButton*>(widget);
            if (new_text) button->setText(qtext());
            if (button->isChecked() != (c.value != 0)) button->setChecked(c.value != 0);
            break;
        }
        case Kind::text:
            if (new_text) {
                auto* edit = static_cast<QLineEdit*>(widget);
                // A number the program wrote shows the digits that fit the box;
                // the whole number is in the box's tool tip.
                const QString whole = qtext();
                const QString shown = fitted_number(c.text, edit->fontMetrics(), text_room(*edit));
                edit->setText(shown);
                const QString tip = shown == whole ? QString() : whole;
                if (edit->toolTip() != tip) edit->setToolTip(tip);
                // A read-out shows its beginning, as a text box does, unless the
                // user is working in the box.
                if (!edit->hasFocus()) edit->setCursorPosition(0);
            }
            break;
        default:
            break;
    }
    if (widget->testAttribute(Qt::WA_Disabled) == c.enabled) widget->setEnabled(c.enabled);
    if (widget->isHidden() == c.visible) widget->setVisible(c.visible);
}

void MainWindow::sync_timer() {
    if (!w_.timer.enabled || closed_ || session_.paused()) {
        if (timer_.isActive()) timer_.stop();
        return;
    }
    // The interval only paces the ticks; a tick that runs longer than it simply
    // delays the next one (timer events do not pile up).
    const int interval = std::max(0, w_.timer.interval_ms);
    if (timer_.interval() != interval) timer_.setInterval(interval);
    if (!timer_.isActive()) timer_.start();
}

void MainWindow::refresh() {
    readouts_due_ = false;
    // The designed caption, and a short note while non-default parameters fly.
    if (const std::string title = w_.caption + params_title_note(w_); shown_caption_ != title) {
        shown_caption_ = title;
        setWindowTitle(QString::fromStdString(title));
    }
    for (const Control& c : w_.controls)
        if (QWidget* widget = this->widget(c.id)) sync(c, widget);
    sync_timer();
    if (picture_changed_) widget(Id::picture)->update();
    picture_changed_ = true;
    if (!w_.message.empty()) {
        const std::string text = std::move(w_.message);
        w_.message.clear();
        show_message(text);
    }
    if (!w_.notice.empty()) {
        // A note that needs no answer: shown over the picture for a while.
        last_notice_ = QString::fromStdString(w_.notice);
        w_.notice.clear();
        QWidget* picture = widget(Id::picture);
        QToolTip::showText(picture->mapToGlobal(picture->rect().center()), last_notice_, picture,
                           picture->rect(), 6000);
    }
    if (w_.ended && !closed_) close();
}

void MainWindow::show_message(const std::string& text) {
    // Modal for the window but without an event loop of its own: the caller
    // returns at once and timer ticks go on while the box is open. A message
    // that comes while one is shown is added to it.
    const QString q = QString::fromStdString(text);
    if (message_box_ && message_box_->isVisible()) {
        message_box_->setText(message_box_->text() + QStringLiteral("\n\n") + q);
        return;
    }
    if (!message_box_) {
        message_box_ =
            new QMessageBox(QMessageBox::Warning, windowTitle(), q, QMessageBox::Close, this);
        message_box_->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        message_box_->setText(q);
    }
    message_box_->open();
}

void MainWindow::report_fault(const std::string& what) {
    const std::string message = "An internal error stopped the program's action: " + what;
    try {
        session_.stop_flight_with_message(message);
    } catch (...) {
        w_.timer.enabled = false;
        w_.message = message;
    }
}

void MainWindow::set_render_thread(bool on) {
    if (on == (renderer_ != nullptr)) return;
    settle_picture();
    if (on) {
        render_pic_ =
            std::make_unique<RasterSurface>(pic_->image().width(), pic_->image().height());
        if (!render_pic_->ok()) return;  // no second picture: draw here
        renderer_ = std::make_unique<FrameRenderer>(*render_pic_);
    } else {
        renderer_.reset();
        render_pic_.reset();
    }
    handed_tick_ = -1;
}

void MainWindow::note_tick() {
    if (session_.ticks() == 1) ++flight_serial_;
}

void MainWindow::collect_frame() {
    if (!renderer_) return;
    std::string why;
    const int64_t tick = renderer_->take_finished(&why);
    if (!why.empty()) report_fault(why);
    if (tick < 0 || tick != handed_tick_) return;
    handed_tick_ = -1;
    // A picture drawn here since the hand-off is newer; so is a later tick's.
    if (tick <= shown_tick_) return;
    const QImage &mine = pic_->image(), &theirs = render_pic_->image();
    if (!pic_->ok() || !render_pic_->ok() || mine.size() != theirs.size() ||
        mine.bytesPerLine() != theirs.bytesPerLine())
        return;
    // Its pen now, as if it had been drawn here; its pixels are shown from the
    // render thread's surface, and copied into pic_ by the next tick (or
    // whatever comes first to draw or look there): a copy of the whole picture
    // here would make this tick, which also paints the picture, outlast the
    // timer's interval.
    pic_->set_draw_width(render_pic_->draw_width());
    pic_->set_pen(render_pic_->pen_x(), render_pic_->pen_y());
    shown_pic_ = render_pic_.get();
    shown_tick_ = tick;
    ++frames_drawn_;
    widget(Id::picture)->update();
}

void MainWindow::settle_picture() {
    if (shown_pic_ == pic_.get()) return;
    // The pixels alone: pen and width were taken with the picture, and the
    // ticks since may have moved them on.
    pic_->take_pixels(*render_pic_);
    shown_pic_ = pic_.get();  // the same pixels: nothing to repaint
}

bool MainWindow::frame_due() {
    const double now_ms = frame_clock_.nsecsElapsed() * 1e-6;
    if (!renderer_) {
        draw_current_frame();
        return false;
    }
    collect_frame();
    if (!frame_.valid || frame_.tick == shown_tick_ || renderer_->busy()) return false;
    settle_picture();  // the thread draws over the picture it last drew
    // The picture continues from pic_'s drawing state, as a drawing here would.
    render_pic_->take_drawing_state(*pic_);
    if (!renderer_->start(frame_, session_.scene(), session_.bird(), flight_serial_)) return false;
    handed_tick_ = frame_.tick;
    next_frame_ms_ = now_ms + frame_interval_ms_;
    return true;
}

void MainWindow::draw_current_frame() {
    if (renderer_) {
        // Whatever follows draws into pic_ here: the thread must be done. Its
        // picture counts if it is of the newest tick.
        renderer_->wait();
        collect_frame();
        handed_tick_ = -1;
        settle_picture();
    }
    if (!frame_.valid || frame_.tick == shown_tick_) return;
    guarded([this] { session_.draw(frame_, *pic_); });
    shown_tick_ = frame_.tick;
    ++frames_drawn_;
    next_frame_ms_ = frame_clock_.nsecsElapsed() * 1e-6 + frame_interval_ms_;
    widget(Id::picture)->update();
}

void MainWindow::show_picture_now() {
    if (closed_) return;
    draw_current_frame();
    guarded([this] { session_.draw(session_.frame_now(), *pic_); });
    widget(Id::picture)->update();
}

void MainWindow::tick_without_picture() {
    if (closed_ || !w_.timer.enabled) return;
    guarded([this] { session_.advance_tick(frame_); });
    note_tick();
}

void MainWindow::user_pressed(Id id) {
    if (closed_) return;
    // A user's action finds the picture of the last tick, as it would had every
    // tick drawn; what the handler draws then stands on its own.
    draw_current_frame();
    frame_.valid = false;
    guarded([&] { session_.click(id); });
    shown_tick_ = -1;
    refresh();
}

void MainWindow::user_typed(Id id, const QString& text) {
    if (closed_) return;
    std::string t = text.toStdString();
    shown_text_[static_cast<size_t>(id)] = t;  // the box shows it already
    draw_current_frame();
    frame_.valid = false;
    guarded([&] { session_.edit_text(id, std::move(t)); });
    shown_tick_ = -1;
    refresh();
}

void MainWindow::user_pause() {
    if (closed_) return;
    guarded([&] { session_.pause_or_resume(); });
    // A paused flight shows the picture of its last tick, not the last frame drawn.
    draw_current_frame();
    refresh();
}

void MainWindow::user_pace(int step) {
    if (closed_) return;
    guarded([&] { session_.change_pace(step); });
    refresh();
}

void MainWindow::fly_loop(const LoopFlight& loop) {
    if (closed_) return;
    draw_current_frame();
    frame_.valid = false;
    guarded([&] { session_.fly_loop(loop); });
    shown_tick_ = -1;
    refresh();
}

void MainWindow::tick() {
    if (closed_ || !w_.timer.enabled) return;
    if (redraw_every_tick_ || session_.writing_files()) {
        // Drawn here, into pic_: a picture still on the render thread is older.
        if (renderer_) renderer_->wait(), handed_tick_ = -1;
        settle_picture();
        guarded([this] { session_.advance_tick(); });
        note_tick();
        frame_.valid = false;
        ++frames_drawn_;
    } else {
        const bool settles = shown_pic_ != pic_.get();  // the last tick's picture is copied
        guarded([this] { session_.advance_tick(frame_); });
        note_tick();
        // A frame when one is due, and the last tick's picture when the flight
        // has stopped (STOP, a fault) or a finished one from the render thread.
        const double now_ms = frame_clock_.nsecsElapsed() * 1e-6;
        const int64_t shown = shown_tick_;
        bool handed = false;
        if (!w_.timer.enabled) {
            draw_current_frame();
        } else {
            if (handed_tick_ >= 0) collect_frame();
            // A picture taken in this tick waits for its hand-off until the next.
            if (shown_tick_ == shown && now_ms >= next_frame_ms_) handed = frame_due();
        }
        picture_changed_ = shown_tick_ != shown;
        if (w_.timer.enabled && w_.message.empty() && w_.notice.empty()) {
            // A frame's work on this thread comes in pieces, one per tick: the
            // picture taken and shown, then copied and the next one handed off,
            // the read-outs brought up to date. Each piece is well under the timer's interval,
            // so the next tick comes on time; all at once (over a millisecond
            // with the X server's round trip before the picture is painted)
            // they would cost a timer event now and then. The read-outs then
            // repaint apart from the picture, which needs no round trip.
            // Between frames nothing on the screen changes.
            if (picture_changed_) {
                readouts_due_ = true;
            } else if (readouts_due_ && !handed && !settles) {
                picture_changed_ = false;  // the picture box is up to date
                refresh();
            }
            picture_changed_ = true;
            return;
        }
    }
    refresh();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        w_.timer.enabled = false;
        timer_.stop();
        if (message_box_) message_box_->close();
        emit ended();
    }
    event->accept();
}

}  // namespace soar
