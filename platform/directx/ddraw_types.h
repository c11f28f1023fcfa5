// DirectDraw 7 stand-in: structures, flags and entry points.
#pragma once

#include "platform/directx/dx_types.h"

class IDirectDraw7;
class IDirectDrawSurface7;
class IDirectDrawClipper;
class IDirectDrawPalette;
namespace dx {
struct DrawShared;
}
class IUnknown {
 public:
  virtual ~IUnknown() = default;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

typedef IDirectDraw7* LPDIRECTDRAW7;
typedef IDirectDrawSurface7* LPDIRECTDRAWSURFACE7;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;
typedef IUnknown* LPUNKNOWN;

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDSCAPS {
  DWORD dwCaps;
};

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};
typedef DDSCAPS2* LPDDSCAPS2;

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwZBufferBitDepth;
    DWORD dwAlphaBitDepth;
    DWORD dwLuminanceBitCount;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwStencilBitDepth;
    DWORD dwLuminanceBitMask;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwZBitMask;
  };
  union {
    DWORD dwBBitMask;
    DWORD dwStencilBitMask;
  };
  union {
    DWORD dwRGBAlphaBitMask;
    DWORD dwLuminanceAlphaBitMask;
    DWORD dwRGBZBitMask;
  };
};
typedef DDPIXELFORMAT* LPDDPIXELFORMAT;
static_assert(sizeof(DDPIXELFORMAT) == 32, "pixel format record is 32 bytes");

struct DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  union {
    DWORD dwBackBufferCount;
    DWORD dwDepth;
  };
  union {
    DWORD dwMipMapCount;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  union {
    DDCOLORKEY ddckCKDestOverlay;
    DWORD dwEmptyFaceColor;
  };
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  union {
    DDPIXELFORMAT ddpfPixelFormat;
    DWORD dwFVF;
  };
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};
typedef DDSURFACEDESC2* LPDDSURFACEDESC2;

// Driver capabilities; all 32-bit words, 380 bytes as on the original platform.
struct DDCAPS {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCKeyCaps;
  DWORD dwFXCaps;
  DWORD dwFXAlphaCaps;
  DWORD dwPalCaps;
  DWORD dwSVCaps;
  DWORD dwAlphaBltConstBitDepths;
  DWORD dwAlphaBltPixelBitDepths;
  DWORD dwAlphaBltSurfaceBitDepths;
  DWORD dwAlphaOverlayConstBitDepths;
  DWORD dwAlphaOverlayPixelBitDepths;
  DWORD dwAlphaOverlaySurfaceBitDepths;
  DWORD dwZBufferBitDepths;
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
  DWORD dwMaxVisibleOverlays;
  DWORD dwCurrVisibleOverlays;
  DWORD dwNumFourCCCodes;
  DWORD dwAlignBoundarySrc;
  DWORD dwAlignSizeSrc;
  DWORD dwAlignBoundaryDest;
  DWORD dwAlignSizeDest;
  DWORD dwAlignStrideAlign;
  DWORD dwRops[8];
  DDSCAPS ddsOldCaps;
  DWORD dwMinOverlayStretch;
  DWORD dwMaxOverlayStretch;
  DWORD dwMinLiveVideoStretch;
  DWORD dwMaxLiveVideoStretch;
  DWORD dwMinHwCodecStretch;
  DWORD dwMaxHwCodecStretch;
  DWORD dwReserved1;
  DWORD dwReserved2;
  DWORD dwReserved3;
  DWORD dwSVBCaps;
  DWORD dwSVBCKeyCaps;
  DWORD dwSVBFXCaps;
  DWORD dwSVBRops[8];
  DWORD dwVSBCaps;
  DWORD dwVSBCKeyCaps;
  DWORD dwVSBFXCaps;
  DWORD dwVSBRops[8];
  DWORD dwSSBCaps;
  DWORD dwSSBCKeyCaps;
  DWORD dwSSBFXCaps;
  DWORD dwSSBRops[8];
  DWORD dwMaxVideoPorts;
  DWORD dwCurrVideoPorts;
  DWORD dwSVBCaps2;
  DWORD dwNLVBCaps;
  DWORD dwNLVBCaps2;
  DWORD dwNLVBCKeyCaps;
  DWORD dwNLVBFXCaps;
  DWORD dwNLVBRops[8];
  DDSCAPS2 ddsCaps;
};
typedef DDCAPS* LPDDCAPS;
static_assert(sizeof(DDCAPS) == 380, "caps record is 380 bytes");

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  union {
    DWORD dwFillColor;
    DWORD dwFillDepth;
    DWORD dwFillPixel;
  };
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};
typedef DDBLTFX* LPDDBLTFX;

