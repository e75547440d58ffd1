// The programs' entry on Linux: the arguments are the system's bytes already.
#include "app/program_main.h"

int main(int argc, char** argv) { return tarvos::app::ProgramMain(argc, argv); }
