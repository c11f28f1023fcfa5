// SHELL32, VERSION, ole32 and IP Helper calls: special folders, opening documents, the version
// record, message boxes, unique identifiers, the adapter address and the system version.
// Included by win32.h.
#pragma once

#define CSIDL_DESKTOP 0x0000
#define CSIDL_DESKTOPDIRECTORY 0x0010
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_PERSONAL 0x0005
#define CSIDL_FLAG_CREATE 0x8000
#define SHGFP_TYPE_CURRENT 0

// Special folders follow XDG; ORVELLA_APPDATA_DIR, ORVELLA_COMMON_APPDATA_DIR and
// ORVELLA_DESKTOP_DIR override them (tests always set them). Paths come back with "/".
HRESULT SHGetFolderPathA(HWND owner, int csidl, HANDLE token, DWORD flags, LPSTR path);
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create);

// Never launches anything in tests or headless runs (SDL_VIDEODRIVER dummy or offscreen, or
// ORVELLA_NO_LAUNCH set); the call is recorded for TestControl either way. Otherwise the
// document is handed to xdg-open, detached. Returns a value above 32 on success.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR folder, INT show);

// Version record of the program (compiled in): "\\" gives VS_FIXEDFILEINFO, and
// "\\StringFileInfo\\040904b0\\ProductName" (or InternalName, FileVersion) a string.
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length);

HRESULT CoCreateGuid(GUID* guid);  // random (version 4) from /dev/urandom
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_ADDRESS_LENGTH 8
#define MIB_IF_TYPE_ETHERNET 6
struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
};
typedef IP_ADAPTER_INFO* PIP_ADAPTER_INFO;
// Every non-loopback interface with a hardware address: physical ones first, then by index,
// so the first one (the machine identifier's source) stays the same from run to run.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO info, PULONG size);

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
#define VER_PLATFORM_WIN32_NT 2
// Reports Windows XP (5.1) unless a test sets another version.
BOOL GetVersionExA(OSVERSIONINFOA* info);
DWORD GetVersion();
