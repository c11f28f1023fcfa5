// The "DX Error" line of every display unit.
#include "core/graphics/directx/dx_error.h"

#include "core/base/log.h"
#include "core/graphics/directx/platform_data.h"

void DxLog(HRESULT result, const char* unit, int line) {
  // The low-memory switch comes before the line, so the next set-up already knows.
  if (result == DDERR_OUTOFVIDEOMEMORY) {
    if (TPlatformData* display = TPlatformData::Get()) display->OnOutOfVideoMemory();
  }
  LogError("DX Error: %s (0x%x), File %s, Line %d", "", (unsigned)result, unit, line);
}

HRESULT DxCheck(HRESULT result, const char* unit, int line) {
  if (FAILED(result)) DxLog(result, unit, line);
  return result;
}
