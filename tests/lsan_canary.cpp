// A deliberate leak of ours, next to an image allocated through QtGui: with the
// suppressions in force LeakSanitizer must still report it (the test expects
// this program to fail), so the suppressions hide third-party leaks only.
#include <QImage>
#include <cstdio>

int main() {
    auto* leaked = new int[64];
    leaked[0] = 1;
    auto* image = new QImage(32, 32, QImage::Format_RGB32);
    image->fill(0);
    std::printf("leaking %d and an image\n", leaked[0]);
    leaked = nullptr;
    image = nullptr;
    return 0;
}
