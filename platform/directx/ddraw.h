// DirectDraw 7 stand-in: everything a caller needs (types, flags, entry points, interfaces).
#pragma once

#include "platform/directx/ddraw_types.h"
#include "platform/directx/direct_draw.h"
#include "platform/directx/direct_draw_clipper.h"
#include "platform/directx/direct_draw_surface.h"
#include "platform/directx/gdi_blit.h"
