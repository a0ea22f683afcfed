#include "app/job_list.h"
#include "app/run.h"

int main(int argc, char** argv) { RunProgram(argc, argv, RunSuccessCheck); }
