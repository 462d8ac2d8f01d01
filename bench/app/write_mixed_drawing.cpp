// Writes the conversion benchmark's mixed drawing (bench/support/mixed_drawing.h):
//
//   build/bench/app/ovix_mixed_drawing 200000 big200k.dxf
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench/support/mixed_drawing.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: %s ENTITIES OUT.dxf\n", argv[0]);
    return 2;
  }
  try {
    ovix::bench::WriteMixedDrawing(argv[2], std::atol(argv[1]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
