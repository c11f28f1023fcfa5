// Fuzzes the mesh reader: every count, truncation and index a file can hold.
#include <cstddef>
#include <cstdint>

#include "core/graphics/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMesh mesh;
  uint32_t detail = 0;
  if (ReadMeshFile(data, size, &mesh, &detail) == TMeshRead::kOk) {
    // What a draw would walk: every index names a vertex.
    volatile float sum = 0;
    for (uint16_t i : mesh.indices) sum = sum + mesh.vertices[i].position.x;
  }
  return 0;
}
