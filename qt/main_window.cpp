#include "qt/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <cctype>
#include <cmath>
#include <exception>
#include <string>
#include <string_view>

#include "app/params_legend.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "platform/number_text.h"
#include "qt/control_tips.h"
#include "qt/help_window.h"
#include "qt/read_out_text.h"

namespace soar {

namespace {

// Twips per inch; at 96 dots per inch a pixel is 15 twips.
constexpr double kTwipsPerInch = 1440.0;
// Room left beyond the picture box, whose right and bottom edges lie outside the
// window's nominal client area (14025 x 9495 twips), so that the window shows the
// whole picture.
constexpr int kMarginTwips = 120;
// The time slider's strip under the picture: its gap above, pixels.
constexpr int kBarGap = 4;
// The smallest picture box, as a share of the standard one.
constexpr double kSmallestPicture = 0.5;
// A drag over the picture presses a pan button once per this many pixels
// (Shift or the middle button held).
constexpr int kDragStep = 24;
// A plain drag turns the camera about the scene by a degree per this many
// pixels: finer than the pan buttons' 10 deg a press.
constexpr int kOrbitStepPixels = 3;
// The largest attitude angle a box takes, deg: a float angle of many turns
// keeps too few bits below the turn for the bird to be drawn (1e38 deg draws
// a scribble).
constexpr double kMostAttitudeDeg = 1e5;

bool attitude_box(Id id) {
    return id == Id::roll_box || id == Id::pitch_box || id == Id::yaw_box;
}

// Whether a box's whole text is a decimal number, blanks around it allowed: a
// sign, digits with "." for decimals, an exponent (E or D). "nan", "inf",
// "0x10", "12abc", "1,5", "-" and "" are not; a number too small for a float
// is (it reads as 0).
bool whole_decimal(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::string t(text);
    for (char& ch : t)
        if (ch == 'd' || ch == 'D') ch = 'e';
    // A digit or the point first (after a minus): no "inf" or "nan".
    const size_t first = !t.empty() && t[0] == '-' ? 1 : 0;
    if (first >= t.size() ||
        !(std::isdigit(static_cast<unsigned char>(t[first])) || t[first] == '.'))
        return false;
    double value = 0.0;
    const auto r = read_number(t.data(), t.data() + t.size(), value);
    return (r.ec == std::errc() || r.ec == std::errc::result_out_of_range) &&
           r.ptr == t.data() + t.size();
}

// The name a message gives a box: the caption of the label before it (each
// box follows its label in the window's controls), its spaces single.
std::string box_caption(const Window& w, Id box) {
    const Id before = Id(int(box) - 1);
    if (int(box) == 0 || control(w, before).kind != Kind::label)
        return std::string(control(w, box).name);
    std::string name;
    for (char ch : control(w, before).text)
        if (ch != ' ' || (!name.empty() && name.back() != ' ')) name += ch;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

std::string quoted_short(const std::string& t) {
    std::string q(1, '"');
    if (t.size() <= 40) {
        q.append(t);
    } else {
        q.append(t, 0, 37);
        q.append("...");
    }
    q.push_back('"');
    return q;
}

double screen_pixels_per_twip() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / kTwipsPerInch;
}

QColor colour_of(int32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb) | 0xFF000000u);
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
        } else if (image.isNull()) {
            p.fillRect(rect(), QColor::fromRgb(RasterSurface::kBackground));
        } else {
            // Drawn at the screen's density: one image pixel to one pixel of
            // the screen when the image is the box's size times its ratio.
            p.drawImage(QRectF(rect()), image, QRectF(image.rect()));
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
      pic_(std::make_unique<RasterSurface>(rect_of(designed_rect(Id::picture)).width(),
                                           rect_of(designed_rect(Id::picture)).height())),
      log_(std::make_unique<LoggedSurface>(*pic_)),
      session_(*log_, *clock_, *files_),
      w_(session_.window()),
      run_(session_, *this),
      pacer_(session_, *pic_, *log_,
             {[this] { widget(Id::picture)->update(); },
              [this](const std::string& what) { report_fault(what); }}) {
    // The window's ticks come from the machine's clock: a gap the program was
    // held up for pauses the flight instead of leaping it.
    session_.set_pause_on_hold_up(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MainWindow::tick);
    set_render_thread(true);
    told_state_ = session_.state();
    connect_requests();
    build();
    refresh();
}

void MainWindow::connect_requests() {
    connect(this, &MainWindow::moment_changed, &run_,
            [this] { emit run_.looked_back(session_.looked_at()); });
    connect(this, &MainWindow::flight_set_up, &run_, &RunSignals::flight_set_up);
    connect(&run_, &RunSignals::pause_wanted, this, &MainWindow::user_pause);
    connect(&run_, &RunSignals::pace_step_wanted, this, &MainWindow::user_pace);
    connect(&run_, &RunSignals::pace_wanted, this, [this](int index) {
        if (closed_) return;
        session_.flight_clock().set_pace(index);
        // A pace kept from an earlier run is said, not found out in flight.
        if (const double pace = session_.flight_clock().pace(); pace != 1.0)
            w_.notice = "Flights run at " +
                        (pace > 1.0 ? float_text(float(pace)) + " times"
                                    : "1/" + float_text(float(1.0 / pace)) + " of") +
                        " real time, as in the last run: [ and ] change the pace.";
        refresh();
    });
    connect(&run_, &RunSignals::look_at_time_wanted, this, &MainWindow::look_at_time);
    connect(&run_, &RunSignals::look_back_keys_wanted, this, &MainWindow::add_look_back_keys);
    connect(&run_, &RunSignals::params_wanted, this, [this](const ParamSet& set) {
        // Chosen, not flown: the flight takes them at the next "OK".
        session_.model().params = set;
        emit run_.params_changed();
    });
    connect(&run_, &RunSignals::loop_flight_wanted, this, &MainWindow::fly_loop);
    connect(&run_, &RunSignals::fly_yourself_wanted, this, &MainWindow::fly_yourself);
    connect(&run_, &RunSignals::pilot_keys_wanted, this,
            [this](PilotKeys keys) { session_.set_pilot_keys(keys); });
    connect(&run_, &RunSignals::pilot_gusts_wanted, this,
            [this](Turbulence gusts) { session_.set_pilot_gusts(gusts); });
    connect(&run_, &RunSignals::ghost_wanted, this, [this](std::shared_ptr<const LoopFlight> loop) {
        session_.show_ghost(std::move(loop));
        redraw_still();
    });
    connect(&run_, &RunSignals::track_colour_wanted, this, [this](TrackColour by) {
        session_.set_track_colour(by);
        redraw_still();
    });
    connect(&run_, &RunSignals::arrows_wanted, this, [this](bool on) {
        session_.set_arrows(on);
        redraw_still();
    });
    connect(&run_, &RunSignals::smooth_lines_wanted, this, &MainWindow::set_smooth_lines);
    connect(&run_, &RunSignals::help_wanted, this, [this](int page) { show_help(HelpPage(page)); });
    connect(&run_, &RunSignals::forget_settings_wanted, this, &MainWindow::forget_settings_wanted);
}

void MainWindow::redraw_still() {
    // A flight that is not moving keeps its picture until something redraws it.
    if (session_.ticks() > 0 && session_.scene_mode() != Mode::fixed &&
        (!session_.flying() || session_.paused()))
        show_picture_now();
}

void MainWindow::tell_tick(int64_t ticks_before) {
    // A tick the flight took (none while paused, or over a hold-up).
    if (session_.ticks() > ticks_before) emit run_.ticked(double(session_.flight_state().t));
    tell_run();
}

void MainWindow::tell_run() {
    const RunState state = session_.state();
    if (state != told_state_) {
        told_state_ = state;
        emit run_.state_changed(state);
    }
    const bool flying = session_.flying();
    if (told_flying_ && !flying)
        emit run_.flight_ended(QString::fromStdString(session_.record().end_reason));
    told_flying_ = flying;
}

MainWindow::~MainWindow() {
    // Deleting a text box that has the focus ends its edit, and a finished
    // edit would be applied to a window whose members are already gone: no
    // widget of this window is heard from any more.
    closed_ = true;
    timer_.stop();
    if (bar_) bar_->stop_replay();
    for (QObject* child : children()) {
        QObject::disconnect(child, nullptr, this, nullptr);
        child->removeEventFilter(this);
    }
}

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
    pal.setColor(QPalette::Window, colour_of(designed_layout().background));
    setPalette(pal);
    setAutoFillBackground(true);

    for (const Control& c : w_.controls) {
        QWidget* widget = nullptr;
        const QString text = QString::fromStdString(c.text);
        const Id id = c.id;
        switch (c.kind) {
            case Kind::picture:
                widget = new PictureBox(pacer_.shown_surface(), this);
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
                connect(edit, &QLineEdit::editingFinished, this, [this, id] { user_applied(id); });
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
        }
        widget->setObjectName(QString::fromUtf8(c.name.data(), static_cast<int>(c.name.size())));
        widget->setGeometry(rect_of(designed_rect(id)));
        // Keys on the controls, the wheel and drags over the picture.
        if (c.kind != Kind::label) widget->installEventFilter(this);
        widgets_[static_cast<size_t>(id)] = widget;
        shown_text_[static_cast<size_t>(id)] = c.text;
        apply_look(id, c.kind, widget);
    }
    // Shapes are drawn on the window itself, behind every control.
    for (int i = 0; i < kShapeCount; ++i) {
        const ShapeLayout& s = shape_layout(Shape(i));
        auto* shape = new ShapeWidget(s.circle, this);
        shape->setObjectName(QString::fromUtf8(s.name.data(), static_cast<int>(s.name.size())));
        shape->setGeometry(rect_of(s.rect));
        shape->set_colours(s.look.border >= 0 ? colour_of(s.look.border) : QColor(Qt::black),
                           s.look.back >= 0 ? colour_of(s.look.back) : QColor());
        shape->lower();
        shapes_[size_t(i)] = shape;
    }

    // What each control does, where it has no tip of its own.
    for (const Control& c : w_.controls)
        if (QWidget* widget = this->widget(c.id); widget && widget->toolTip().isEmpty())
            widget->setToolTip(control_tip(c.id));

    bar_ = new TimeSlider(session_, *this, int(std::lround(pacer_.frame_interval_ms())),
                          {[this](int64_t tick) { look_at_tick(tick); }, [this] { return closed_; },
                           [this](bool can) {
                               for (QShortcut* key : look_keys_)
                                   if (key && key->isEnabled() != can) key->setEnabled(can);
                           }});
    apply_tab_order();
    add_context_actions();
    add_form_actions();
    add_look_back_keys(this);
    // The standard size, and as small as the controls and half the picture
    // allow; the picture follows the window.
    const QRect picture = rect_of(designed_rect(Id::picture));
    const int margin = rect_of(Rect{0, 0, kMarginTwips, kMarginTwips}).width();
    int controls_bottom = 0;
    const auto below = [&](const Rect& r) {
        if (r.left < designed_rect(Id::picture).left)
            controls_bottom = std::max(controls_bottom, rect_of(r).bottom() + 1);
    };
    for (const Control& c : w_.controls)
        if (c.kind != Kind::picture) below(designed_rect(c.id));
    for (int i = 0; i < kShapeCount; ++i) below(shape_layout(Shape(i)).rect);
    const QSize smallest = size_for_picture_width(int(picture.width() * kSmallestPicture));
    setMinimumSize(smallest.width(), std::max(smallest.height(), controls_bottom + margin));
    resize(standard_size());
    lay_out();
}

