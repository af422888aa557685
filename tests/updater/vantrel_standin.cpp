// Stands in for the main program in the updater tests: notes each start in
// "vantrel.mark" of its working directory, with the number of arguments
// (binary: the same bytes on every system).
#include <cstdio>

int main(int argc, char**) {
    if (FILE* f = std::fopen("vantrel.mark", "ab")) {
        std::fprintf(f, "started args=%d\n", argc - 1);
        std::fclose(f);
    }
    return 0;
}