#define MAX_DDDEVICEID_STRING 512
struct DDDEVICEIDENTIFIER2 {
  char szDriver[MAX_DDDEVICEID_STRING];
  char szDescription[MAX_DDDEVICEID_STRING];
  LARGE_INTEGER liDriverVersion;
  DWORD dwVendorId;
  DWORD dwDeviceId;
  DWORD dwSubSysId;
  DWORD dwRevision;
  GUID guidDeviceIdentifier;
  DWORD dwWHQLLevel;
};
typedef DDDEVICEIDENTIFIER2* LPDDDEVICEIDENTIFIER2;

typedef BOOL (*LPDDENUMCALLBACKEXA)(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context,
                                    HMONITOR monitor);
typedef HRESULT (*LPDDENUMMODESCALLBACK2)(LPDDSURFACEDESC2 mode, LPVOID context);
typedef HRESULT (*LPDDENUMSURFACESCALLBACK7)(LPDIRECTDRAWSURFACE7 surface, LPDDSURFACEDESC2 desc,
                                             LPVOID context);

// Cooperative levels.
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_ALLOWREBOOT 0x00000002u
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u
#define DDSCL_ALLOWMODEX 0x00000040u
#define DDSCL_SETFOCUSWINDOW 0x00000080u
#define DDSCL_SETDEVICEWINDOW 0x00000100u
#define DDSCL_CREATEDEVICEWINDOW 0x00000200u
#define DDSCL_MULTITHREADED 0x00000400u
#define DDSCL_FPUSETUP 0x00000800u
#define DDSCL_FPUPRESERVE 0x00001000u

// Surface description fields.
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_ZBUFFERBITDEPTH 0x00000040u
#define DDSD_ALPHABITDEPTH 0x00000080u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u
#define DDSD_CKDESTOVERLAY 0x00002000u
#define DDSD_CKDESTBLT 0x00004000u
#define DDSD_CKSRCOVERLAY 0x00008000u
#define DDSD_CKSRCBLT 0x00010000u
#define DDSD_MIPMAPCOUNT 0x00020000u
#define DDSD_REFRESHRATE 0x00040000u
#define DDSD_LINEARSIZE 0x00080000u
#define DDSD_TEXTURESTAGE 0x00100000u
#define DDSD_FVF 0x00200000u
#define DDSD_SRCVBHANDLE 0x00400000u
#define DDSD_DEPTH 0x00800000u
#define DDSD_ALL 0x00fff9eeu

// Surface capabilities.
#define DDSCAPS_ALPHA 0x00000002u
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_OVERLAY 0x00000080u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u
#define DDSCAPS_TEXTURE 0x00001000u
#define DDSCAPS_3DDEVICE 0x00002000u
#define DDSCAPS_VIDEOMEMORY 0x00004000u
#define DDSCAPS_VISIBLE 0x00008000u
#define DDSCAPS_WRITEONLY 0x00010000u
#define DDSCAPS_ZBUFFER 0x00020000u
#define DDSCAPS_OWNDC 0x00040000u
#define DDSCAPS_MIPMAP 0x00400000u
#define DDSCAPS_ALLOCONLOAD 0x04000000u
#define DDSCAPS_LOCALVIDMEM 0x10000000u
#define DDSCAPS_NONLOCALVIDMEM 0x20000000u

#define DDSCAPS2_HINTDYNAMIC 0x00000004u
#define DDSCAPS2_HINTSTATIC 0x00000008u
#define DDSCAPS2_TEXTUREMANAGE 0x00000010u
#define DDSCAPS2_OPAQUE 0x00000080u
#define DDSCAPS2_HINTANTIALIASING 0x00000100u
#define DDSCAPS2_MIPMAPSUBLEVEL 0x00010000u
#define DDSCAPS2_D3DTEXTUREMANAGE 0x00020000u

