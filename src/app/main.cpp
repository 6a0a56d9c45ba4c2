// Burrik: a gardener defends a bed of sixteen flowers against moles.
#include "app/startup.h"

int main(int argc, char** argv) { return runGame(argc, argv); }
