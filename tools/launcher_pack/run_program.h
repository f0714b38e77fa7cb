#pragma once

// Runs another program to its end, with this one's standard streams.

#include <string>
#include <vector>

struct ProgramOutcome {
  bool started = false;
  int exitCode = 0;
};

// arguments[0] is the program, searched for on PATH unless it holds a path.
ProgramOutcome RunProgram(const std::vector<std::string>& arguments);
