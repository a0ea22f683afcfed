#include "app/run.h"

int main(int argc, char** argv) { RunProgram(argc, argv, RunCheck); }
