// rfcard: whole-card work with the contactless card reader from the command line.

#include "commands.h"

int main(int argc, char **argv) { return rfcard::run_rfcard(argc, argv); }
