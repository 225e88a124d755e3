// Build-time generator of the player controller movie:
//   mvd_controller_generator <output.swf>
#include <cstdio>

#include "ControllerMovie.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.swf>\n", argv[0]);
        return 2;
    }
    if (!controller::WriteControllerMovie(argv[1])) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