QSize MainWindow::size_for_picture_width(int width) const {
    const QRect picture = rect_of(designed_rect(Id::picture));
    const QRect client =
        rect_of(Rect{0, 0, designed_layout().client_width, designed_layout().client_height});
    const int margin = rect_of(Rect{0, 0, kMarginTwips, kMarginTwips}).width();
    const int bar = bar_ ? bar_->height() + kBarGap : 0;
    const int height = int(std::lround(double(width) * picture.height() / picture.width()));
    // The standard area: the nominal client area and the whole picture box.
    const int w = picture.left() + width + margin;
    const int h = picture.top() + height + bar + margin;
    if (width == picture.width())
        return {std::max(client.width(), w), std::max(client.height() + bar, h)};
    return {w, h};
}

QSize MainWindow::standard_size() const {
    return size_for_picture_width(rect_of(designed_rect(Id::picture)).width());
}

int MainWindow::standard_picture_width() const {
    return rect_of(designed_rect(Id::picture)).width();
}

QRect MainWindow::picture_rect() const {
    return widget(Id::picture)->geometry();
}

void MainWindow::lay_out() {
    if (!bar_) return;
    const QRect standard = rect_of(designed_rect(Id::picture));
    const int margin = rect_of(Rect{0, 0, kMarginTwips, kMarginTwips}).width();
    const int bar = bar_->height();
    // The largest picture of the standard shape in the room right of and
    // below the standard controls, above the slider's strip.
    const double room_w = width() - standard.left() - margin;
    const double room_h = height() - standard.top() - margin - bar - kBarGap;
    const double s =
        std::max(std::min(room_w / standard.width(), room_h / standard.height()), kSmallestPicture);
    QSize box = standard.size();
    if (std::fabs(s - 1.0) > 1e-9)
        box =
            QSize(int(std::lround(standard.width() * s)), int(std::lround(standard.height() * s)));
    const QRect picture(standard.topLeft(), box);
    widget(Id::picture)->setGeometry(picture);
    // The slider's strip under the picture, as wide as it.
    bar_->place_under(picture, kBarGap);
    // The picture's pixels: the box at the screen's density.
    const double ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    resize_picture(
        QSize(int(std::lround(box.width() * ratio)), int(std::lround(box.height() * ratio))));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    lay_out();
}