// Pixel format flags.
#define DDPF_ALPHAPIXELS 0x00000001u
#define DDPF_ALPHA 0x00000002u
#define DDPF_FOURCC 0x00000004u
#define DDPF_PALETTEINDEXED4 0x00000008u
#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u
#define DDPF_ZBUFFER 0x00000400u
#define DDPF_ZPIXELS 0x00002000u
#define DDPF_STENCILBUFFER 0x00004000u
#define DDPF_LUMINANCE 0x00020000u

// Blt and BltFast.
#define DDBLT_ALPHADEST 0x00000001u
#define DDBLT_ASYNC 0x00000200u
#define DDBLT_COLORFILL 0x00000400u
#define DDBLT_DDFX 0x00000800u
#define DDBLT_DDROPS 0x00001000u
#define DDBLT_KEYDEST 0x00002000u
#define DDBLT_KEYDESTOVERRIDE 0x00004000u
#define DDBLT_KEYSRC 0x00008000u
#define DDBLT_KEYSRCOVERRIDE 0x00010000u
#define DDBLT_ROP 0x00020000u
#define DDBLT_ROTATIONANGLE 0x00040000u
#define DDBLT_ZBUFFER 0x00080000u
#define DDBLT_WAIT 0x01000000u
#define DDBLT_DEPTHFILL 0x02000000u
#define DDBLT_DONOTWAIT 0x08000000u

#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_SRCCOLORKEY 0x00000001u
#define DDBLTFAST_DESTCOLORKEY 0x00000002u
#define DDBLTFAST_WAIT 0x00000010u
#define DDBLTFAST_DONOTWAIT 0x00000020u

#define DDBLTFX_ARITHSTRETCHY 0x00000001u
#define DDBLTFX_MIRRORLEFTRIGHT 0x00000002u
#define DDBLTFX_MIRRORUPDOWN 0x00000004u
#define DDBLTFX_NOTEARING 0x00000008u

#define DDFLIP_WAIT 0x00000001u
#define DDFLIP_EVEN 0x00000002u
#define DDFLIP_ODD 0x00000004u
#define DDFLIP_NOVSYNC 0x00000008u
#define DDFLIP_DONOTWAIT 0x00000020u

#define DDLOCK_SURFACEMEMORYPTR 0x00000000u
#define DDLOCK_WAIT 0x00000001u
#define DDLOCK_EVENT 0x00000002u
#define DDLOCK_READONLY 0x00000010u
#define DDLOCK_WRITEONLY 0x00000020u
#define DDLOCK_NOSYSLOCK 0x00000800u
#define DDLOCK_DONOTWAIT 0x00004000u

#define DDGFS_CANFLIP 0x00000001u
#define DDGFS_ISFLIPDONE 0x00000002u
#define DDGBS_CANBLT 0x00000001u
#define DDGBS_ISBLTDONE 0x00000002u

#define DDWAITVB_BLOCKBEGIN 0x00000001u
#define DDWAITVB_BLOCKBEGINEVENT 0x00000002u
#define DDWAITVB_BLOCKEND 0x00000004u

#define DDENUM_ATTACHEDSECONDARYDEVICES 0x00000001u
#define DDENUM_DETACHEDSECONDARYDEVICES 0x00000002u
#define DDENUM_NONDISPLAYDEVICES 0x00000004u

#define DDEDM_REFRESHRATES 0x00000001u
#define DDEDM_STANDARDVGAMODES 0x00000002u

#define DDCKEY_SRCBLT 0x00000008u
#define DDCKEY_DESTBLT 0x00000002u

// Render bit depths (device descriptions).
#define DDBD_1 0x00004000u
#define DDBD_2 0x00002000u
#define DDBD_4 0x00001000u
#define DDBD_8 0x00000800u
#define DDBD_16 0x00000400u
#define DDBD_24 0x00000200u
#define DDBD_32 0x00000100u

// Driver capability bits reported in DDCAPS.
#define DDCAPS_3D 0x00000001u
#define DDCAPS_BLT 0x00000040u
#define DDCAPS_BLTCOLORFILL 0x04000000u
#define DDCAPS_BLTSTRETCH 0x00000200u
#define DDCAPS2_NOPAGELOCKREQUIRED 0x00400000u
#define DDCAPS2_CANRENDERWINDOWED 0x00080000u

HRESULT DirectDrawCreateEx(GUID* guid, LPVOID* out, REFIID iid, IUnknown* outer);
HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);
