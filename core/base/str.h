// TStr: the framework's shared, copy-on-write byte string, with UTF-8 helpers and formatting.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>

// The shared record behind a TStr. The text is NUL-terminated inside a buffer of capacity bytes.
struct TStrData {
  char* chars;
  // Atomic because records are shared by copies that may live on different threads (log lines,
  // HTTP workers); a record is never written while refs is above 1.
  std::atomic<int32_t> refs;
  uint32_t capacity;
};

class TStr {
 public:
  // Flags of Find and Replace.
  enum {
    kIgnoreCase = 1,
    kReplaceAll = 2,
    kBackward = 4,
  };

  TStr() : mData(nullptr) {}
  TStr(const char* text);
  // The first n bytes of a buffer (which may hold NUL bytes), NUL appended.
  TStr(const char* bytes, int n);
  TStr(const TStr& other);
  TStr(TStr&& other) noexcept : mData(other.mData) { other.mData = nullptr; }
  ~TStr();

  TStr& operator=(const TStr& other);
  TStr& operator=(TStr&& other) noexcept;
  TStr& operator=(const char* text);

  // Replaces the record by a private one of at least max(n, 16) bytes, keeping the bytes.
  void Reserve(int n);

  const char* c_str() const;
  int Length() const;
  bool IsEmpty() const { return Length() == 0; }
  char operator[](unsigned index) const;
  // Bytes of the buffer (0 for the null record); for tests and diagnostics.
  uint32_t Capacity() const { return mData ? mData->capacity : 0; }
  int32_t RefCount() const { return mData ? mData->refs.load() : 0; }

  // atoi and atof rules; ToInt saturates instead of overflowing.
  int ToInt() const;
  float ToFloat() const;

  // strcmp order with bytes taken unsigned; the null record equals the empty text.
  int Compare(const TStr& other) const;

  // Index of the match or -1. With kBackward, start counts from the end.
  int Find(char c, int flags = 0, int start = 0) const;
  int Find(TStr s, int flags = 0, int start = 0) const;

  TStr operator+(char c) const;
  // count -1 means to the end.
  TStr SubStr(int start, int count = -1) const;

  static TStr FromCodePoint(uint32_t cp);
  static TStr Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
  static TStr VFormat(const char* format, va_list args);
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  TStr& operator+=(const TStr& other);
  TStr& operator+=(char c);
  void Append(const char* bytes, int n);
  // Copies n bytes to pos (-1: the current end), growing by doubling; returns pos + n.
  int WriteAt(int pos, const void* bytes, int n, bool terminate);
  void ToLower();
  // count -1 (or past the end) erases to the end.
  void Erase(int start, int count = -1);
  void Replace(TStr find, TStr replacement, int flags = 0, int start = 0);

  friend TStr operator+(const TStr& a, const TStr& b);
  friend bool operator==(const TStr& a, const TStr& b) { return a.Compare(b) == 0; }
  friend bool operator!=(const TStr& a, const TStr& b) { return a.Compare(b) != 0; }
  friend bool operator<(const TStr& a, const TStr& b) { return a.Compare(b) < 0; }
  friend bool operator>(const TStr& a, const TStr& b) { return a.Compare(b) > 0; }
  friend bool operator<=(const TStr& a, const TStr& b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const TStr& a, const TStr& b) { return a.Compare(b) >= 0; }

 private:
  static TStrData* NewRecord(uint32_t capacity);
  static void Release(TStrData* data);
  // Gives this handle its own record (rebuilt from its text) when the record is shared.
  void MakePrivate();

  TStrData* mData;
};

// UTF-8 helpers.
int Utf8CharLength(unsigned char lead);
// Writes the bytes of cp to out (room for 4) and returns their count; 0 for refused code points.
int Utf8EncodeChar(uint32_t cp, char* out);
// The code point of the sequence at p, 0 for a malformed sequence or NUL.
uint32_t Utf8DecodeChar(const char* p);

// Lets test frameworks print a TStr as its text.
void PrintTo(const TStr& s, std::ostream* os);

template <>
struct std::hash<TStr> {
  size_t operator()(const TStr& s) const noexcept;
};