bool MainWindow::event(QEvent* event) {
    // Another screen, perhaps of another density: the picture's pixels follow.
    if (event->type() == QEvent::ScreenChangeInternal) lay_out();
    return QWidget::event(event);
}

void MainWindow::resize_picture(QSize pixels) {
    if (pixels.isEmpty() || pixels == pic_->image().size()) return;
    pacer_.resize(pixels, smooth_, devicePixelRatioF());
    // What the picture showed, drawn again at the new size.
    if (session_.ticks_to_look_back() > 0) {
        draw_look_back();
        return;
    }
    pacer_.forget_shown();
    if (session_.flying()) {
        if (pacer_.frame().valid) draw_current_frame();
    } else {
        guarded([this] { log_->redraw(); });
    }
    widget(Id::picture)->update();
}

void MainWindow::set_smooth_lines(bool on) {
    smooth_ = on;
    pacer_.set_smooth_lines(on, devicePixelRatioF());
    // The picture shown drawn again with the lines chosen.
    if (session_.ticks_to_look_back() > 0) {
        draw_look_back();
    } else if (session_.flying() && pacer_.frame().valid) {
        pacer_.forget_shown();
        draw_current_frame();
    } else if (!session_.flying()) {
        guarded([this] { log_->redraw(); });
        widget(Id::picture)->update();
    }
}

