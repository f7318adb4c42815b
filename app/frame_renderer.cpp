#include "app/frame_renderer.h"

#include <algorithm>
#include <utility>

namespace soar {

FrameRenderer::FrameRenderer(Surface& pic) : pic_(pic), thread_([this] { run(); }) {}

FrameRenderer::~FrameRenderer() {
    {
        std::lock_guard lock(m_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

bool FrameRenderer::busy() const {
    std::lock_guard lock(m_);
    return job_;
}

void FrameRenderer::wait() const {
    std::unique_lock lock(m_);
    cv_.wait(lock, [this] { return !job_; });
}

bool FrameRenderer::hand_over_track(const Tracks& tracks, int64_t flight) {
    const int64_t size = int64_t(std::min({tracks.x.size(), tracks.y.size(), tracks.z.size()}));
    // A point is written once, at its tick, and stays until the next flight, so
    // only the points beyond those handed over are new; a new flight (or a track
    // that shrank) starts the copy again. Only these few points are copied here:
    // the append to the long copy, with its growth, and the index's work are the
    // renderer's thread's.
    int64_t from = copied_points_ + 1;
    const bool restart = flight != flight_ || size < from || copy_lost_;
    if (restart) {
        restart_ = true;
        copy_lost_ = false;
        from = 0;
        flight_ = flight;
    }
    new_x_.assign(tracks.x.begin() + long(from), tracks.x.begin() + size);
    new_y_.assign(tracks.y.begin() + long(from), tracks.y.begin() + size);
    new_z_.assign(tracks.z.begin() + long(from), tracks.z.begin() + size);
    copied_points_ = std::max<int64_t>(size - 1, 0);
    // The values the same way; they start again with the track, or when the
    // flight's values began afresh.
    const TrackValues& tv = tracks.values;
    const int64_t v_size = int64_t(std::min({tv.rate.size(), tv.wind.size(), tv.airspeed.size()}));
    int64_t v_from = restart ? 0 : copied_values_;
    // Values filled in after their points (a colour chosen later) go over again.
    if (v_size < v_from || tv.fills != copied_fills_) v_from = 0;
    copied_fills_ = tv.fills;
    values_restart_ = v_from == 0;
    new_rate_.assign(tv.rate.begin() + long(v_from), tv.rate.begin() + v_size);
    new_wind_.assign(tv.wind.begin() + long(v_from), tv.wind.begin() + v_size);
    new_airspeed_.assign(tv.airspeed.begin() + long(v_from), tv.airspeed.begin() + v_size);
    copied_values_ = v_size;
    return restart;
}

void FrameRenderer::append_track() {
    Tracks& tr = scene_.tracks;
    if (restart_) {
        tr.x.clear(), tr.y.clear(), tr.z.clear();
        track_lod_reset(tr.lod);
        restart_ = false;
    }
    tr.x.insert(tr.x.end(), new_x_.begin(), new_x_.end());
    tr.y.insert(tr.y.end(), new_y_.begin(), new_y_.end());
    tr.z.insert(tr.z.end(), new_z_.begin(), new_z_.end());
    TrackValues& tv = tr.values;
    if (values_restart_) tv.rate.clear(), tv.wind.clear(), tv.airspeed.clear();
    tv.rate.insert(tv.rate.end(), new_rate_.begin(), new_rate_.end());
    tv.wind.insert(tv.wind.end(), new_wind_.begin(), new_wind_.end());
    tv.airspeed.insert(tv.airspeed.end(), new_airspeed_.begin(), new_airspeed_.end());
    tv.n = std::max<int64_t>(int64_t(tv.rate.size()) - 1, 0);
    // The index of the copy follows it as the GUI's follows its track: a few
    // steps per new point.
    const int64_t points = std::max<int64_t>(int64_t(tr.x.size()) - 1, 0);
    tr.n = points;
    track_lod_update(tr.lod, tr.x.data(), tr.y.data(), tr.z.data(), points);
}

bool FrameRenderer::start(const Frame& f, const Scene& scene, const BirdModel& bird,
                          int64_t flight) {
    if (!f.valid) return false;
    {
        std::lock_guard lock(m_);
        if (job_) return false;
    }
    // Idle: the renderer's thread touches none of this until job_ is set. The
    // grid and the wind figure are a few hundred numbers; the bird model is
    // built once at start-up and taken again with each new flight.
    if (hand_over_track(scene.tracks, flight)) bird_ = bird;
    scene_.grid = scene.grid;
    scene_.wind = scene.wind;
    if (f.switches.ghost) scene_.ghost = scene.ghost;
    f_ = f;
    {
        std::lock_guard lock(m_);
        job_ = true;
    }
    cv_.notify_all();
    return true;
}

int64_t FrameRenderer::take_finished(std::string* error) {
    std::lock_guard lock(m_);
    if (job_) return -1;
    const int64_t tick = finished_tick_;
    finished_tick_ = -1;
    if (error) *error = std::move(failure_);
    failure_.clear();
    return tick;
}

void FrameRenderer::run() {
    std::unique_lock lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return job_ || quit_; });
        if (quit_) return;
        lock.unlock();
        int64_t tick = f_.tick;
        std::string why;
        try {
            append_track();
            draw_frame(f_, scene_, bird_, pic_);
        } catch (const std::exception& e) {
            tick = -1;
            why = e.what();
            copy_lost_ = true;
        }
        lock.lock();
        finished_tick_ = tick;
        failure_ = std::move(why);
        job_ = false;
        cv_.notify_all();
    }
}

}  // namespace soar
