// TStr: shared copy-on-write byte string, UTF-8 helpers and printf-style formatting.
#include "core/base/str.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

namespace {
const char kEmptyText[1] = {0};
const uint32_t kMinCapacity = 16;

uint32_t AtLeastMin(uint64_t n) {
  if (n < kMinCapacity) return kMinCapacity;
  if (n > 0x7FFFFFFFu) return 0x7FFFFFFFu;
  return (uint32_t)n;
}

int Upper(char c) { return std::toupper((unsigned char)c); }
}  // namespace

TStrData* TStr::NewRecord(uint32_t capacity) {
  // The buffer lives in the same allocation, right after the record: one heap block a string.
  void* block = std::malloc(sizeof(TStrData) + capacity);
  if (!block) std::abort();
  TStrData* d = new (block) TStrData;
  d->chars = (char*)(d + 1);
  d->chars[0] = 0;
  d->refs.store(1, std::memory_order_relaxed);
  d->capacity = capacity;
  return d;
}

void TStr::Release(TStrData* data) {
  if (!data) return;
  if (data->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    data->~TStrData();
    std::free(data);
  }
}

TStr::TStr(const char* text) {
  if (!text) {
    mData = NewRecord(kMinCapacity);
    return;
  }
  size_t n = std::strlen(text);
  mData = NewRecord((uint32_t)(n + 1));
  std::memcpy(mData->chars, text, n + 1);
}

TStr::TStr(const char* bytes, int n) {
  if (n < 0) n = 0;
  mData = NewRecord(AtLeastMin((uint64_t)n + 1));
  if (bytes && n > 0) std::memcpy(mData->chars, bytes, (size_t)n);
  mData->chars[n] = 0;
}

TStr::TStr(const TStr& other) : mData(other.mData) {
  if (mData) mData->refs.fetch_add(1, std::memory_order_relaxed);
}

TStr::~TStr() { Release(mData); }

TStr& TStr::operator=(const TStr& other) {
  if (this == &other || mData == other.mData) return *this;
  if (other.mData) other.mData->refs.fetch_add(1, std::memory_order_relaxed);
  Release(mData);
  mData = other.mData;
  return *this;
}

TStr& TStr::operator=(TStr&& other) noexcept {
  if (this != &other) {
    Release(mData);
    mData = other.mData;
    other.mData = nullptr;
  }
  return *this;
}

TStr& TStr::operator=(const char* text) {
  // The text may point into this string's own buffer, so build before releasing.
  TStr made(text);
  return *this = std::move(made);
}

void TStr::Reserve(int n) {
  uint32_t capacity = AtLeastMin(n < 0 ? 0 : (uint64_t)n);
  TStrData* fresh = NewRecord(capacity);
  uint32_t keep = 0;
  if (mData) {
    // Bounded by the old buffer so binary contents written with WriteAt survive too.
    keep = mData->capacity < capacity ? mData->capacity : capacity;
    std::memcpy(fresh->chars, mData->chars, keep);
  }
  std::memset(fresh->chars + keep, 0, capacity - keep);
  fresh->chars[capacity - 1] = 0;
  Release(mData);
  mData = fresh;
}

void TStr::MakePrivate() {
  if (!mData || mData->refs.load(std::memory_order_acquire) <= 1) return;
  TStr copy(mData->chars);
  *this = std::move(copy);
}

const char* TStr::c_str() const { return mData ? mData->chars : kEmptyText; }

int TStr::Length() const { return mData ? (int)std::strlen(mData->chars) : 0; }

char TStr::operator[](unsigned index) const {
  // Only the bytes up to index are scanned, so walking a string by index stays linear-ish.
  if (!mData || index >= mData->capacity) return 0;
  if (std::memchr(mData->chars, 0, index)) return 0;
  return mData->chars[index];
}

