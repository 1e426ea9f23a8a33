// ardmon-sim: edits a simulated machine while the monitor watches it.
#include <iostream>

#include "disklib/sim/fixture_edit.h"

int main(int argc, char** argv) {
  std::string out, err;
  const int status = disklib::sim::RunFixtureCommand(argc, argv, out, err);
  std::cout << out;
  std::cerr << err;
  return status;
}
