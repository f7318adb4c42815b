// A data race on purpose: under ThreadSanitizer this program must be reported
// (the test expects it to fail), which shows the race detector is really on.
#include <thread>

int main() {
    int counter = 0;
    std::thread a([&] {
        for (int i = 0; i < 100000; ++i) ++counter;
    });
    for (int i = 0; i < 100000; ++i) ++counter;
    a.join();
    return counter == 0 ? 1 : 0;
}
