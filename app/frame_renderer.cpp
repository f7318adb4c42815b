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

void FrameRenderer::copy_scene_state(State& s) {
    // The tracks are the one part of the state that grows with the flight: set
    // them aside on both sides so that the assignment copies only the rest.
    // Their level-of-detail index likewise: the renderer keeps its own, brought
    // up to date with its copy of the track.
    std::vector<float> own_x = std::move(rs_.x_trk), own_y = std::move(rs_.y_trk),
                       own_z = std::move(rs_.z_trk);
    std::vector<float> src_x = std::move(s.x_trk), src_y = std::move(s.y_trk),
                       src_z = std::move(s.z_trk);
    TrackLod own_lod = std::move(rs_.trk_lod), src_lod = std::move(s.trk_lod);
    rs_ = s;
    s.x_trk = std::move(src_x), s.y_trk = std::move(src_y), s.z_trk = std::move(src_z);
    rs_.x_trk = std::move(own_x), rs_.y_trk = std::move(own_y), rs_.z_trk = std::move(own_z);
    s.trk_lod = std::move(src_lod), rs_.trk_lod = std::move(own_lod);
}

void FrameRenderer::hand_over_track(const State& s, int64_t flight) {
    const int64_t size = int64_t(std::min({s.x_trk.size(), s.y_trk.size(), s.z_trk.size()}));
    // A point is written once, at its tick, and stays until the next flight, so
    // only the points beyond those handed over are new; a new flight (or a track
    // that shrank) starts the copy again. Only these few points are copied here:
    // the append to the long copy, with its growth, and the index's work are the
    // renderer's thread's.
    int64_t from = copied_points_ + 1;
    if (flight != flight_ || size < from || copy_lost_) {
        restart_ = true;
        copy_lost_ = false;
        from = 0;
        flight_ = flight;
    }
    new_x_.assign(s.x_trk.begin() + long(from), s.x_trk.begin() + size);
    new_y_.assign(s.y_trk.begin() + long(from), s.y_trk.begin() + size);
    new_z_.assign(s.z_trk.begin() + long(from), s.z_trk.begin() + size);
    copied_points_ = std::max<int64_t>(size - 1, 0);
}

void FrameRenderer::append_track() {
    if (restart_) {
        rs_.x_trk.clear(), rs_.y_trk.clear(), rs_.z_trk.clear();
        track_lod_reset(rs_.trk_lod);
        restart_ = false;
    }
    rs_.x_trk.insert(rs_.x_trk.end(), new_x_.begin(), new_x_.end());
    rs_.y_trk.insert(rs_.y_trk.end(), new_y_.begin(), new_y_.end());
    rs_.z_trk.insert(rs_.z_trk.end(), new_z_.begin(), new_z_.end());
    // The index of the copy follows it as the GUI's follows its track: a few
    // steps per new point.
    const int64_t points = std::max<int64_t>(int64_t(rs_.x_trk.size()) - 1, 0);
    track_lod_update(rs_.trk_lod, rs_.x_trk.data(), rs_.y_trk.data(), rs_.z_trk.data(), points);
}

bool FrameRenderer::start(State& s, const FrameInputs& f, int64_t flight) {
    if (!f.valid) return false;
    {
        std::lock_guard lock(m_);
        if (job_) return false;
    }
    // Idle: the renderer's thread touches none of this until job_ is set.
    copy_scene_state(s);
    hand_over_track(s, flight);
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
        int64_t tick = f_.n_step;
        std::string why;
        try {
            append_track();
            scene_draw(rs_, f_, pic_);
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
