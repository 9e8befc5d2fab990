// Writes the sample archive: make_sample examples/sample.dat
#include "support/SampleArchive.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample FILE\n");
        return 2;
    }
    return sampleArchive().writeTo(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
