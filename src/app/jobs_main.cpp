#include "app/run.h"
#include "listing/listing.h"

int main(int argc, char** argv) { RunProgram("jobvigil-jobs", argc, argv, RunJobList); }
