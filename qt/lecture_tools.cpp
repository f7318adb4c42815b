#include "qt/lecture_tools.h"

#include <QActionGroup>
#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

#include "platform/atomic_file.h"
#include "qt/file_names.h"
#include "qt/raster_surface.h"
#include "qt/svg_surface.h"
#include "sim/names.h"

namespace soar {

namespace {

struct ColourChoice {
    TrackColour by;
    const char* text;
};
constexpr ColourChoice kColourChoices[] = {
    {TrackColour::plain, "Air track &plain"},
    {TrackColour::energy, "Air track by &energy rate dE/dt"},
    {TrackColour::wind, "Air track by energy from the &wind gradient"},
    {TrackColour::height, "Air track by &height"},
    {TrackColour::airspeed, "Air track by &airspeed"},
};

// Two spin boxes for a picture's size, pixels.
struct SizeBoxes {
    QSpinBox *w, *h;
};
SizeBoxes size_boxes(QWidget* parent, QFormLayout* form, int w, int h) {
    auto* row = new QHBoxLayout;
    SizeBoxes b{new QSpinBox(parent), new QSpinBox(parent)};
    for (QSpinBox* s : {b.w, b.h}) s->setRange(16, 8192);
    b.w->setValue(w), b.h->setValue(h);
    row->addWidget(b.w);
    row->addWidget(new QLabel(QStringLiteral("x"), parent));
    row->addWidget(b.h);
    row->addWidget(new QLabel(QStringLiteral("pixels"), parent));
    form->addRow(QStringLiteral("Size:"), row);
    return b;
}

}  // namespace

LectureTools::LectureTools(RunSignals& run, QWidget* parent)
    : QObject(parent), run_(run), parent_(parent), opener_(module_video_opener()) {
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, &LectureTools::poll_video);
}

LectureTools::~LectureTools() {
    if (worker_.joinable()) {
        cancel_ = true;
        worker_.join();
    }
}

void LectureTools::add_to(QMenu* view) {
    colours_ = new QActionGroup(this);
    for (const ColourChoice& c : kColourChoices) {
        QAction* a = view->addAction(QString::fromUtf8(c.text));
        a->setCheckable(true);
        a->setChecked(run_.session().track_colour() == c.by);
        a->setActionGroup(colours_);
        a->setData(int(c.by));
        const TrackColour by = c.by;
        connect(a, &QAction::triggered, this, [this, by] { set_track_colour(by); });
    }
    view->addSeparator();
    arrows_ = view->addAction(QStringLiteral("A&rrows at the bird: wind, air and ground velocity"));
    arrows_->setCheckable(true);
    arrows_->setChecked(run_.session().arrows());
    connect(arrows_, &QAction::toggled, this, [this](bool on) { set_arrows(on); });
    view->addSeparator();
    view->addAction(QStringLiteral("Save picture for &slides (PNG or SVG)..."), this,
                    &LectureTools::ask_still);
    QAction* video =
        view->addAction(QStringLiteral("Record &video..."), this, &LectureTools::ask_video);
    video->setObjectName(QStringLiteral("record_video_action"));
}

void LectureTools::set_track_colour(TrackColour by) {
    if (colours_)
        for (QAction* a : colours_->actions())
            if (a->data().toInt() == int(by) && !a->isChecked()) a->setChecked(true);
    emit run_.track_colour_wanted(by);
}

void LectureTools::set_arrows(bool on) {
    if (arrows_ && arrows_->isChecked() != on) arrows_->setChecked(on);
    emit run_.arrows_wanted(on);
}

