// Linked into the Qt tests under ThreadSanitizer. Qt's raster engine splits a
// large fill (a chart's background, hundreds of rows of spans) and an image
// conversion across the threads of its global thread pool, and waits for them
// on a QSemaphore; the pool hands its tasks over under a QMutex. Both are
// futexes inside the uninstrumented Qt libraries: the detector sees none of
// that synchronisation and reports every such fill as a race between the pool
// and the GUI thread, with nothing of ours in either stack (Qt has no frames
// the detector could name there, so no suppression can pick them out).
//
// So the pool's threads go unwatched: before the first test, the pool is fixed
// at two threads that never retire, and each is told that the detector should
// record nothing it reads or writes. Only Qt's own work runs there; every
// thread of ours is a std::thread and stays watched, and so does the GUI
// thread. When the application ends, before it retires the pool's threads,
// each is watched again (a thread may not end with its accesses ignored).
#include <QCoreApplication>
#include <QRunnable>
#include <QThreadPool>
#include <atomic>
#include <thread>

extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

namespace {

constexpr int kPoolThreads = 2;

// Per round: tasks started, and tasks done with their mark.
std::atomic<int> started[2], done[2];

// Runs on one pool thread; the tasks of a round hold their threads until all of
// the round have started, so that each lands on a thread of its own. Marked
// first, so that the round's own waiting goes unrecorded too; unmarked last, so
// that nothing recorded follows on the task. (It reads no member: a read before
// the mark would be recorded, unordered with the GUI thread's writes.)
template <bool Unwatch>
class Mark final : public QRunnable {
  public:
    Mark() { setAutoDelete(false); }
    void run() override {
        if (Unwatch) __tsan_ignore_thread_begin();
        std::atomic<int>& n = started[Unwatch ? 0 : 1];
        n.fetch_add(1);
        while (n.load() < kPoolThreads) std::this_thread::yield();
        done[Unwatch ? 0 : 1].fetch_add(1);
        if (!Unwatch) __tsan_ignore_thread_end();
    }
};

Mark<true> unwatch[kPoolThreads];
Mark<false> rewatch[kPoolThreads];

template <bool Unwatch>
void round(Mark<Unwatch> (&marks)[kPoolThreads]) {
    QThreadPool* pool = QThreadPool::globalInstance();
    for (auto& m : marks) pool->start(&m);
    // Not waitForDone(): that retires the pool's threads.
    std::atomic<int>& n = done[Unwatch ? 0 : 1];
    while (n.load() < kPoolThreads) std::this_thread::yield();
}

void watch_again() {
    round(rewatch);
}

void unwatch_pool() {
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);  // the marked threads are the pool's for good
    pool->setMaxThreadCount(kPoolThreads);
    round(unwatch);
    // The application's end retires the pool's threads: they are watched again
    // just before (post routines run first).
    qAddPostRoutine(watch_again);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(unwatch_pool)
