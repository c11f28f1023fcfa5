// "user:hiscore.dat": the local lists, logins and medals as enciphered XML text followed by an
// enciphered checksum of the enciphered text.
#include <cstring>

#include "core/base/cipher.h"
#include "core/base/hiscore.h"
#include "core/base/log.h"
#include "core/base/whole_file.h"
#include "core/base/xml_node.h"

namespace {

const char kHiscoreFile[] = "user:hiscore.dat";

// XOR-fold of the bytes into four, read as a little-endian value.
uint32_t FoldChecksum(const uint8_t* data, size_t size) {
  uint8_t acc[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < size; ++i) acc[i % 4] ^= data[i];
  return (uint32_t)acc[0] | ((uint32_t)acc[1] << 8) | ((uint32_t)acc[2] << 16) | ((uint32_t)acc[3] << 24);
}

std::vector<char> Run(TCipher& cipher, bool encrypt, const void* data, size_t size) {
  uint32_t needed = encrypt ? cipher.Encrypt(data, (uint32_t)size, nullptr, 0, false)
                            : cipher.Decrypt(data, (uint32_t)size, nullptr, 0, false);
  std::vector<char> out(needed);
  if (needed == 0) return out;
  uint32_t r = encrypt ? cipher.Encrypt(data, (uint32_t)size, out.data(), needed, false)
                       : cipher.Decrypt(data, (uint32_t)size, out.data(), needed, false);
  if (r != 0) out.clear();
  return out;
}

}  // namespace

TStr TKsHiscores::BuildLocalText() const {
  TStr text = "<?xml version=\"1.0\"?>\n";
  for (const auto& [mode, list] : mLocal) {
    TXmlNode score("score");
    score.SetAttribute("name", mode.c_str());
    for (const TKsScoreEntry& e : list) {
      TXmlNode* row = score.AddChild("row");
      row->SetAttributeInt("rank", e.rank);
      row->SetAttributeInt("score", e.score);
      row->SetAttributeInt("submit", e.submitted ? 1 : 0);
      row->SetAttribute("guid", e.guid.c_str());
      row->SetAttribute("name", e.name.c_str());
      row->SetAttribute("gameData", e.gameData.c_str());
      row->SetAttribute("serverData", e.serverData.c_str());
      row->SetAttribute("version", e.version.c_str());
    }
    text += score.ToString();
  }
  for (const auto& [player, login] : mLogins) {
    TXmlNode user("user");
    user.SetAttribute("player", player.c_str());
    user.SetAttribute("name", login.user.c_str());
    user.SetAttribute("pass", login.password.c_str());
    text += user.ToString();
  }
  for (const auto& [player, medals] : mMedals) {
    TXmlNode element("medals");
    element.SetAttribute("user", player.c_str());
    for (const TKsMedal& m : medals) {
      TXmlNode* medal = element.AddChild("medal");
      medal->SetAttribute("medalname", m.name.c_str());
      medal->SetAttribute("type", m.scope.c_str());
      medal->SetAttribute("mode", m.mode.c_str());
      medal->SetAttribute("gameData", m.gameData.c_str());
      medal->SetAttributeInt("submit", m.submitted ? 1 : 0);
    }
    text += element.ToString();
  }
  return text;
}

void TKsHiscores::ReadLocalText(const char* text, int length) {
  TXmlNode document;
  document.LoadString(text, length);
  TStr name;
  TXmlNode* child = nullptr;
  // Logins first, then the score lists, then the medals.
  document.ResetChildIterator();
  while (document.GetNextChild(name, child))
    if (name == TStr("user"))
      mLogins[child->GetAttribute("player")] = {child->GetAttribute("name"), child->GetAttribute("pass")};
  document.ResetChildIterator();
  while (document.GetNextChild(name, child)) {
    if (name != TStr("score")) continue;
    std::vector<TKsScoreEntry>& list = mLocal[child->GetAttribute("name")];
    TStr rowName;
    TXmlNode* row = nullptr;
    child->ResetChildIterator();
    while (child->GetNextChild(rowName, row)) {
      if (rowName != TStr("row") || list.size() >= (size_t)kMaxLocalEntries) continue;
      TKsScoreEntry e;
      e.rank = row->GetAttribute("rank").ToInt();
      e.score = row->GetAttribute("score").ToInt();
      e.submitted = row->GetAttribute("submit").ToInt() != 0;
      e.guid = row->GetAttribute("guid");
      e.name = row->GetAttribute("name");
      e.gameData = row->GetAttribute("gameData");
      e.serverData = row->GetAttribute("serverData");
      e.version = row->GetAttribute("version");
      e.anonymous = true;
      list.push_back(e);
    }
  }
  document.ResetChildIterator();
  while (document.GetNextChild(name, child)) {
    if (name != TStr("medals")) continue;
    std::vector<TKsMedal>& medals = mMedals[child->GetAttribute("user")];
    TStr medalName;
    TXmlNode* medal = nullptr;
    child->ResetChildIterator();
    while (child->GetNextChild(medalName, medal)) {
      if (medalName != TStr("medal")) continue;
      TKsMedal m;
      m.name = medal->GetAttribute("medalname");
      m.scope = medal->GetAttribute("type");
      m.mode = medal->GetAttribute("mode");
      m.gameData = medal->GetAttribute("gameData");
      m.submitted = medal->GetAttribute("submit").ToInt() != 0;
      medals.push_back(m);
    }
  }
}

void TKsHiscores::SaveLocalFile() {
  TStr text = BuildLocalText();
  std::vector<char> body = Run(*mCipher, true, text.c_str(), (size_t)text.Length() + 1);
  uint32_t sum = FoldChecksum((const uint8_t*)body.data(), body.size());
  uint8_t sumBytes[4] = {(uint8_t)sum, (uint8_t)(sum >> 8), (uint8_t)(sum >> 16), (uint8_t)(sum >> 24)};
  std::vector<char> block = Run(*mCipher, true, sumBytes, 4);
  if (body.empty() || block.size() != 8) {
    LogError("HiScores: could not encipher the saved scores; %s is kept as it was", kHiscoreFile);
    return;
  }
  body.insert(body.end(), block.begin(), block.end());
  WriteFileReplacing(kHiscoreFile, body.data(), body.size());
}

int DecodeHiscoreFile(TCipher& cipher, const char* data, size_t size, TStr* text) {
  if (size <= 8) return kHiscoreFileEmpty;
  size_t bodySize = size - 8;
  uint32_t sum = FoldChecksum((const uint8_t*)data, bodySize);
  std::vector<char> plain = Run(cipher, false, data, bodySize);
  std::vector<char> stored = Run(cipher, false, data + bodySize, 8);
  if (stored.size() != 4) return kHiscoreFileBadChecksum;
  const uint8_t* b = (const uint8_t*)stored.data();
  uint32_t storedSum = (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
  if (storedSum != sum) return kHiscoreFileBadChecksum;
  *text = plain.empty() ? TStr() : TStr(plain.data(), (int)strnlen(plain.data(), plain.size()));
  return kHiscoreFileOk;
}

void TKsHiscores::LoadLocalFile() {
  mLocal.clear();
  mLogins.clear();
  mMedals.clear();
  std::vector<char> file;
  if (!ReadWholeFile(kHiscoreFile, &file)) return;
  TStr text;
  int check = DecodeHiscoreFile(*mCipher, file.data(), file.size(), &text);
  if (check == kHiscoreFileBadChecksum)
    LogError("HiScores: Checksum did not match! Ignoring saved score data.\n");
  if (check == kHiscoreFileOk) ReadLocalText(text.c_str(), text.Length());
}
