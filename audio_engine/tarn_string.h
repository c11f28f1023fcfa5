// cString: the engine's string, a plain text with a name identifier.
#pragma once

#include <cstdint>
#include <string>

namespace Tarn {

class cString {
 public:
  cString() = default;
  cString(const char* text) : mText(text ? text : "") {}
  cString(const char* text, size_t len) : mText(text, len) {}
  cString(const std::string& text) : mText(text) {}
  cString(const cString&) = default;
  cString& operator=(const cString&) = default;
  virtual ~cString() = default;

  const char* c_str() const { return mText.c_str(); }
  const std::string& str() const { return mText; }
  size_t size() const { return mText.size(); }
  bool empty() const { return mText.empty(); }
  uint32_t Id() const;

  cString& operator+=(const cString& o) { mText += o.mText; return *this; }
  cString& operator+=(const char* o) { mText += o; return *this; }
  friend cString operator+(cString a, const cString& b) { return a += b; }
  bool operator==(const cString& o) const { return mText == o.mText; }
  bool operator<(const cString& o) const { return mText < o.mText; }  // byte-wise

 private:
  std::string mText;
};

}  // namespace Tarn
