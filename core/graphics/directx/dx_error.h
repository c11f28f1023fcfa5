// The common report of a failed DirectDraw or Direct3D call: "DX Error" log line with the source
// unit and line, and, for out of video memory, the display's low-memory switch first.
#pragma once

#include "platform/directx/ddraw.h"

// Source units of the display code, as they appear in the log lines.
inline constexpr const char* kUnitDisplayHandler = ".\\dxdisplayhandler";
inline constexpr const char* kUnitContext = ".\\directx";
inline constexpr const char* kUnitScreenBuffers = ".\\ddutil";
inline constexpr const char* kUnitTextureData = ".\\dxtexturedata";

// Logs `result` when it is a failure and answers it unchanged.
HRESULT DxCheck(HRESULT result, const char* unit, int line);
// Logs unconditionally (also for a success code a caller treats as failure).
void DxLog(HRESULT result, const char* unit, int line);

#define DX_CHECK(result, unit) DxCheck((result), (unit), __LINE__)