void MainWindow::add_context_actions() {
    setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto add = [this](const QString& text, auto&& f) {
        auto* a = new QAction(text, this);
        connect(a, &QAction::triggered, this, f);
        addAction(a);
        return a;
    };
    const auto separator = [this] {
        auto* a = new QAction(this);
        a->setSeparator(true);
        addAction(a);
    };
    separator();
    add(QStringLiteral("Play / stop playing the flight again"), [this] { toggle_replay(); });
    QAction* smooth =
        add(QStringLiteral("Smooth lines"), [this](bool on) { set_smooth_lines(on); });
    smooth->setObjectName(QStringLiteral("smooth_lines_action"));
    smooth->setCheckable(true);
    separator();
    QAction* keys =
        add(QStringLiteral("Keys and mouse (F1)"), [this] { show_help(HelpPage::keys); });
    keys->setShortcut(QKeySequence(Qt::Key_F1));
    keys->setShortcutContext(Qt::ApplicationShortcut);
    add(QStringLiteral("How dynamic soaring works"), [this] { show_help(HelpPage::soaring); });
    add(QStringLiteral("About Soarcalculus"), [this] { show_help(HelpPage::about); });
    separator();
    add(QStringLiteral("Forget remembered settings..."), [this] { emit forget_settings_wanted(); });
}

void MainWindow::show_help(HelpPage page) {
    if (!help_) help_ = new HelpWindow(this);
    help_->show_page(int(page));
}

void MainWindow::add_look_back_keys(QWidget* window) {
    const auto key = [this, window](QKeySequence k, auto&& f) {
        auto* s = new QShortcut(k, window);
        connect(s, &QShortcut::activated, this, f);
        // Only while there is a flight to go through: the keys are otherwise
        // the focused control's (the arrows between options).
        s->setEnabled(session_.ticks_to_look_back() > 1);
        look_keys_.push_back(s);
    };
    key(QKeySequence(Qt::Key_Left), [this] { look_steps(-1); });
    key(QKeySequence(Qt::Key_Right), [this] { look_steps(+1); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_Left), [this] { look_seconds(-1.0); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_Right), [this] { look_seconds(+1.0); });
    key(QKeySequence(Qt::Key_PageUp), [this] { look_seconds(-10.0); });
    key(QKeySequence(Qt::Key_PageDown), [this] { look_seconds(+10.0); });
    key(QKeySequence(Qt::Key_Home), [this] { look_at_start(); });
    key(QKeySequence(Qt::Key_End), [this] { look_at_end(); });
}

void MainWindow::look_at_tick(int64_t tick) {
    if (closed_) return;
    const int64_t n = session_.ticks_to_look_back();
    if (n == 0 || tick < 1) return;
    tick = std::min(tick, n);
    if (tick == session_.tick_shown()) return;
    guarded([&] {
        // The flight's last tick is the flight as it stands.
        if (tick == n) {
            session_.stop_looking_back();
        } else {
            session_.look_at(tick);
        }
    });
    draw_look_back();
    refresh();
    emit moment_changed();
}

void MainWindow::look_at_time(double t) {
    look_at_tick(session_.tick_at_time(t));
}

void MainWindow::look_steps(int steps) {
    look_at_tick(session_.tick_steps_on(session_.tick_shown(), steps));
}

void MainWindow::look_seconds(double seconds) {
    if (session_.ticks_to_look_back() == 0) return;
    const double t = session_.time_of_tick(session_.tick_shown()) + seconds;
    // Forward, at least one step, however coarse the steps.
    const int64_t tick = session_.tick_at_time(t);
    look_at_tick(seconds > 0 && tick <= session_.tick_shown()
                     ? session_.tick_steps_on(session_.tick_shown(), 1)
                     : tick);
}

void MainWindow::look_at_start() {
    look_at_tick(1);
}

void MainWindow::look_at_end() {
    look_at_tick(session_.ticks_to_look_back());
}

void MainWindow::draw_look_back() {
    const int64_t tick = session_.tick_shown();
    if (tick <= 0 || closed_) return;
    pacer_.collect_render();
    pacer_.settle_picture();
    guarded([&] { session_.draw(session_.frame_at(tick), *pic_); });
    log_->forget();
    pacer_.forget_shown();
    widget(Id::picture)->update();
}

void MainWindow::apply_look(Id id, Kind kind, QWidget* widget) {
    const Look& look = designed_look(id);
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
    const bool is_text = kind == Kind::text;
    const bool is_command = kind == Kind::command;
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
    pacer_.settle_picture();
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
                const QString tip = shown == whole ? control_tip(c.id) : whole;
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
    if (!session_.flying() || closed_ || halted_ || session_.paused()) {
        if (timer_.isActive()) timer_.stop();
        return;
    }
    // The interval only paces the ticks; a tick that runs longer than it simply
    // delays the next one (timer events do not pile up).
    const int interval =
        std::max(0, timer_interval_ms_ > 0 ? timer_interval_ms_ : session_.tick_interval_ms());
    if (timer_.interval() != interval) timer_.setInterval(interval);
    if (!timer_.isActive()) timer_.start();
}