int TStr::ToInt() const {
  // atoi's rules, but strtol's saturation instead of undefined overflow.
  errno = 0;
  long v = std::strtol(c_str(), nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return (int)v;
}

float TStr::ToFloat() const { return (float)std::atof(c_str()); }

int TStr::Compare(const TStr& other) const {
  if (mData == other.mData) return 0;
  // strcmp compares bytes as unsigned char.
  int r = std::strcmp(c_str(), other.c_str());
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int TStr::Find(char c, int flags, int start) const {
  int len = Length();
  if (start < 0) start = 0;
  if (len == 0 || start >= len) return -1;
  const char* s = mData->chars;
  bool fold = (flags & kIgnoreCase) != 0;
  int want = fold ? Upper(c) : (unsigned char)c;
  auto hit = [&](int i) { return (fold ? Upper(s[i]) : (unsigned char)s[i]) == want; };
  if (flags & kBackward) {
    for (int i = len - 1 - start; i >= 0; --i)
      if (hit(i)) return i;
  } else {
    for (int i = start; i < len; ++i)
      if (hit(i)) return i;
  }
  return -1;
}

int TStr::Find(TStr needle, int flags, int start) const {
  int len = Length();
  if (start < 0) start = 0;
  if (len == 0 || start >= len) return -1;
  int nlen = needle.Length();
  const char* s = mData->chars;
  const char* n = needle.c_str();
  bool fold = (flags & kIgnoreCase) != 0;
  auto matchAt = [&](int pos) {
    for (int k = 0; k < nlen; ++k) {
      if (fold ? Upper(s[pos + k]) != Upper(n[k]) : s[pos + k] != n[k]) return false;
    }
    return true;
  };
  if (flags & kBackward) {
    for (int i = len - nlen - start; i >= 0; --i)
      if (matchAt(i)) return i;
  } else {
    for (int i = start; i <= len - nlen; ++i)
      if (matchAt(i)) return i;
  }
  return -1;
}

TStr operator+(const TStr& a, const TStr& b) {
  int la = a.Length(), lb = b.Length();
  TStr r;
  r.mData = TStr::NewRecord(AtLeastMin((uint64_t)la + lb + 1));
  std::memcpy(r.mData->chars, a.c_str(), (size_t)la);
  std::memcpy(r.mData->chars + la, b.c_str(), (size_t)lb + 1);
  return r;
}

TStr TStr::operator+(char c) const {
  int len = Length();
  TStr r;
  r.mData = NewRecord(AtLeastMin((uint64_t)len + 2));
  std::memcpy(r.mData->chars, c_str(), (size_t)len);
  r.mData->chars[len] = c;
  r.mData->chars[len + 1] = 0;
  return r;
}

TStr TStr::SubStr(int start, int count) const {
  int len = Length();
  if (start < 0) start = 0;
  if (start >= len || count == 0) return TStr(nullptr, 0);
  int avail = len - start;
  if (count < 0 || count > avail) {
    // The record is still sized by the requested count; the copy stops at the source's NUL.
    TStr r;
    r.mData = NewRecord(AtLeastMin(count < 0 ? (uint64_t)avail + 1 : (uint64_t)count + 1));
    std::memcpy(r.mData->chars, mData->chars + start, (size_t)avail);
    r.mData->chars[avail] = 0;
    return r;
  }
  TStr r;
  r.mData = NewRecord(AtLeastMin((uint64_t)count + 1));
  std::memcpy(r.mData->chars, mData->chars + start, (size_t)count);
  r.mData->chars[count] = 0;
  return r;
}

TStr TStr::FromCodePoint(uint32_t cp) {
  char buf[5] = {0};
  int n = Utf8EncodeChar(cp, buf);
  if (n == 0) return TStr();
  return TStr(buf, n);
}

TStr TStr::VFormat(const char* format, va_list args) {
  char buf[4096];
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  if (n >= 0 && n < (int)sizeof buf) {
    va_end(again);
    return TStr(buf, n);
  }
  if (n < 0) {
    // An encoding error: there is nothing to measure a second time.
    va_end(again);
    return TStr("");
  }
  TStr r;
  r.Reserve(n + 1);
  std::vsnprintf(r.mData->chars, (size_t)n + 1, format, again);
  va_end(again);
  return r;
}

TStr TStr::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TStr r = VFormat(format, args);
  va_end(args);
  return r;
}

void TStr::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TStr r = VFormat(format, args);
  va_end(args);
  *this = std::move(r);
}

TStr& TStr::operator+=(const TStr& other) {
  TStr keep(other);  // other may be this very string
  MakePrivate();
  int la = Length(), lb = keep.Length();
  uint64_t need = (uint64_t)la + lb + 1;
  if (!mData || mData->capacity < need) Reserve((int)AtLeastMin(need));
  std::memcpy(mData->chars + la, keep.c_str(), (size_t)lb + 1);
  return *this;
}

TStr& TStr::operator+=(char c) {
  // The same sizing as appending a one-byte string, without building one.
  MakePrivate();
  int len = Length();
  uint64_t need = (uint64_t)len + 2;
  if (!mData || mData->capacity < need) Reserve((int)AtLeastMin(need));
  mData->chars[len] = c;
  mData->chars[len + 1] = 0;
  return *this;
}

