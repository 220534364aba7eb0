// make_samples FOLDER: writes the sample patterns of the release into FOLDER.
#include <cstdio>

#include "release/samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER\n");
        return 2;
    }
    if (release::WriteSamples(argv[1])) return 0;
    std::fprintf(stderr, "make_samples: cannot write into %s\n", argv[1]);
    return 1;
}
