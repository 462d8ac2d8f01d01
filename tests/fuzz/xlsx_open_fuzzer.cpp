// Any bytes as an existing Office Open XML workbook (see open_draw_save.h).
#include "tests/fuzz/open_draw_save.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ovix::fuzzing::OpenDrawAndSave(data, size, ".xlsx");
  return 0;
}
