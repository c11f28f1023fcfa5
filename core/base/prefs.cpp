// The preferences store: chunked, enciphered "prefs.dat", the older XML layout's import, and
// saving through a temporary file so that a failed write never costs the previous file.
#include "core/base/prefs.h"

#include <algorithm>
#include <cstring>

#include "core/base/cipher.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/whole_file.h"
#include "core/base/settings.h"
#include "core/base/xml_node.h"

namespace {

uint32_t ReadLE32(const uint8_t* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
uint16_t ReadLE16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

void PutLE32(std::vector<char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((char)(v >> (8 * i)));
}

// Text of bytes up to their first NUL, never past their end.
TStr BoundedText(const std::vector<char>& bytes) {
  if (bytes.empty()) return TStr();
  return TStr(bytes.data(), (int)strnlen(bytes.data(), bytes.size()));
}

TStr Lower(TStr s) {
  s.ToLower();
  return s;
}

// The first element named name at the top of node or one level below it.
TXmlNode* FindElement(TXmlNode& node, const char* name) {
  if (TXmlNode* found = node.GetChild(name)) return found;
  TStr childName;
  TXmlNode* child = nullptr;
  node.ResetChildIterator();
  while (node.GetNextChild(childName, child))
    if (TXmlNode* found = child->GetChild(name)) return found;
  return nullptr;
}

}  // namespace

TStr ReadInstallText(bool* present) {
  std::vector<char> bytes;
  *present = ReadWholeFile("install.txt", &bytes);
  size_t start = 0, end = bytes.empty() ? 0 : strnlen(bytes.data(), bytes.size());
  auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
  while (start < end && lineEnd(bytes[start])) ++start;
  while (end > start && lineEnd(bytes[end - 1])) --end;
  return end > start ? TStr(bytes.data() + start, (int)(end - start)) : TStr();
}

// --- TPrefs ---

TPrefs::TPrefs(bool saveEnabled) : mSaveEnabled(saveEnabled) {
  mKeyText = GetSetting("encryptionkey");
  if (mKeyText.IsEmpty()) LogError("ERROR: No encryption key set before TPrefs construction!");
  mCipher = std::make_unique<TCipher>(mKeyText);
  mFileName = "user:prefs.dat";
  mInstallKey = GetSetting("installkey");
  if (mInstallKey.IsEmpty()) mInstallKey = "unknown";

  bool present = false;
  TStr text = ReadInstallText(&present);
  bool installTextEmpty = present && text.IsEmpty();
  if (!text.IsEmpty()) mInstallKey = text;
  mInstallKey.ToLower();
  mCurrent = &SectionsFor(mInstallKey);

  std::vector<char> file;
  if (!ReadWholeFile(mFileName, &file, (size_t)kPrefsMaxFileSize + 1)) {
    text = ReadInstallText(&present);
    if (!text.IsEmpty()) mInstallKey = text;
    mCurrent = &SectionsFor(mInstallKey);
    return;
  }
  if (file.size() > kPrefsMaxFileSize) {
    LogError("Prefs: %s is larger than %u bytes; the rest is ignored", mFileName.c_str(), kPrefsMaxFileSize);
    file.resize(kPrefsMaxFileSize);
  }
  if (LoadImage((const uint8_t*)file.data(), file.size(), installTextEmpty)) Save();
}

const TPrefs::TSection* TPrefs::TSectionList::Find(int index) const {
  auto it = filled.find(index);
  return it == filled.end() ? nullptr : &it->second;
}

int TPrefs::CountItems() const {
  size_t items = mStore.size();
  for (const auto& entry : mStore)
    for (const auto& section : entry.second.filled) items += section.second.size();
  return (int)std::min<size_t>(items, 0x7FFFFFFF);
}

bool TPrefs::LoadImage(const uint8_t* data, size_t size, bool installTextEmpty) {
  if (size >= 2 && data[0] == '<' && data[1] == '>') {
    ImportOlderFormat(std::vector<char>((const char*)data, (const char*)data + size));
    return true;
  }
  TPrefsReadEnd end = LoadChunks(data, size, installTextEmpty);
  if (!end.complete) {
    // The next save writes back only what was read, so the damaged file is first kept beside it.
    TStr kept = mFileName;
    kept += ".damaged";
    LogError("Prefs: %s is damaged at byte %zu (%s); the %d chunks before it are read, the rest is ignored",
             mFileName.c_str(), end.offset, end.why, end.chunks);
    if (mSaveEnabled && WriteFileReplacing(kept, data, size)) LogError("Prefs: the damaged file is kept as %s", kept.c_str());
  }
  return false;
}

TPrefs::~TPrefs() { Save(); }

TPrefsReadEnd TPrefs::LoadChunks(const uint8_t* data, size_t size, bool installTextEmpty) {
  size_t pos = 0;
  bool first = true;
  TStr targetKey;
  int targetSection = 0;
  int items = CountItems();
  TPrefsReadEnd end;
  // The game reads what comes before a damaged chunk and ignores the rest; the dump tool reports it.
  auto stop = [&](size_t at, const char* why) {
    end.complete = false;
    end.offset = at;
    end.why = why;
    return end;
  };
  auto tooMany = [&](size_t at) {
    LogError("Prefs: more than %d entries; the rest of the file is ignored", kPrefsMaxItems);
    return stop(at, "too many entries");
  };
  // The target install key's sections; null once a new key would pass the item bound.
  auto listFor = [&](const TStr& key) -> TSectionList* {
    auto it = mStore.find(key);
    if (it != mStore.end()) return &it->second;
    if (++items > kPrefsMaxItems) return nullptr;
    return &mStore[key];
  };
  for (;; end.chunks++) {
    size_t at = pos;
    if (pos == size) return end;
    if (size - pos < 8) return stop(at, "chunk header cut short");
    const uint8_t* tag = data + pos;
    uint32_t length = ReadLE32(data + pos + 4);
    if (length < 1 || length > kPrefsMaxChunk) return stop(at, "chunk length out of range");
    if (size - pos - 8 < length) return stop(at, "chunk cut short");
    const uint8_t* chunk = data + pos + 8;
    pos += 8 + (size_t)length;

    std::vector<char> plain;
    if (tag[0] == 'U') {
      plain.assign((const char*)chunk, (const char*)chunk + length);
    } else {
      uint32_t needed = mCipher->Decrypt(chunk, length, nullptr, 0, false);
      if (needed == 0) return stop(at, "chunk does not decipher");
      plain.resize(needed);
      if (mCipher->Decrypt(chunk, length, plain.data(), needed, false) != 0) return stop(at, "chunk does not decipher");
      plain.resize(mCipher->GetLastSize());
      if (plain.empty()) return stop(at, "chunk does not decipher");
    }

    if (first) {
      if (memcmp(tag, "IKEY", 4) != 0) return stop(at, "no install key first");
      TStr key = Lower(BoundedText(plain));
      if (installTextEmpty) mInstallKey = key;
      mCurrent = &SectionsFor(mInstallKey);
      targetKey = key;
      targetSection = 0;
      first = false;
      continue;
    }

    if (memcmp(tag, "IKEY", 4) == 0) {
      targetKey = Lower(BoundedText(plain));
    } else if (memcmp(tag, "USER", 4) == 0) {
      if (plain.size() != 2) return stop(at, "user record of the wrong size");
      int index = ReadLE16((const uint8_t*)plain.data());
      if (index > kPrefsMaxUserIndex) return stop(at, "user index out of range");
      TSectionList* list = listFor(targetKey);
      if (!list) return tooMany(at);
      if (list->count < index + 1) list->count = index + 1;
      targetSection = index;
    } else if (memcmp(tag, "KVPR", 4) == 0) {
      // Every read stays inside the deciphered record; a key must end inside it.
      size_t plainSize = plain.size();
      if (plainSize < 2) return stop(at, "entry cut short");
      size_t keyBytes = ReadLE16((const uint8_t*)plain.data());
      if (keyBytes == 0 || keyBytes + 2 > plainSize) return stop(at, "entry key cut short");
      const char* keyStart = plain.data() + 2;
      if (memchr(keyStart, 0, keyBytes) == nullptr) return stop(at, "entry key not ended");
      TStr key(keyStart);
      TValue value(plain.begin() + 2 + keyBytes, plain.end());
      if (value.empty() || value.back() != 0) value.push_back(0);
      TSectionList* list = listFor(targetKey);
      if (!list) return tooMany(at);
      if (list->count < targetSection + 1) list->count = targetSection + 1;
      TSection& section = list->filled[targetSection];
      auto it = section.find(key);
      if (it != section.end()) {
        it->second = std::move(value);
      } else if (++items > kPrefsMaxItems) {
        if (section.empty()) list->filled.erase(targetSection);
        return tooMany(at);
      } else {
        section.emplace(key, std::move(value));
      }
    } else {
      return stop(at, "unknown chunk tag");
    }
  }
}

// The older layout: an XML document whose nameless root holds "data1" (the content text,
// possibly enciphered as Base64) and "data2" (the content's length). The content's elements
// are the sections, their attributes the entries; "install.txt" names the install key in the
// "ksinstallkey" attribute of its first "install" element.
void TPrefs::ImportOlderFormat(const std::vector<char>& file) {
  // The nameless root "<>" would confuse the reader: its children are read on their own.
  TXmlNode document;
  document.LoadString(file.data() + 2, (int)file.size() - 2);
  TXmlNode* data1 = FindElement(document, "data1");
  TXmlNode* data2 = FindElement(document, "data2");
  if (!data1) return;
  TStr content = data1->GetAttribute("data");
  int length = data2 ? data2->GetAttribute("data").ToInt() : -1;
  TStr deciphered = mCipher->DecryptText(content);
  if (!deciphered.IsEmpty() && (length < 0 || deciphered.Length() == length)) content = deciphered;

  TXmlNode sections;
  sections.LoadString(content.c_str(), content.Length());
  TSectionList imported;
  TStr name;
  TXmlNode* child = nullptr;
  int items = CountItems() + 1;
  sections.ResetChildIterator();
  while (sections.GetNextChild(name, child) && imported.count <= kPrefsMaxUserIndex) {
    TSection section;
    TStr key, value;
    child->ResetAttributeIterator();
    while (child->GetNextAttribute(key, value) && items < kPrefsMaxItems) {
      const char* text = value.c_str();
      if (section.find(key) == section.end()) ++items;
      section[key] = TValue(text, text + value.Length() + 1);
    }
    if (!section.empty()) imported.filled[imported.count] = std::move(section);
    ++imported.count;
  }

  TStr installKey = mInstallKey;
  bool present = false;
  TStr installText = ReadInstallText(&present);
  if (!installText.IsEmpty()) {
    TXmlNode install;
    install.LoadString(installText.c_str(), installText.Length());
    if (TXmlNode* element = FindElement(install, "install")) {
      TStr named = Lower(element->GetAttribute("ksinstallkey"));
      if (!named.IsEmpty()) installKey = named;
    }
  }
  mStore[installKey] = std::move(imported);
  mCurrent = &SectionsFor(mInstallKey);
}

int TPrefs::GetUserCount() {
  if (!mCurrent || mCurrent->count == 0) return 0;
  return mCurrent->count - 1;
}

TStr TPrefs::GetString(TStr key, TStr def, int user) {
  if (!mCurrent || user < -1 || user + 1 >= mCurrent->count) return def;
  const TSection* section = mCurrent->Find(user + 1);
  if (!section) return def;
  auto it = section->find(key);
  if (it == section->end()) return def;
  return TStr(it->second.data());  // stored values always end in a NUL
}

int TPrefs::GetInt(TStr key, int def, int user) {
  return GetString(key, TStr::Format("%d", def), user).ToInt();
}

void TPrefs::SetString(TStr key, TStr value, int user, bool saveNow) {
  // A section past the loader's limit could be saved but never read back.
  if (user < -1 || user + 1 > kPrefsMaxUserIndex) {
    LogError("Prefs: user %d out of range, value not stored", user);
    return;
  }
  if (mCurrent->count < user + 2) mCurrent->count = user + 2;
  const char* text = value.c_str();
  mCurrent->filled[user + 1][key] = TValue(text, text + value.Length() + 1);
  if (saveNow) Save();
}

void TPrefs::SetInt(TStr key, int value, int user, bool saveNow) {
  SetString(key, TStr::Format("%d", value), user, saveNow);
}

void TPrefs::DeleteUser(int user) {
  if (user < 0 || user >= GetUserCount()) return;
  int index = user + 1;
  std::map<int, TSection> moved;
  for (auto& [i, section] : mCurrent->filled)
    if (i != index) moved[i > index ? i - 1 : i] = std::move(section);
  mCurrent->filled.swap(moved);
  --mCurrent->count;
}

std::vector<char> TPrefs::Encipher(const void* data, size_t size) {
  uint32_t needed = mCipher->Encrypt(data, (uint32_t)size, nullptr, 0, false);
  std::vector<char> out(needed);
  if (needed == 0 || mCipher->Encrypt(data, (uint32_t)size, out.data(), needed, false) != 0)
    return {};
  out.resize(mCipher->GetLastSize());
  return out;
}

void TPrefs::AppendChunk(std::vector<char>& image, const char* tag, const std::vector<char>& data) {
  image.insert(image.end(), tag, tag + 4);
  PutLE32(image, (uint32_t)data.size());
  image.insert(image.end(), data.begin(), data.end());
}

void TPrefs::Save() {
  if (!mSaveEnabled) return;
  std::vector<char> image;
  // A chunk the cipher could not make would end the next load there: save nothing instead.
  bool complete = true;
  auto enciphered = [&](const char* tag, const void* data, size_t size) {
    std::vector<char> chunk = Encipher(data, size);
    if (chunk.empty()) complete = false;
    AppendChunk(image, tag, chunk);
  };
  auto keyChunk = [&](const TStr& key) { enciphered("IKEY", key.c_str(), (size_t)key.Length() + 1); };
  keyChunk(mInstallKey);
  for (const auto& [installKey, sections] : mStore) {
    keyChunk(installKey);
    // Only sections with entries, and the last one, which keeps the user count.
    auto userChunk = [&](int i) { AppendChunk(image, "USER", {(char)(i & 0xFF), (char)(i >> 8)}); };
    for (const auto& [i, section] : sections.filled) {
      if (section.empty()) continue;
      userChunk(i);
      for (const auto& [key, value] : section) {
        size_t keyBytes = (size_t)key.Length() + 1;
        std::vector<char> record;
        record.push_back((char)(keyBytes & 0xFF));
        record.push_back((char)(keyBytes >> 8));
        record.insert(record.end(), key.c_str(), key.c_str() + keyBytes);
        record.insert(record.end(), value.begin(), value.end());
        // Entries the loader would refuse would also end the load of everything after them.
        // The loader reads no further than its size bound either.
        if (keyBytes > 0xFFFF || record.size() + 8 > kPrefsMaxChunk ||
            image.size() + record.size() + 16 > kPrefsMaxFileSize) {
          LogError("Prefs: entry too large to save, skipped");
          continue;
        }
        enciphered("KVPR", record.data(), record.size());
      }
    }
    const TSection* last = sections.Find(sections.count - 1);
    if (sections.count > 0 && (!last || last->empty())) userChunk(sections.count - 1);
  }
  if (!complete) {
    LogError("Prefs: could not encipher the preferences; %s is kept as it was", mFileName.c_str());
    return;
  }
  WriteFileReplacing(mFileName, image.data(), image.size());
}

std::vector<TStr> TPrefs::GetInstallKeys() const {
  std::vector<TStr> keys;
  for (const auto& entry : mStore) keys.push_back(entry.first);
  return keys;
}

int TPrefs::GetSectionCount(TStr installKey) const {
  auto it = mStore.find(installKey);
  return it == mStore.end() ? 0 : it->second.count;
}

std::vector<std::pair<TStr, TStr>> TPrefs::GetSectionEntries(TStr installKey, int index) const {
  std::vector<std::pair<TStr, TStr>> out;
  auto it = mStore.find(installKey);
  if (it == mStore.end()) return out;
  const TSection* section = it->second.Find(index);
  if (!section) return out;
  for (const auto& [key, value] : *section) out.emplace_back(key, TStr(value.data()));
  return out;
}
