// Direct3D 7 stand-in: everything a caller needs (types, states, the two interfaces).
#pragma once

#include "platform/directx/d3d_types.h"
#include "platform/directx/ddraw.h"
#include "platform/directx/direct3d.h"
#include "platform/directx/direct3d_device.h"