void MainWindow::refresh() {
    readouts_due_ = false;
    if (bar_) bar_->refresh_in_flight(session_.flying() && !session_.paused());
    // The standard caption, and a short note while non-default parameters fly.
    if (const std::string title =
            std::string(designed_layout().caption) + params_title_note(session_.model());
        shown_caption_ != title) {
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
    tell_run();
    emit run_.boxes_shown();
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
        // The flight cannot be stopped as STOP does: the window ticks no more.
        halted_ = true;
        w_.message = message;
    }
}

void MainWindow::show_picture_now() {
    if (closed_) return;
    // A paused or stopped flight: the moment shown, in the view as it is now.
    if (session_.ticks_to_look_back() > 0) {
        draw_look_back();
        return;
    }
    draw_current_frame();
    guarded([this] { session_.draw(session_.frame_now(), *pic_); });
    log_->forget();
    widget(Id::picture)->update();
}

void MainWindow::tick_without_picture() {
    if (closed_ || !session_.flying()) return;
    const int64_t ticks = session_.ticks();
    guarded([this] { session_.advance_tick(pacer_.frame()); });
    pacer_.note_tick();
    tell_tick(ticks);
}

void MainWindow::user_pressed(Id id) {
    if (closed_) return;
    if (id == Id::end_button && !may_close()) return;
    // A user's action finds the picture of the last tick, as it would had every
    // tick drawn; what the handler draws then stands on its own.
    draw_current_frame();
    pacer_.forget_frame();
    const bool was_looking = session_.looked_at() > 0;
    guarded([&] { session_.click(id); });
    pacer_.forget_shown();
    // Zoom and pan act at once on a paused or stopped flight; a control that
    // ended a look back shows the flight as it stands again.
    const bool view = id == Id::zoom_in_button || id == Id::zoom_out_button ||
                      id == Id::pan_up_button || id == Id::pan_down_button;
    if (session_.ticks_to_look_back() > 0 && (view || was_looking)) draw_look_back();
    refresh();
    if (was_looking && session_.looked_at() == 0) emit moment_changed();
    if (id == Id::ok_button) emit flight_set_up();
}

void MainWindow::user_orbit(double turn_deg, double tilt_deg) {
    if (closed_) return;
    // As the zoom and pan buttons: at once on a paused or stopped flight, the
    // moment looked at kept.
    draw_current_frame();
    pacer_.forget_frame();
    guarded([&] { session_.orbit(turn_deg, tilt_deg); });
    pacer_.forget_shown();
    if (session_.ticks_to_look_back() > 0) draw_look_back();
    refresh();
}

void MainWindow::user_typed(Id id, const QString& text) {
    if (closed_) return;
    const auto i = static_cast<size_t>(id);
    if (text_before_edit_[i].isNull())
        text_before_edit_[i] = QString::fromStdString(control(w_, id).text);
    std::string t = text.toStdString();
    shown_text_[i] = t;  // the box shows it already
    // A text beyond the program's numbers ("1e4" on its way to "1e40") is
    // checked when the value is applied, not in the middle of typing.
    if (!std::isfinite(float(text_value(t)))) return;
    const bool was_looking = session_.looked_at() > 0;
    draw_current_frame();
    pacer_.forget_frame();
    guarded([&] { session_.edit_text(id, std::move(t)); });
    pacer_.forget_shown();
    if (was_looking && session_.ticks_to_look_back() > 0) draw_look_back();
    refresh();
    if (was_looking) emit moment_changed();
}