void TStr::Append(const char* bytes, int n) { *this += TStr(bytes, n); }

int TStr::WriteAt(int pos, const void* bytes, int n, bool terminate) {
  MakePrivate();
  if (n < 0) n = 0;
  if (pos < 0) pos = Length();
  uint64_t need = (uint64_t)pos + n + 1;
  if (!mData) {
    Reserve((int)AtLeastMin(need));
  } else if (need > mData->capacity) {
    uint64_t cap = mData->capacity ? mData->capacity : 1;
    while (cap < need) cap *= 2;
    Reserve((int)AtLeastMin(cap));
  }
  if (n > 0) std::memmove(mData->chars + pos, bytes, (size_t)n);
  if (terminate) mData->chars[pos + n] = 0;
  return pos + n;
}

void TStr::ToLower() {
  MakePrivate();
  if (!mData) return;
  for (char* p = mData->chars; *p; ++p) *p = (char)std::tolower((unsigned char)*p);
}

void TStr::Erase(int start, int count) {
  MakePrivate();
  int len = Length();
  if (start < 0 || start >= len) return;
  if (count < 0 || count >= len - start) {
    mData->chars[start] = 0;
    return;
  }
  std::memmove(mData->chars + start, mData->chars + start + count, (size_t)(len - start - count) + 1);
}

void TStr::Replace(TStr find, TStr replacement, int flags, int start) {
  MakePrivate();
  if (Length() == 0) return;
  int lf = find.Length(), lr = replacement.Length();
  int delta = lr - lf;
  for (;;) {
    int m = Find(find, flags, start);
    if (m < 0) return;
    int len = Length();
    if (delta > 0 && (uint64_t)len + delta + 1 > mData->capacity) Reserve(len + delta + 1);
    if (delta != 0)
      std::memmove(mData->chars + m + lr, mData->chars + m + lf, (size_t)(len - m - lf) + 1);
    std::memcpy(mData->chars + m, replacement.c_str(), (size_t)lr);
    // An empty find string matches everywhere, including inside what was just inserted.
    if (!(flags & kReplaceAll) || lf == 0) return;
    if (flags & kBackward) {
      // Go on below the match; counting the next start from the match would revisit the
      // inserted text and, when it contains the find string, never end.
      if (m - lf < 0) return;
      start = Length() - m;
    } else {
      start = m + lr;
    }
  }
}

int Utf8CharLength(unsigned char lead) {
  if (lead == 0) return 0;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

int Utf8EncodeChar(uint32_t cp, char* out) {
  if (cp == 0xFFFE || cp == 0xFEFF || cp == 0xFFFF || cp >= 0x110000) return 0;
  unsigned char* o = (unsigned char*)out;
  if (cp < 0x80) {
    o[0] = (unsigned char)cp;
    return 1;
  }
  if (cp < 0x800) {
    o[0] = (unsigned char)(0xC0 | (cp >> 6));
    o[1] = (unsigned char)(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    o[0] = (unsigned char)(0xE0 | (cp >> 12));
    o[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    o[2] = (unsigned char)(0x80 | (cp & 0x3F));
    return 3;
  }
  o[0] = (unsigned char)(0xF0 | (cp >> 18));
  o[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
  o[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
  o[3] = (unsigned char)(0x80 | (cp & 0x3F));
  return 4;
}

uint32_t Utf8DecodeChar(const char* p) {
  static const uint32_t kOffsets[5] = {0, 0, 0x3080u, 0xE2080u, 0x3C82080u};
  const unsigned char* s = (const unsigned char*)p;
  int n = Utf8CharLength(s[0]);
  if (n == 0) return 0;
  if (n == 1) return s[0] < 0x80 ? s[0] : 0;
  uint32_t v = s[0];
  for (int i = 1; i < n; ++i) {
    // Checked byte by byte so a NUL stops the walk before it reads past the text.
    if (!(s[i] & 0x80)) return 0;
    v = (v << 6) + s[i];
  }
  return v - kOffsets[n];
}

void PrintTo(const TStr& s, std::ostream* os) { *os << '"' << s.c_str() << '"'; }

size_t std::hash<TStr>::operator()(const TStr& s) const noexcept {
  // FNV-1a over the bytes.
  uint64_t h = 1469598103934665603ull;
  for (const unsigned char* p = (const unsigned char*)s.c_str(); *p; ++p) {
    h ^= *p;
    h *= 1099511628211ull;
  }
  return (size_t)h;
}
