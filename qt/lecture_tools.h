// What takes the flight to a lecture, in the Flight data window's View menu:
// the air track coloured by energy (or height, airspeed), the wind and
// velocity arrows at the bird, a still of the picture for slides (PNG or SVG
// at a chosen size) and a video of the flight (MP4), made on a thread of its
// own with a progress dialog and Cancel.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "app/flight_video.h"
#include "qt/run_signals.h"
#include "qt/video_output.h"

namespace soar {

// A video of the window's flight: from and to flight times (s), its pace and size.
struct VideoRequest {
    double from_s = 0, to_s = 0;
    int fps = 30;
    int width = 833, height = 667;
};

class LectureTools final : public QObject {
    Q_OBJECT

  public:
    // `parent` owns the tools and parents their dialogs.
    LectureTools(RunSignals& run, QWidget* parent);
    ~LectureTools() override;

    // The View menu's entries.
    void add_to(QMenu* view);

    void set_track_colour(TrackColour by);
    void set_arrows(bool on);
    // The picture as it stands, drawn afresh at width x height: SVG when the
    // path ends in .svg, else PNG. False with the reason when nothing was saved.
    bool save_still(const QString& path, int width, int height, QString& error);

    // What a video of the window's flight flies: its pattern (or loop) with the
    // parameters it flies with, the boxes, colours and arrows as they are now.
    VideoFlight flight_of_window() const;
    // The frames of a video from `from_s` to `to_s` at `fps`.
    static VideoTiming timing_of(const VideoRequest& r);
    // Starts the video on its thread; the progress dialog shows it, Cancel
    // stops it (nothing is written). False with the reason when it cannot start.
    bool start_video(const QString& path, const VideoRequest& r, QString& error);
    bool recording() const { return worker_.joinable(); }
    void cancel_video() { cancel_ = true; }
    // Waits for the video's thread and reports (tests; the dialog does it itself).
    void wait_video();
    // How the last video ended, for the user.
    const QString& last_report() const { return report_; }
    void set_video_opener(VideoOpener opener) { opener_ = std::move(opener); }
    QProgressDialog* progress_dialog() const { return progress_; }

  signals:
    // A video ended: written, cancelled or failed (the report says which).
    void video_done(bool written);

  private:
    void ask_still();
    void ask_video();
    void poll_video();

    RunSignals& run_;
    QWidget* parent_;
    VideoOpener opener_;
    QActionGroup* colours_ = nullptr;
    QAction* arrows_ = nullptr;
    // The video in hand: its thread, progress and result.
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<int64_t> done_{0}, total_{0};
    std::atomic<bool> finished_{false};
    std::mutex result_m_;
    VideoResult result_;
    QString video_path_;
    QPointer<QProgressDialog> progress_;
    QTimer poll_;
    QString report_;
};

}  // namespace soar