bool LectureTools::save_still(const QString& path, int width, int height, QString& error) {
    if (width < 16 || height < 16 || width > 8192 || height > 8192) {
        error = QStringLiteral("a picture needs 16 to 8192 pixels a side");
        return false;
    }
    const Session& s = run_.session();
    const Frame frame = frame_for_aspect(s.frame_now(), double(width) / double(height));
    std::string bytes;
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        SvgSurface svg(width, height);
        s.draw(frame, svg);
        bytes = svg.svg(QStringLiteral("Soarcalculus flight")).toStdString();
    } else {
        RasterSurface pic(width, height);
        if (!pic.ok()) {
            error = QStringLiteral("no picture of that size could be made");
            return false;
        }
        s.draw(frame, pic);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!pic.image().save(&buffer, "PNG")) {
            error = QStringLiteral("the picture could not be encoded");
            return false;
        }
        bytes = data.toStdString();
    }
    std::string why;
    if (!write_file_atomically(path.toStdString(), bytes, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    return true;
}

namespace {

// The pattern as a file name takes it.
QString pattern_word(const RunSignals& run) {
    if (run.session().loop()) return QStringLiteral("optimal-loop");
    const RunModel& w = run.model();
    // A still or video of the fixed view shows the resting bird: "fixed".
    return QString::fromLatin1(mode_name(w.flight_mode.value_or(w.pattern)));
}

}  // namespace

void LectureTools::ask_still() {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("Save picture for slides"));
    auto* form = new QFormLayout(&dialog);
    const QSize shown = run_.window().picture_rect().size();  // in the window's pixels
    const SizeBoxes size = size_boxes(&dialog, form, shown.width() * 2, shown.height() * 2);
    form->addRow(new QLabel(QStringLiteral("The picture as it stands, drawn afresh at this size,\n"
                                           "with the colour bar and legend when they are shown."),
                            &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString filter = QStringLiteral("PNG images (*.png);;SVG drawings (*.svg)");
    QString chosen;
    const QString typed = QFileDialog::getSaveFileName(
        parent_, QStringLiteral("Save picture for slides"),
        save_start(QStringLiteral("still"), suggested_file_name(pattern_word(run_), "png")), filter,
        &chosen);
    // The extension of the filter chosen, unless the name ends in one of the two.
    const QString path = chosen_save_path(
        QStringLiteral("still"), typed,
        typed.endsWith(".svg", Qt::CaseInsensitive) || typed.endsWith(".png", Qt::CaseInsensitive)
            ? filter
            : chosen);
    if (path.isEmpty()) return;
    QString error;
    if (!save_still(path, size.w->value(), size.h->value(), error))
        QMessageBox::warning(parent_, QStringLiteral("Save picture for slides"),
                             QStringLiteral("The picture was not saved: ") + error);
}

VideoFlight LectureTools::flight_of_window() const {
    const Session& s = run_.session();
    const RunModel& w = s.model();
    VideoFlight v;
    v.mode = w.flight_mode.value_or(w.pattern);
    v.params = w.params;
    if (w.flight_mode) v.params.of(v.mode) = w.flight;  // what this flight flies with
    if (s.loop()) v.loop = std::make_shared<const LoopFlight>(*s.loop());
    v.grid = w.grid;
    v.ground = w.ground_track ? 1 : 0;
    v.air = w.air_track ? 1 : 0;
    v.colour = s.track_colour();
    v.arrows = s.arrows();
    return v;
}

VideoTiming LectureTools::timing_of(const VideoRequest& r) {
    VideoTiming t;
    t.fps = r.fps;
    const double a = std::max(0.0, std::min(r.from_s, r.to_s)), b = std::max(r.from_s, r.to_s);
    t.first = int64_t(std::ceil(a * r.fps - 1e-6));
    const int64_t last = int64_t(std::floor(b * r.fps + 1e-6));
    t.frames = std::max<int64_t>(1, last - t.first + 1);
    return t;
}

bool LectureTools::start_video(const QString& path, const VideoRequest& r, QString& error) {
    if (worker_.joinable()) {
        error = QStringLiteral("a video is being made already");
        return false;
    }
    const VideoFlight flight = flight_of_window();
    if (flight.mode == Mode::fixed && !flight.loop) {
        error = QStringLiteral("there is no flight to record: set up a pattern with OK and FLY");
        return false;
    }
    std::string why;
    if (!output_path_usable(path.toStdString(), why)) {
        error = QString::fromStdString(why);
        return false;
    }
    std::unique_ptr<FrameSink> sink;
    if (opener_) {
        sink = raster_video_sink(
            opener_(path.toStdString(),
                    VideoFormat{video_side(r.width), video_side(r.height), r.fps}, why));
    }
    if (!sink) {
        error = QString::fromStdString(why.empty() ? "no video encoder" : why);
        return false;
    }
    const VideoTiming timing = timing_of(r);
    cancel_ = false;
    finished_ = false;
    done_ = 0;
    total_ = timing.frames;
    video_path_ = path;
    report_.clear();
    const int width = video_side(r.width), height = video_side(r.height);
    worker_ = std::thread([this, flight, timing, width, height, s = std::move(sink)]() mutable {
        VideoResult result;
        RasterSurface picture(width, height);
        if (!picture.ok()) {
            result.error = "no picture of that size could be made";
        } else {
            result = fly_video(flight, timing, picture, *s, [this](int64_t done, int64_t) {
                done_ = done;
                return !cancel_.load();
            });
        }
        s.reset();  // an unfinished video is removed here, on this thread
        {
            std::lock_guard lock(result_m_);
            result_ = result;
        }
        finished_ = true;
    });
    progress_ = new QProgressDialog(QStringLiteral("Recording the video..."),
                                    QStringLiteral("Cancel"), 0, int(timing.frames), parent_);
    progress_->setWindowTitle(QStringLiteral("Record video"));
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    connect(progress_, &QProgressDialog::canceled, this, [this] { cancel_ = true; });
    progress_->show();
    poll_.start();
    return true;
}

void LectureTools::poll_video() {
    if (progress_) progress_->setValue(int(done_.load()));
    if (!finished_.load()) return;
    poll_.stop();
    worker_.join();
    VideoResult r;
    {
        std::lock_guard lock(result_m_);
        r = result_;
    }
    if (progress_) progress_->close();
    if (r.ok) {
        report_ = QStringLiteral("Video written: %1 (%2 frames)").arg(video_path_).arg(r.frames);
        if (!r.fault.empty())
            report_ += QStringLiteral("; it ends where the flight stopped: ") +
                       QString::fromStdString(r.fault);
    } else if (r.cancelled) {
        report_ = QStringLiteral("The video was cancelled; nothing was written.");
    } else {
        report_ = QStringLiteral("The video was not written: ") + QString::fromStdString(r.error);
    }
    emit video_done(r.ok);
}

void LectureTools::wait_video() {
    if (!worker_.joinable()) return;
    while (!finished_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    poll_video();
}

void LectureTools::ask_video() {
    const FlightState& now = run_.session().flight_state();
    const Session& s = run_.session();
    if (s.ticks() == 0) {
        QMessageBox::information(parent_, QStringLiteral("Record video"),
                                 QStringLiteral("There is no flight to record yet: choose a "
                                                "pattern, press OK and FLY."));
        return;
    }
    const double end = std::max(0.0, double(now.t));
    // The moment looked back at, else where the flight stands.
    const double moment = s.looked_at() > 0 ? s.time_of_tick(s.looked_at()) : end;
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("Record video"));
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(
        QStringLiteral("The flight is flown again at a fixed step and drawn at every frame's\n"
                       "flight time, so the video is the same on any machine."),
        &dialog));
    auto* from = new QDoubleSpinBox(&dialog);
    auto* to = new QDoubleSpinBox(&dialog);
    for (QDoubleSpinBox* b : {from, to}) {
        b->setDecimals(2);
        b->setRange(0.0, std::max(end, 0.01));
        b->setSuffix(QStringLiteral(" s"));
    }
    from->setValue(0.0);
    to->setValue(end);
    auto* from_row = new QHBoxLayout;
    from_row->addWidget(from);
    auto* start = new QPushButton(QStringLiteral("Start"), &dialog);
    auto* shown = new QPushButton(QStringLiteral("Moment shown"), &dialog);
    connect(start, &QPushButton::clicked, from, [from] { from->setValue(0.0); });
    connect(shown, &QPushButton::clicked, from, [from, moment] { from->setValue(moment); });
    from_row->addWidget(start);
    from_row->addWidget(shown);
    form->addRow(QStringLiteral("From flight time:"), from_row);
    form->addRow(QStringLiteral("To (the end of the flight):"), to);
    auto* fps = new QSpinBox(&dialog);
    fps->setRange(1, 120);
    fps->setValue(30);
    fps->setSuffix(QStringLiteral(" frames/s"));
    form->addRow(QStringLiteral("Frame rate:"), fps);
    const QSize pic = run_.window().picture_rect().size();
    const SizeBoxes size = size_boxes(&dialog, form, pic.width(), pic.height());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString path = chosen_save_path(
        QStringLiteral("video"),
        QFileDialog::getSaveFileName(
            parent_, QStringLiteral("Record video"),
            save_start(QStringLiteral("video"), suggested_file_name(pattern_word(run_), "mp4")),
            QStringLiteral("MP4 videos (*.mp4)")),
        QStringLiteral("MP4 videos (*.mp4)"));
    if (path.isEmpty()) return;
    VideoRequest r;
    r.from_s = from->value(), r.to_s = to->value(), r.fps = fps->value();
    r.width = size.w->value(), r.height = size.h->value();
    QString error;
    if (!start_video(path, r, error)) {
        QMessageBox::warning(parent_, QStringLiteral("Record video"),
                             QStringLiteral("The video cannot be made: ") + error);
        return;
    }
    QPointer<LectureTools> self(this);
    connect(
        this, &LectureTools::video_done, this,
        [self] {
            if (self)
                QMessageBox::information(self->parent_, QStringLiteral("Record video"),
                                         self->report_);
        },
        Qt::SingleShotConnection);
}

}  // namespace soar
