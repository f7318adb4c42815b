// Linux calls the core makes that emscripten's C library lacks or answers
// otherwise than the system would.
#include <emscripten/emscripten.h>
#include <fcntl.h>
#include <sys/types.h>

extern "C" {

// A hint that written pages may go to the disk now (the atomic file's long
// writes): Node.js's file system has nothing to hint, the final fsync still
// flushes the file.
int sync_file_range(int, off_t, off_t, unsigned int) {
    return 0;
}

#if defined(__EMSCRIPTEN_PTHREADS__)
// Whether a descriptor is a terminal, as Node.js sees it: the C library says
// yes for every standard stream, and fly would draw its progress line into a
// redirected file. (Only the command line's build runs under Node.js.)
int isatty(int fd) {
    return MAIN_THREAD_EM_ASM_INT(
        {
            try {
                return require('tty').isatty($0) ? 1 : 0;
            } catch (e) {
                return 0;
            }
        },
        fd);
}
#endif

}  // extern "C"
