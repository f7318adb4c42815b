// The command line's fly under Node.js: the same options, checks and rows as
// the native program's (app/cli_fly.cpp), the files in the real file system.
#include <cstdio>
#include <cstring>

#include "app/cli_args.h"

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "fly") != 0) {
        std::fprintf(stderr,
                     "usage: node soarcalculus-fly.js fly --pattern P --ticks N --dt S --csv FILE\n"
                     "(the options of the program's fly; the other commands are the program's)\n");
        return 2;
    }
    return soar::cli::fly_command(argc, argv);
}
