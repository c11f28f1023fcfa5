// Save strings, script files and configuration queries.
#include "game/shell/save_files.h"

#include <cstring>
#include <vector>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/log.h"
#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "core/base/whole_file.h"
#include "game/shell/user_manager.h"

namespace {

const char kSaveKey[] = "savegame";
const char kUserPrefix[] = "user:";
const char kSaveExtension[] = ".quill3";

TStr gLastSavePath;  // the folder walk's position; main thread only

// The preferences and the current user, or null when either is missing.
TPrefs* CurrentUserPrefs(int* user) {
  UserManager* users = UserManager::Get();
  if (!users || !users->GetPrefs()) return nullptr;
  *user = users->GetCurrentUserIndex();
  return *user == -1 ? nullptr : users->GetPrefs();
}

}  // namespace

TStr LoadGameString() {
  int user;
  TPrefs* prefs = CurrentUserPrefs(&user);
  return prefs ? prefs->GetString(kSaveKey, TStr(), user) : TStr();
}

void SaveGameString(TStr text) {
  int user;
  if (TPrefs* prefs = CurrentUserPrefs(&user)) prefs->SetString(kSaveKey, text, user, true);
}

TStr NextSaveFileName() {
  const size_t prefix = strlen(kUserPrefix), extension = strlen(kSaveExtension);
  while (GetNextFileInFolder(kUserPrefix, gLastSavePath, false)) {
    // The file map's keys are lower case, so "x.QUILL3" is listed as "x".
    const char* path = gLastSavePath.c_str();
    size_t length = (size_t)gLastSavePath.Length();
    if (length >= prefix + extension && strcmp(path + length - extension, kSaveExtension) == 0)
      return TStr(path + prefix, (int)(length - prefix - extension));
  }
  gLastSavePath = TStr();
  return TStr();
}

bool WriteToFile(TStr name, const std::string& text) {
  TStr path = TStr(kUserPrefix) + name;
  if (!WriteFileReplacing(path, text.data(), text.size())) {
    LogError("WriteToFile: %s was not written; the previous file is kept", path.c_str());
    return false;
  }
  return true;
}

std::string ReadFromFile(TStr name) {
  TStr path = TStr(kUserPrefix) + name;
  std::vector<char> data;
  if (!ReadWholeFile(path, &data, kMaxSaveFileBytes + 1)) return std::string();
  if (data.size() > kMaxSaveFileBytes) {
    LogError("ReadFromFile: %s is larger than %u bytes; not read", path.c_str(), (unsigned)kMaxSaveFileBytes);
    return std::string();
  }
  return std::string(data.data(), data.size());
}

bool CheckConfig(TStr key) {
  if (key == TStr("local")) return GetSettingBool("hiscorelocal");
  if (key == TStr("anonymous")) return GetSettingBool("hiscoreanon");
  if (key == TStr("earlyview")) return GetSettingBool("earlyview");
  if (key == TStr("xsell")) return FileExists("xsell/xsell.lua");
  if (key == TStr("dev")) return GetSettingBool("cheatmode");
  return false;
}

void LogScore(int score, TStr gameData, TStr serverData) {
  UserManager* users = UserManager::Get();
  if (TKsHiscores* scores = users ? users->GetHiscores() : nullptr)
    scores->AddLocalScore(score, true, gameData.c_str(), serverData.c_str());
}
