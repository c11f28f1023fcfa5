// TPrefs: the player's enciphered preferences, text values under text keys per user (-1 is the
// global section), divided by install key, kept in "user:prefs.dat".
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/base/str.h"

class TCipher;

// Where a read of chunks ended: at the end of the image, or at the chunk that stopped it.
struct TPrefsReadEnd {
  bool complete = true;
  size_t offset = 0;      // of the chunk that stopped the read
  const char* why = "";   // what was wrong with it
  int chunks = 0;         // chunks taken before it
};

// Chunk layout of "prefs.dat": tag, 32-bit little-endian length, data.
constexpr uint32_t kPrefsMaxChunk = 4u << 20;
constexpr int kPrefsMaxUserIndex = 1024;
// Bounds on what a file can make the store hold: bytes read from it (and written to it), and
// entries plus install keys. Real files stay far below both.
constexpr uint32_t kPrefsMaxFileSize = 8u << 20;
constexpr int kPrefsMaxItems = 65536;

class TPrefs {
 public:
  explicit TPrefs(bool saveEnabled);
  ~TPrefs();
  TPrefs(const TPrefs&) = delete;
  TPrefs& operator=(const TPrefs&) = delete;

  int GetUserCount();
  TStr GetString(TStr key, TStr def, int user);
  int GetInt(TStr key, int def, int user);
  void SetString(TStr key, TStr value, int user, bool saveNow);
  void SetInt(TStr key, int value, int user, bool saveNow);
  void DeleteUser(int user);
  void Save();

  TStr GetInstallKey() const { return mInstallKey; }

  // Reads a file image as the constructor does (for tools and the fuzzer): the older XML layout
  // (true: the caller should save, which converts it) or chunks. installTextEmpty:
  // "install.txt" was present but empty.
  bool LoadImage(const uint8_t* data, size_t size, bool installTextEmpty);
  TPrefsReadEnd LoadChunks(const uint8_t* data, size_t size, bool installTextEmpty);

  // Install keys of the store and the sections of one, for the dump tool.
  std::vector<TStr> GetInstallKeys() const;
  // Entries of section index (0 global, u + 1 user u) of an install key, in key order.
  std::vector<std::pair<TStr, TStr>> GetSectionEntries(TStr installKey, int index) const;
  int GetSectionCount(TStr installKey) const;

 private:
  typedef std::vector<char> TValue;  // the text with its NUL
  typedef std::map<TStr, TValue> TSection;
  // Sections by index (0 global, u + 1 user u). Only sections holding entries take memory: a
  // file naming user 1024 must not make a thousand empty sections, nor save them back.
  struct TSectionList {
    int count = 0;
    std::map<int, TSection> filled;
    const TSection* Find(int index) const;
  };

  TSectionList& SectionsFor(const TStr& installKey) { return mStore[installKey]; }
  void ImportOlderFormat(const std::vector<char>& file);
  // Enciphered copy of bytes; empty when the cipher gives nothing.
  std::vector<char> Encipher(const void* data, size_t size);
  void AppendChunk(std::vector<char>& image, const char* tag, const std::vector<char>& data);
  // Entries and install keys held, against kPrefsMaxItems.
  int CountItems() const;

  std::unique_ptr<TCipher> mCipher;
  std::map<TStr, TSectionList> mStore;
  TSectionList* mCurrent = nullptr;
  TStr mKeyText;
  TStr mFileName;
  TStr mInstallKey;
  bool mSaveEnabled;
};

// The text of "install.txt" with line ends trimmed; present tells whether it opened.
TStr ReadInstallText(bool* present);
