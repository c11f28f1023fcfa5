// The clipboard, global memory blocks and the code-page conversions.
#include <cstring>

#include "platform/test_control.h"
#include "platform/win32/user_internal.h"

namespace win32 {

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += (char)c;
    } else {
      out += (char)(0xC0 | (c >> 6));
      out += (char)(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = (unsigned char)text[i];
    uint32_t cp;
    int extra;
    if (c < 0x80) cp = c, extra = 0;
    else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, extra = 1;
    else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
    else if ((c & 0xF8) == 0xF0) cp = c & 0x07, extra = 3;
    else cp = 0xFFFD, extra = 0;  // a stray continuation byte
    i++;
    for (int k = 0; k < extra; k++, i++) {
      if (i >= text.size() || ((unsigned char)text[i] & 0xC0) != 0x80) {
        cp = 0xFFFD;
        break;
      }
      cp = (cp << 6) | ((unsigned char)text[i] & 0x3F);
    }
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out += (char16_t)(0xD800 + (cp >> 10));
      out += (char16_t)(0xDC00 + (cp & 0x3FF));
    } else {
      out += (char16_t)(cp > 0x10FFFF ? 0xFFFD : cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // an unpaired surrogate
    }
    if (cp < 0x80) {
      out += (char)cp;
    } else if (cp < 0x800) {
      out += (char)(0xC0 | (cp >> 6));
      out += (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += (char)(0xE0 | (cp >> 12));
      out += (char)(0x80 | ((cp >> 6) & 0x3F));
      out += (char)(0x80 | (cp & 0x3F));
    } else {
      out += (char)(0xF0 | (cp >> 18));
      out += (char)(0x80 | ((cp >> 12) & 0x3F));
      out += (char)(0x80 | ((cp >> 6) & 0x3F));
      out += (char)(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

namespace {

struct GlobalMemory : KObject {
  std::vector<char> bytes;
  int locks = 0;
};

struct Clipboard {
  std::map<UINT, std::string> formats;  // raw bytes by format, text with its NUL
  std::map<UINT, HANDLE> handed;        // blocks GetClipboardData handed out, owned here
  HWND openBy = nullptr;
  DWORD openThread = 0;
  bool open = false;
  bool changed = false;
  bool failOpen = false;
  std::string pushed;  // the text last given to SDL, to tell our own text from another program's
};
Clipboard& C() {  // guarded by the kernel lock
  static auto* c = new Clipboard;
  return *c;
}

std::u16string WideOf(const std::string& bytesWithNul) {
  std::u16string w((const char16_t*)bytesWithNul.data(), bytesWithNul.size() / 2);
  while (!w.empty() && w.back() == 0) w.pop_back();
  return w;
}
std::string BytesOf(const std::u16string& w) {
  std::u16string z = w + u'\0';
  return std::string((const char*)z.data(), z.size() * 2);
}

void FreeHandedLocked() {
  for (auto& [f, h] : C().handed) RemoveHandleLocked(h);
  C().handed.clear();
}

bool IsTextFormat(UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT; }

std::string AcpOf(const std::u16string& w) {
  std::string out;
  for (char16_t u : w) out += u <= 0xFF ? (char)u : '?';
  return out;
}

bool ValidMultibyteUtf8(const std::string& s) {
  bool multi = false;
  for (size_t i = 0; i < s.size(); i++) {
    unsigned char c = (unsigned char)s[i];
    if (c < 0x80) continue;
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) return false;
    for (int k = 1; k <= extra; k++)
      if (i + k >= s.size() || ((unsigned char)s[i + k] & 0xC0) != 0x80) return false;
    i += extra;
    multi = true;
  }
  return multi;
}

// The clipboard's text for other programs, as UTF-8.
bool TextForSystemLocked(std::string* utf8) {
  auto& f = C().formats;
  if (f.count(CF_UNICODETEXT)) {
    *utf8 = Utf16ToUtf8(WideOf(f[CF_UNICODETEXT]));
    return true;
  }
  if (f.count(CF_TEXT)) {
    std::string bytes = f[CF_TEXT].c_str();
    // Text kept as UTF-8 bytes (the framework's UTF-8 mode) goes out as it is.
    *utf8 = ValidMultibyteUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
    return true;
  }
  return false;
}

// Takes in text another program put on the system clipboard since we last looked.
void PullFromSystem() {
  std::string text;
  if (!SdlPullClipboard(&text)) return;
  Lock lock(KernelLock());
  if (text == C().pushed) return;
  C().pushed = text;
  C().formats.clear();
  std::u16string wide = Utf8ToUtf16(text);
  C().formats[CF_UNICODETEXT] = BytesOf(wide);
  C().formats[CF_TEXT] = AcpOf(wide) + '\0';
}

bool OpenByMeLocked() { return C().open && C().openThread == ThreadId(); }

}  // namespace
}  // namespace win32

using namespace win32;

BOOL OpenClipboard(HWND owner) {
  PullFromSystem();
  Lock lock(KernelLock());
  if (C().failOpen || (C().open && C().openThread != ThreadId())) {
    lock.unlock();
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  C().open = true;
  C().openThread = ThreadId();
  C().openBy = owner;
  C().changed = false;
  return TRUE;
}

BOOL CloseClipboard() {
  std::string text;
  bool push = false;
  {
    Lock lock(KernelLock());
    if (!OpenByMeLocked()) {
      lock.unlock();
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    C().open = false;
    FreeHandedLocked();
    if (C().changed) {
      push = TextForSystemLocked(&text);
      if (push) C().pushed = text;
    }
  }
  if (push) SdlPushClipboard(text);
  return TRUE;
}

BOOL EmptyClipboard() {
  Lock lock(KernelLock());
  if (!OpenByMeLocked()) {
    lock.unlock();
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  FreeHandedLocked();
  C().formats.clear();
  C().changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Lock lock(KernelLock());
  if (!OpenByMeLocked()) {
    lock.unlock();
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  auto block = std::dynamic_pointer_cast<GlobalMemory>(FindHandleLocked(data));
  if (!block) {
    lock.unlock();
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // The clipboard now owns the block: keep its bytes and retire the handle.
  C().formats[format] = std::string(block->bytes.begin(), block->bytes.end());
  RemoveHandleLocked(data);
  C().changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Lock lock(KernelLock());
  if (!OpenByMeLocked()) {
    lock.unlock();
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  auto& f = C().formats;
  std::string bytes;
  if (f.count(format)) {
    bytes = f[format];
  } else if (format == CF_TEXT && f.count(CF_UNICODETEXT)) {
    bytes = AcpOf(WideOf(f[CF_UNICODETEXT])) + '\0';
  } else if (format == CF_UNICODETEXT && f.count(CF_TEXT)) {
    std::u16string wide;
    for (unsigned char c : std::string(f[CF_TEXT].c_str())) wide += (char16_t)c;
    bytes = BytesOf(wide);
  } else {
    return nullptr;
  }
  if (C().handed.count(format)) RemoveHandleLocked(C().handed[format]);
  auto block = std::make_shared<GlobalMemory>();
  block->bytes.assign(bytes.begin(), bytes.end());
  lock.unlock();
  HANDLE h = AddHandle(block);
  lock.lock();
  C().handed[format] = h;
  return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  PullFromSystem();
  Lock lock(KernelLock());
  auto& f = C().formats;
  if (f.count(format)) return TRUE;
  return IsTextFormat(format) && (f.count(CF_TEXT) || f.count(CF_UNICODETEXT));
}

HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  auto block = std::make_shared<GlobalMemory>();
  try {
    block->bytes.assign(bytes, 0);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return AddHandle(block);
}

LPVOID GlobalLock(HGLOBAL memory) {
  auto block = FindAs<GlobalMemory>(memory);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Lock lock(KernelLock());
  block->locks++;
  static char empty[1];
  return block->bytes.empty() ? empty : block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL memory) {
  auto block = FindAs<GlobalMemory>(memory);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  if (block->locks > 0) block->locks--;
  return block->locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (!FindAs<GlobalMemory>(memory)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  CloseHandle(memory);
  return nullptr;
}

size_t GlobalSize(HGLOBAL memory) {
  auto block = FindAs<GlobalMemory>(memory);
  return block ? block->bytes.size() : 0;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceBytes, LPWSTR target, int targetUnits) {
  if (!source || sourceBytes == 0 || targetUnits < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string bytes = sourceBytes < 0 ? std::string(source, strlen(source) + 1) : std::string(source, (size_t)sourceBytes);
  std::u16string wide;
  if (codePage == CP_UTF8) {
    wide = Utf8ToUtf16(bytes);
  } else {
    for (unsigned char c : bytes) wide += (char16_t)c;
  }
  if (targetUnits == 0) return (int)wide.size();
  if ((int)wide.size() > targetUnits || !target) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(target, wide.data(), wide.size() * sizeof(char16_t));
  return (int)wide.size();
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceUnits, LPSTR target, int targetBytes,
                        LPCSTR defaultChar, BOOL* usedDefault) {
  if (!source || sourceUnits == 0 || targetBytes < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = sourceUnits >= 0 ? (size_t)sourceUnits : std::char_traits<char16_t>::length(source) + 1;
  std::u16string wide(source, n);
  std::string bytes;
  if (usedDefault) *usedDefault = FALSE;
  if (codePage == CP_UTF8) {
    bytes = Utf16ToUtf8(wide);
  } else {
    for (char16_t u : wide) {
      if (u <= 0xFF) {
        bytes += (char)u;
      } else {
        bytes += defaultChar ? *defaultChar : '?';
        if (usedDefault) *usedDefault = TRUE;
      }
    }
  }
  if (targetBytes == 0) return (int)bytes.size();
  if ((int)bytes.size() > targetBytes || !target) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(target, bytes.data(), bytes.size());
  return (int)bytes.size();
}

namespace TestControl {
void SetClipboardBytes(UINT format, const std::string& bytes) {
  Lock lock(KernelLock());
  std::string b = bytes;
  if (format == CF_TEXT) b += '\0';
  if (format == CF_UNICODETEXT) b += std::string(2, '\0');
  C().formats[format] = b;
}
std::string ClipboardBytes(UINT format) {
  Lock lock(KernelLock());
  auto it = C().formats.find(format);
  if (it == C().formats.end()) return "";
  std::string b = it->second;
  if (format == CF_TEXT) return b.c_str();
  if (format == CF_UNICODETEXT) return BytesOf(WideOf(b)).substr(0, WideOf(b).size() * 2);
  return b;
}
void ClearClipboard() {
  Lock lock(KernelLock());
  C().formats.clear();
}
void FailOpenClipboard(bool fail) {
  Lock lock(KernelLock());
  C().failOpen = fail;
}
}  // namespace TestControl