bool MainWindow::user_applied(Id id) {
    if (closed_) return true;
    const auto i = static_cast<size_t>(id);
    const QString before = text_before_edit_[i];
    text_before_edit_[i] = QString();
    auto* edit = static_cast<QLineEdit*>(widget(id));
    const std::string t = edit->text().toStdString();
    if (std::isfinite(float(text_value(t)))) {
        // Taken as it was typed when it is a number; anything else ("12abc",
        // "nan", "1,5", an empty box) would stand for the number its start
        // reads as: refused with a message, the box back to what it held. So
        // is an attitude angle of too many turns to be drawn.
        if (before.isNull()) return true;
        const bool number = whole_decimal(t);
        const bool too_many_turns =
            number && attitude_box(id) && std::fabs(text_value(t)) > kMostAttitudeDeg;
        if (number && !too_many_turns) return true;
        draw_current_frame();
        pacer_.forget_frame();
        guarded([&] { session_.edit_text(id, before.toStdString()); });
        const std::string name = box_caption(w_, id);
        const std::string kept =
            " The box keeps its previous value, " + quoted_short(before.toStdString()) + ".";
        if (too_many_turns)
            w_.message = "The angle typed in the box \"" + name + "\", " + quoted_short(t) +
                         ", is too large: an attitude angle is drawn only up to " +
                         float_text(float(kMostAttitudeDeg)) + " deg either way." + kept;
        else
            w_.message = (t.find_first_not_of(" \t") == std::string::npos
                              ? "The box \"" + name + "\" was left empty"
                              : "The text typed in the box \"" + name + "\", " + quoted_short(t) +
                                    ", is not a number") +
                         ": type digits with a point for decimals, such as 12, -0.5 or 3e-2." +
                         kept;
        shown_text_[i].assign(1, char(1));  // shown again from the model
        pacer_.forget_shown();
        refresh();
        return false;
    }
    // Refused with its message; the box goes back to what it held before.
    draw_current_frame();
    pacer_.forget_frame();
    guarded([&] {
        if (!before.isNull()) session_.edit_text(id, before.toStdString());
        session_.edit_text(id, t);
    });
    shown_text_[i].assign(1, char(1));  // not the model's text: shown again from it
    pacer_.forget_shown();
    refresh();
    return false;
}

void MainWindow::user_pause() {
    if (closed_) return;
    const bool was_looking = session_.looked_at() > 0;
    guarded([&] { session_.pause_or_resume(); });
    if (was_looking) emit moment_changed();
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
    pacer_.forget_frame();
    guarded([&] { session_.fly_loop(loop); });
    pacer_.forget_shown();
    refresh();
}

void MainWindow::fly_yourself() {
    if (closed_) return;
    draw_current_frame();
    pacer_.forget_frame();
    guarded([&] { session_.fly_yourself(); });
    pacer_.forget_shown();
    refresh();
}

