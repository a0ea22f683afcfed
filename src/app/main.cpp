#include "app/run.h"

int main(int argc, char** argv) { RunProgram("jobvigil", argc, argv, RunCheck); }
