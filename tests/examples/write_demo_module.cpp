// Writes the generated demo module to the path given, for the example's test.
#include "DemoSongs.h"

int main(int argc, char** argv) {
    return argc == 2 && pelgra::gen::writeFile(argv[1], pelgra::gen::makeDemoModule()) ? 0 : 1;
}