void MainWindow::tick() {
    if (closed_ || halted_ || !session_.flying()) return;
    if (pacer_.redraw_every_tick() || session_.writing_files()) {
        // Drawn here, into pic_: a picture still on the render thread is older.
        pacer_.drop_render();
        pacer_.settle_picture();
        // A flight's pictures are drawn again from its frames, not from the log.
        log_->set_logging(false);
        const int64_t ticks = session_.ticks();
        guarded([this] { session_.advance_tick(); });
        log_->set_logging(true);
        pacer_.note_tick();
        tell_tick(ticks);
        pacer_.drew_tick_here();
    } else {
        // The last tick's picture is copied.
        const bool settles = pacer_.shows_render_surface();
        const int64_t ticks = session_.ticks();
        guarded([this] { session_.advance_tick(pacer_.frame()); });
        pacer_.note_tick();
        tell_tick(ticks);
        // A frame when one is due, and the last tick's picture when the flight
        // has stopped (STOP, a fault) or a finished one from the render thread.
        const RenderPacer::TickPicture picture = pacer_.picture_after_tick(session_.flying());
        const bool handed = picture.handed;
        picture_changed_ = picture.changed;
        if (session_.flying() && w_.message.empty() && w_.notice.empty()) {
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

// --- keys and mouse ---

bool MainWindow::apply_pending_edits() {
    bool all = true;
    for (const Control& c : w_.controls)
        if (c.kind == Kind::text && !text_before_edit_[size_t(c.id)].isNull())
            all = user_applied(c.id) && all;
    return all;
}

void MainWindow::press_control(Id id) {
    if (closed_) return;
    const Control& c = control(w_, id);
    if (!c.visible || !c.enabled) {
        // A pattern hidden by a flight comes back with STOP; FIXED, once a
        // moving pattern has been chosen, does not.
        const bool pattern = c.kind == Kind::option && session_.flying();
        w_.notice = pattern ? "A pattern is chosen while no flight is flying: STOP it first."
                    : c.kind == Kind::option ? "\"" + c.text + "\" cannot be chosen now."
                    : id == Id::fly_button
                        ? "FLY starts the flight that OK has set up, or lets a paused one go on: "
                          "press OK first."
                        : "\"" + c.text + "\" cannot be pressed now.";
        refresh();
        return;
    }
    // A typed text that is refused is said first; the control waits.
    if (!apply_pending_edits() || closed_) return;
    user_pressed(id);
}

void MainWindow::set_reading_tab_order(bool on) {
    reading_tab_order_ = on;
    if (reading_order_action_ && reading_order_action_->isChecked() != on)
        reading_order_action_->setChecked(on);
    apply_tab_order();
}

void MainWindow::apply_tab_order() {
    if (!bar_) return;
    // Play and the slider take the focus only in the reading order; in the
    // form's own order the keys Left, Right, Home, ... move the slider.
    const Qt::FocusPolicy bar_focus = reading_tab_order_ ? Qt::TabFocus : Qt::NoFocus;
    bar_->play_button()->setFocusPolicy(bar_focus);
    bar_->slider()->setFocusPolicy(bar_focus);
    // Labels, shapes and the picture take no focus and are left out (Qt
    // ignores a tab order step to or from such a widget).
    QWidget* previous = nullptr;
    const auto step = [&previous, this](QWidget* next) {
        if (next == nullptr || next->focusPolicy() == Qt::NoFocus) return;
        if (previous != nullptr) setTabOrder(previous, next);
        previous = next;
    };
    for (Id id : reading_tab_order_ ? reading_order() : tab_order()) step(widget(id));
    if (reading_tab_order_) {
        step(bar_->play_button());
        step(bar_->slider());
    }
}

void MainWindow::add_form_actions() {
    const auto action = [this](const QString& text, const QKeySequence& key, auto&& f) {
        auto* a = new QAction(text, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, f);
        return a;
    };
    // The Fly menu: the form's patterns and its OK, FLY and STOP by key.
    fly_menu_ = new QMenu(QStringLiteral("F&ly"), this);
    fly_menu_->setObjectName(QStringLiteral("form_fly_menu"));
    struct Entry {
        const char* text;
        Id id;
        QKeySequence key;
    };
    const Entry entries[] = {
        {"&Fixed view (FIXED)", Id::fixed_option, QKeySequence(Qt::CTRL | Qt::Key_0)},
        {"&Upwind", Id::upwind_option, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {"&Downwind", Id::downwind_option, QKeySequence(Qt::CTRL | Qt::Key_2)},
        {"&Crosswind", Id::crosswind_option, QKeySequence(Qt::CTRL | Qt::Key_3)},
        {"&Zoom, U=0, D=0", Id::circle_zoom_option, QKeySequence(Qt::CTRL | Qt::Key_4)},
        {nullptr, Id::count_, {}},
        {"Set up the pattern (&OK)", Id::ok_button, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {"Start or go on (FL&Y)", Id::fly_button, QKeySequence(Qt::Key_F5)},
        {"S&top (STOP)", Id::stop_button, QKeySequence(Qt::SHIFT | Qt::Key_F5)},
    };
    for (const Entry& e : entries) {
        if (e.text == nullptr) {
            fly_menu_->addSeparator();
            continue;
        }
        const Id id = e.id;
        QAction* a = action(QString::fromUtf8(e.text), e.key, [this, id] { press_control(id); });
        a->setObjectName(
            QStringLiteral("press_") +
            QString::fromUtf8(control(w_, id).name.data(), int(control(w_, id).name.size())));
        // Control with Enter on the number pad as with Return.
        if (id == Id::ok_button) a->setShortcuts({e.key, QKeySequence(Qt::CTRL | Qt::Key_Enter)});
        fly_menu_->addAction(a);
    }
    // P pauses and lets the flight go on whatever control has the focus (a
    // text box keeps the letters it types); Space does so unless Tab has just
    // reached a control.
    fly_menu_->addSeparator();
    pause_action_ =
        action(QStringLiteral("&Pause or go on"), pause_key(), [this] { user_pause(); });
    pause_action_->setShortcuts({pause_key(), pause_alt_key()});
    pause_action_->setObjectName(QStringLiteral("pause_action"));
    fly_menu_->addAction(pause_action_);
    // Alt and a letter press or choose a control, as a click on it would; the
    // captions stay as they are (the letters are named in the tips and the Help).
    for (Id id : keyed_controls()) {
        auto* key = new QShortcut(soar::control_key(id), this);
        key->setObjectName(
            QStringLiteral("key_") +
            QString::fromUtf8(control(w_, id).name.data(), int(control(w_, id).name.size())));
        connect(key, &QShortcut::activated, this, [this, id] { press_control(id); });
    }
    reading_order_action_ = action(QStringLiteral("Tab in reading order"), QKeySequence(),
                                   [this](bool on) { set_reading_tab_order(on); });
    reading_order_action_->setObjectName(QStringLiteral("reading_order_action"));
    reading_order_action_->setCheckable(true);
    full_screen_action_ = action(QStringLiteral("Full screen"), QKeySequence(Qt::Key_F11), [this] {
        QWidget* top = window();
        top->setWindowState(top->windowState() ^ Qt::WindowFullScreen);
        full_screen_action_->setChecked(top->windowState() & Qt::WindowFullScreen);
    });
    full_screen_action_->setObjectName(QStringLiteral("full_screen_action"));
    full_screen_action_->setCheckable(true);
    // Quit: the way END and closing the window go (a video being recorded asks first).
    quit_action_ = action(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                          [this] { window()->close(); });
    quit_action_->setObjectName(QStringLiteral("quit_action"));

    // In the right-click menu, after Play and Smooth lines.
    QAction* first_help = nullptr;
    for (QAction* a : actions())
        if (a->text().startsWith(QStringLiteral("Keys and mouse"))) first_help = a;
    insertAction(first_help, fly_menu_->menuAction());
    insertAction(first_help, reading_order_action_);
    insertAction(first_help, full_screen_action_);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    insertAction(first_help, separator);
    auto* last = new QAction(this);
    last->setSeparator(true);
    addAction(last);
    addAction(quit_action_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!closed_ && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == widget(Id::picture)) {
            if (picture_mouse(event)) return true;
        } else if (w->parentWidget() == this && control_key(w, event)) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::control_key(QWidget* control, QEvent* event) {
    const auto enter = [](const QKeyEvent* k) {
        return (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
               (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    };
    auto* button = qobject_cast<QAbstractButton*>(control);
    // Only a control the user has just reached with Tab: after a click, where
    // the program moved the focus, or once the control has been pressed by
    // its key, Space pauses as everywhere else.
    const bool tabbed = button != nullptr && control == tabbed_to_ && control->hasFocus();
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Space is the window's pause key: on a control reached with Tab
            // it presses the control instead (the button's own Space).
            const auto* k = static_cast<QKeyEvent*>(event);
            if (tabbed &&
                (enter(k) || (k->key() == Qt::Key_Space && k->modifiers() == Qt::NoModifier))) {
                event->accept();
                return true;
            }
            return false;
        }
        case QEvent::KeyPress: {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
                tabbing_ = true;
                return false;
            }
            tabbing_ = false;
            if (tabbed && enter(k)) {
                tabbed_to_ = nullptr;
                button->click();
                return true;
            }
            return false;
        }
        case QEvent::KeyRelease: {
            // Pressed once by its key, the control lets Space pause again
            // until Tab is pressed again (the button still takes this release).
            const auto* k = static_cast<QKeyEvent*>(event);
            if (!k->isAutoRepeat() && (k->key() == Qt::Key_Space || enter(k))) tabbed_to_ = nullptr;
            return false;
        }
        case QEvent::FocusIn: {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
            const bool by_tab =
                tabbing_ && (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason);
            tabbing_ = false;
            tabbed_to_ = by_tab ? control : nullptr;
            return false;
        }
        case QEvent::MouseButtonPress:
            tabbing_ = false;
            tabbed_to_ = nullptr;
            return false;
        default:
            return false;
    }
}

bool MainWindow::picture_mouse(QEvent* event) {
    switch (event->type()) {
        case QEvent::Wheel: {
            // One notch (120 eighths of a degree) is one press of "+" or "--".
            wheel_rest_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
            for (; wheel_rest_ >= 120; wheel_rest_ -= 120) press_control(Id::zoom_in_button);
            for (; wheel_rest_ <= -120; wheel_rest_ += 120) press_control(Id::zoom_out_button);
            event->accept();
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* m = static_cast<QMouseEvent*>(event);
            if (dragging_ || (m->button() != Qt::LeftButton && m->button() != Qt::MiddleButton))
                return false;
            dragging_ = true;
            drag_held_ = m->button();
            // A plain drag turns the camera; Shift or the middle button pan.
            drag_orbits_ = m->button() == Qt::LeftButton && !(m->modifiers() & Qt::ShiftModifier);
            drag_from_ = m->position().toPoint();
            return true;
        }
        case QEvent::MouseMove: {
            const auto* m = static_cast<QMouseEvent*>(event);
            if (!dragging_) return false;
            const QPoint at = m->position().toPoint();
            if (drag_orbits_) {
                // A degree per step: right turns the line of sight's azimuth
                // on, down looks more steeply down (the scene follows the hand).
                const int across = (at.x() - drag_from_.x()) / kOrbitStepPixels;
                const int down = (at.y() - drag_from_.y()) / kOrbitStepPixels;
                drag_from_ += QPoint(across, down) * kOrbitStepPixels;
                if (across != 0 || down != 0) user_orbit(across, down);
                return true;
            }
            // The pan buttons, one press per step of the drag: right and left
            // turn the fixed view, up and down raise and lower the view.
            while (!closed_ && at.x() - drag_from_.x() >= kDragStep) {
                drag_from_.rx() += kDragStep;
                press_control(Id::pan_right_button);
            }
            while (!closed_ && drag_from_.x() - at.x() >= kDragStep) {
                drag_from_.rx() -= kDragStep;
                press_control(Id::pan_left_button);
            }
            while (!closed_ && drag_from_.y() - at.y() >= kDragStep) {
                drag_from_.ry() -= kDragStep;
                press_control(Id::pan_up_button);
            }
            while (!closed_ && at.y() - drag_from_.y() >= kDragStep) {
                drag_from_.ry() += kDragStep;
                press_control(Id::pan_down_button);
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!dragging_ || static_cast<QMouseEvent*>(event)->button() != drag_held_)
                return false;
            dragging_ = false;
            return true;
        default:
            return false;
    }
}

bool MainWindow::may_close() {
    if (closed_ || close_agreed_ || !close_check_) return true;
    // The question is open already (a second Ctrl+Q, a tick's refresh).
    if (asking_to_close_) return false;
    asking_to_close_ = true;
    const bool may = close_check_();
    asking_to_close_ = false;
    // Agreed while the question was open (a log-out) stays agreed.
    close_agreed_ = close_agreed_ || may;
    return close_agreed_;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closed_ && !may_close()) {
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        timer_.stop();
        if (message_box_) message_box_->close();
        emit ended();
    }
    event->accept();
}

}  // namespace soar
