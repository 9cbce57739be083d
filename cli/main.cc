// SPDX-License-Identifier: MIT
#include "cli/run.h"

int main(int argc, char** argv) { return run_dlfgen(argc, argv); }
