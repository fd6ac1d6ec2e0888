// main of every benchmark program.

#include "bench/support/ColdRun.h"

int main(int argc, char** argv)
{
    return BenchMain(argc, argv);
}
