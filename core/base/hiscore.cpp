// The high-score client: requests to the server or the local service library, reply parsing,
// and the local score lists.
#include "core/base/hiscore.h"

#include <cstring>

#include "core/base/cipher.h"
#include "core/base/guid.h"
#include "core/base/hiscore_service.h"
#include "core/base/log.h"
#include "core/base/whole_file.h"
#include "core/base/settings.h"
#include "core/base/simple_http.h"
#include "core/base/xml_node.h"
#include "platform/win32/win32.h"

namespace {

const char kDefaultServerURL[] = "http://www.kestrune.com/go/hiscore";
const char kFixedError[] = "Unable to connect to server. Please try again later.";

// Copies text cut to size - 1 bytes and NUL-terminated; a null buffer or size 0 is skipped.
void CopyOut(const TStr& text, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  int n = text.Length() < size - 1 ? text.Length() : size - 1;
  memcpy(buffer, text.c_str(), (size_t)n);
  buffer[n] = 0;
}

TStr TrimLineEnds(TStr text) {
  int start = 0, end = text.Length();
  while (start < end && (text[start] == '\r' || text[start] == '\n')) ++start;
  while (end > start && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
  return text.SubStr(start, end - start);
}

bool Contains(const TStr& text, const char* what) { return strstr(text.c_str(), what) != nullptr; }

}  // namespace

bool IsSingleByteText(const char* text) {
  if (!text) return true;
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p)
    if (*p >= 0xC0) return false;
  return true;
}

TKsHiscores::TKsHiscores() {
  mKeyText = GetSetting("encryptionkey");
  if (mKeyText.IsEmpty()) LogError("ERROR: No encryption key set before TKsHiscores construction!");
  mCipher = std::make_unique<TCipher>(mKeyText);
  mHttp = std::make_unique<TSimpleHttp>();
  mServerURL = kDefaultServerURL;
  mGameHandle = GetSetting("ksgamehandle");
  if (mGameHandle.IsEmpty()) mGameHandle = GetSetting("gamename");
  mVersion = GetSetting("version");

  LoadLocalFile();

  mLibrary = LoadLibraryA(kHiscoreServiceLibrary);
  if (mLibrary) {
    auto create = (THiscoreServerCreateLocalServer)Entry("HiscoreServer_CreateLocalServer");
    mServer = create ? create() : nullptr;
    if (GetSetting("ksgamehandle").IsEmpty()) {
      if (auto load = (THiscoreServerLoadServerDefFile)Entry("HiscoreServer_LoadServerDefFile"))
        load(mServer);
    } else {
      std::vector<TStr> modes, medals;
      for (int i = 1;; ++i) {
        TStr value = GetSetting(TStr::Format("%s%d", "ksgamemodename", i));
        if (value.IsEmpty()) break;
        modes.push_back(value);
      }
      for (int i = 1;; ++i) {
        TStr value = GetSetting(TStr::Format("%s%d", "ksgamemedalname", i));
        if (value.IsEmpty()) break;
        medals.push_back(value);
      }
      auto info = (THiscoreServerSetServerInfo)Entry("HiscoreServer_SetServerInfo");
      if (!modes.empty() && info) {
        std::vector<const char*> modeTexts, medalTexts;
        for (const TStr& m : modes) modeTexts.push_back(m.c_str());
        for (const TStr& m : medals) medalTexts.push_back(m.c_str());
        info(mServer, mGameHandle.c_str(), mKeyText.c_str(), modeTexts.data(), (int)modeTexts.size(),
             medalTexts.empty() ? nullptr : medalTexts.data(), (int)medalTexts.size());
      }
    }
  }

  TXmlNode config;
  config.LoadFile("::hiscore.xml");
  if (TXmlNode* root = config.GetChild("hiscore")) {
    if (TXmlNode* language = root->GetChild("language")) {
      mLanguage = language->GetText();
      mLanguageFixed = true;
    }
    if (TXmlNode* error = root->GetChild("defaulterror")) mDefaultError = error->GetText();
  }

  std::vector<char> server;
  if (ReadWholeFile("hiscoreserver.txt", &server)) {
    server.push_back(0);
    size_t n = strcspn(server.data(), "\r\n");
    if (n > 511) n = 511;
    TStr url = TrimLineEnds(TStr(server.data(), (int)n));
    if (!url.IsEmpty()) mServerURL = url;
  }
}

TKsHiscores::~TKsHiscores() {
  if (mLibrary) {
    if (auto release = (THiscoreServerFreeLocalServer)Entry("HiscoreServer_FreeLocalServer"))
      release(mServer);
    FreeLibrary((HMODULE)mLibrary);
  }
}

void* TKsHiscores::Entry(const char* name) const {
  return mLibrary ? (void*)GetProcAddress((HMODULE)mLibrary, name) : nullptr;
}

void TKsHiscores::SetParameter(int kind, const char* text) {
  TStr value = text ? text : "";
  switch (kind) {
    case kParamLanguage:
      if (!mLanguageFixed) mLanguage = value;
      break;
    case kParamPlayer:
      mPlayer = value;
      mServerUserName = TStr();
      break;
    case kParamGameMode:
      mGameMode = value;
      break;
  }
}

// Opens a GET request with the first two parameters every request carries.
void TKsHiscores::StartRequest() {
  mRefused = false;
  mHttp->Open(mServerURL.c_str(), false, nullptr);
  mHttp->AddParameter("lang", mLanguage.c_str());
  mHttp->AddParameter("ver", "1.0");
}

void TKsHiscores::RefuseRequest() {
  // Drops the previous request so its status cannot pass for this one's.
  mHttp->Open(mServerURL.c_str(), false, nullptr);
  mRefused = true;
}

void TKsHiscores::RequestCategoryInformation() {
  mKind = kKindTables;
  StartRequest();
  mHttp->AddParameter("action", "tables");
  mHttp->AddParameter("game", mGameHandle.c_str());
  if (mLibrary) {
    auto request = (THiscoreServerRequestCategoryInformation)Entry("HiscoreServer_RequestCategoryInformation");
    if (request) request(mServer, mGameHandle.c_str());
  } else {
    mHttp->Start(TSimpleHttpRequest::kFlagNoCache);
  }
}

bool TKsHiscores::GetCategoryName(int index, char* buffer, int size) const {
  if (index < 0 || index >= mCategoryCount || index >= (int)mCategories.size()) return false;
  CopyOut(mCategories[index].name, buffer, size);
  return true;
}

void TKsHiscores::RequestScores(int categoryIndex) {
  mKind = kKindScores;
  StartRequest();
  bool validCategory = categoryIndex >= 0 && categoryIndex < mCategoryCount &&
                       categoryIndex < (int)mCategories.size();
  mHttp->AddParameter("action", "get");
  mHttp->AddParameter("game", mGameHandle.c_str());
  mHttp->AddParameter("type", mGameMode.c_str());
  if (validCategory) mHttp->AddParameter("table", mCategories[categoryIndex].key.c_str());
  mHttp->AddParameter("numScores", kMaxLocalEntries);
  if (!mServerUserName.IsEmpty()) mHttp->AddParameter("username", mServerUserName.c_str());
  if (mLibrary) {
    auto request = (THiscoreServerRequestScores)Entry("HiscoreServer_RequestScores");
    if (request)
      request(mServer, mGameHandle.c_str(), mGameMode.c_str(),
              validCategory ? mCategories[categoryIndex].key.c_str() : nullptr,
              mServerUserName.IsEmpty() ? nullptr : mServerUserName.c_str());
  } else {
    mHttp->Start(TSimpleHttpRequest::kFlagNoCache);
  }
}

std::vector<TKsScoreEntry>* TKsHiscores::CurrentList() {
  auto it = mLocal.find(mGameMode);
  return it == mLocal.end() ? nullptr : &it->second;
}

const std::vector<TKsScoreEntry>* TKsHiscores::CurrentList() const {
  auto it = mLocal.find(mGameMode);
  return it == mLocal.end() ? nullptr : &it->second;
}

bool TKsHiscores::HasUnsubmittedMedal(const TStr& player) const {
  auto it = mMedals.find(player);
  if (it == mMedals.end()) return false;
  for (const TKsMedal& m : it->second)
    if (!m.submitted) return true;
  return false;
}

// Medal names, scopes and modes are escaped: a quote in a name must not end the attribute.
TStr TKsHiscores::MedalElements(const std::vector<TKsMedal>& medals, bool withType) const {
  TStr out;
  for (const TKsMedal& m : medals) {
    out += TStr("<medal");
    out += TStr(" name=\"") + XmlEscape(m.name) + "\"";
    out += TStr(" per=\"") + XmlEscape(m.scope) + "\"";
    if (withType && m.scope == TStr("type")) out += TStr(" type=\"") + XmlEscape(m.mode) + "\"";
    out += TStr("/>");
  }
  return out;
}

TStr TKsHiscores::Encipher(const TStr& document) {
  uint32_t size = (uint32_t)document.Length() + 1;  // with its NUL
  uint32_t needed = mCipher->Encrypt(document.c_str(), size, nullptr, 0, true);
  std::vector<char> text(needed ? needed : 1, 0);
  if (needed) mCipher->Encrypt(document.c_str(), size, text.data(), needed, true);
  return TStr(text.data());
}

void TKsHiscores::UpdateLogin(const char* user, const char* password, bool rememberLogin) {
  if (rememberLogin) {
    TKsLogin& login = mLogins[mPlayer];
    login.user = user ? user : "";
    login.password = password ? password : "";
  } else {
    mLogins.erase(mPlayer);
  }
}

bool TKsHiscores::Submit(const char* user, const char* password, bool rememberLogin,
                         uint32_t flags) {
  if (!IsSingleByteText(user)) {
    LogError("ERROR -------- ERROR -------- Invalid User name %s", user);
    RefuseRequest();
    return false;
  }
  bool sent = false;
  if (flags & kSubmitScore) {
    sent = SubmitScore(user, password, rememberLogin, (flags & kSubmitMedals) != 0);
  } else if (flags & kSubmitMedals) {
    auto it = mMedals.find(mPlayer);
    if (it != mMedals.end() && HasUnsubmittedMedal(mPlayer))
      sent = SubmitMedals(user, password, rememberLogin, MedalElements(it->second, true));
  }
  if (!sent) RefuseRequest();
  return sent;
}

bool TKsHiscores::SubmitScore(const char* user, const char* password, bool rememberLogin,
                              bool withMedals) {
  TStr userName = user ? user : "";
  TStr pass = password ? password : "";
  std::vector<TKsScoreEntry>* list = CurrentList();
  const TKsScoreEntry* entry = nullptr;
  if (list)
    for (const TKsScoreEntry& e : *list)
      if (e.name == mPlayer && !e.submitted) {
        entry = &e;
        break;
      }
  if (!entry) {
    if (withMedals && HasUnsubmittedMedal(mPlayer))
      return SubmitMedals(user, password, rememberLogin, MedalElements(mMedals[mPlayer], true));
    return false;
  }

  TXmlNode score("score");
  score.SetAttribute("guid", entry->guid.c_str());
  if (!userName.IsEmpty()) score.SetAttribute("name", userName.c_str());
  if (!pass.IsEmpty()) score.SetAttribute("password", pass.c_str());
  score.SetAttribute("type", mGameMode.c_str());
  if (!mGameHandle.IsEmpty()) score.SetAttribute("game", mGameHandle.c_str());
  score.SetAttributeInt("score", entry->score);
  if (!entry->gameData.IsEmpty()) score.SetAttribute("data", entry->gameData.c_str());
  if (!entry->version.IsEmpty()) score.SetAttribute("ver", entry->version.c_str());
  mServerUserName = pass.IsEmpty() ? TStr() : userName;

  TStr inner = entry->serverData;
  mFlightMedals = false;
  auto medals = mMedals.find(mPlayer);
  if (withMedals && !pass.IsEmpty() && medals != mMedals.end()) {
    inner += MedalElements(medals->second, false);
    mFlightMedals = true;
    mFlightMedalPlayer = mPlayer;
  }
  TStr element = score.ToString();
  int close = element.Find(TStr("</score>"), TStr::kBackward);
  if (close >= 0) element = element.SubStr(0, close) + inner + element.SubStr(close);
  TStr document = TStr("<?xml version=\"1.0\"?>\n") + element;

  mKind = kKindSubmit;
  mFlightList = true;
  mFlightMode = mGameMode;
  StartRequest();
  mHttp->AddParameter("game", mGameHandle.c_str());
  mHttp->AddParameter("action", "submit");
  if (mLibrary) {
    auto submit = (THiscoreServerSubmitScore)Entry("HiscoreServer_SubmitScore");
    if (submit)
      submit(mServer, mGameHandle.c_str(), mGameMode.c_str(), userName.c_str(), pass.c_str(),
             entry->guid.c_str(), entry->version.c_str(), entry->gameData.c_str(), entry->score,
             mKeyText.c_str(), inner.c_str());
  } else {
    mHttp->AddParameter("score", Encipher(document).c_str());
    mHttp->Start(TSimpleHttpRequest::kFlagNoCache);
  }
  UpdateLogin(user, password, rememberLogin);
  return true;
}

bool TKsHiscores::SubmitMedals(const char* user, const char* password, bool rememberLogin,
                               const TStr& medalText) {
  TStr userName = user ? user : "";
  TStr pass = password ? password : "";
  if (userName.IsEmpty() || pass.IsEmpty() || medalText.IsEmpty()) return false;
  TXmlNode medals("medals");
  medals.SetAttribute("name", userName.c_str());
  medals.SetAttribute("password", pass.c_str());
  if (!mGameHandle.IsEmpty()) medals.SetAttribute("game", mGameHandle.c_str());
  TStr element = medals.ToString();
  int close = element.Find(TStr("</medals>"), TStr::kBackward);
  if (close >= 0) element = element.SubStr(0, close) + medalText + element.SubStr(close);
  TStr document = TStr("<?xml version=\"1.0\"?>\n") + element;
  mServerUserName = userName;
  // The medals sent are marked submitted once the server accepts them.
  mFlightList = false;
  mFlightMedals = true;
  mFlightMedalPlayer = mPlayer;

  mKind = kKindSubmit;
  StartRequest();
  mHttp->AddParameter("game", mGameHandle.c_str());
  mHttp->AddParameter("action", "medals");
  if (mLibrary) {
    auto submit = (THiscoreServerSubmitMedals)Entry("HiscoreServer_SubmitMedals");
    if (submit)
      submit(mServer, mGameHandle.c_str(), mGameMode.c_str(), userName.c_str(), pass.c_str(),
             medalText.c_str(), mKeyText.c_str());
  } else {
    mHttp->AddParameter("medals", Encipher(document).c_str());
    mHttp->Start(TSimpleHttpRequest::kFlagNoCache);
  }
  UpdateLogin(user, password, rememberLogin);
  return true;
}

int TKsHiscores::Fail(char* message, int size) {
  TStr text = !mUserMessage.IsEmpty() ? mUserMessage : !mDefaultError.IsEmpty() ? mDefaultError : TStr(kFixedError);
  CopyOut(text, message, size);
  return kPollFailed;
}

bool TKsHiscores::CheckReply(TXmlNode& document) {
  document.LoadString(mReply.c_str(), mReply.Length());
  mUserMessage = TStr();
  TXmlNode* root = document.GetChild("hiscore");
  if (!root) {
    LogError("HiScore XML parsing error!\n");
    return false;
  }
  if (TXmlNode* message = root->GetChild("message")) {
    mUserMessage = message->GetText();
    LogPrintf("HiScore User Message: %s\n", mUserMessage.c_str());
    return false;
  }
  if (TXmlNode* error = root->GetChild("protocolError")) {
    LogError("HiScore Protocol Error: %s\n", error->GetText().c_str());
    return false;
  }
  return true;
}

int TKsHiscores::PollStatus(char* message, int size, bool* reply) {
  if (mRefused) {
    mUserMessage = TStr();
    return Fail(message, size);
  }
  uint32_t status;
  if (mLibrary) {
    auto getStatus = (THiscoreServerGetStatus)Entry("HiscoreServer_GetStatus");
    int s = getStatus ? getStatus(mServer) : 2;
    status = s == 0 ? TSimpleHttpRequest::kRunning : s == 1 ? TSimpleHttpRequest::kComplete
                                                            : TSimpleHttpRequest::kFailed;
  } else {
    status = mHttp->GetStatus();
  }
  if (status == TSimpleHttpRequest::kRunning) return kPollRunning;
  if (status != TSimpleHttpRequest::kComplete) {
    // A transfer that failed outright shows no earlier server message.
    mUserMessage = TStr();
    return Fail(message, size);
  }

  const char* contents = nullptr;
  if (mLibrary) {
    auto getContents = (THiscoreServerGetContents)Entry("HiscoreServer_GetContents");
    contents = getContents ? getContents(mServer) : nullptr;
  } else {
    contents = mHttp->GetData();
  }
  mReply = contents ? contents : "";

  TXmlNode document;
  bool ok = CheckReply(document);
  TXmlNode* root = document.GetChild("hiscore");
  if (mKind == kKindTables) {
    if (ok) {
      TXmlNode* tables = root->GetChild("tables");
      if (!tables) {
        ok = false;
      } else {
        mCategories.clear();
        TStr name;
        TXmlNode* child = nullptr;
        tables->ResetChildIterator();
        while (tables->GetNextChild(name, child))
          if (name == TStr("table"))
            mCategories.push_back({child->GetAttribute("table"), child->GetAttribute("name")});
        mCategoryCount = (int)mCategories.size();
      }
      if (!ok) {
        mCategoryCount = -1;
        LogError("HiScore Tables parsed incorrectly\n");
      }
    }
  } else if (mKind == kKindScores) {
    if (ok) {
      mOnline.clear();
      mPlayerRow = -1;
      TXmlNode* scores = root->GetChild("scores");
      if (!scores) {
        ok = false;
        LogError("HiScores parsed incorrectly\n");
      } else {
        TStr name;
        TXmlNode* child = nullptr;
        scores->ResetChildIterator();
        while (scores->GetNextChild(name, child)) {
          if (name != TStr("score")) continue;
          TKsScoreEntry row;
          row.name = child->GetAttribute("name");
          row.gameData = child->GetAttribute("data");
          row.serverData = child->GetAttribute("serverData");
          row.version = child->GetAttribute("ver");
          row.guid = child->GetAttribute("guid");
          row.anonymous = child->GetAttribute("anonymous") == TStr("true");
          row.score = child->GetAttribute("score").ToInt();
          row.rank = child->GetAttribute("rank").ToInt();
          if (mPlayerRow < 0 && child->GetAttribute("account") == TStr("true"))
            mPlayerRow = (int)mOnline.size();
          mOnline.push_back(row);
        }
      }
    }
    if (!ok) {
      // The server's own message, when it sent one, says more than these.
      if (Contains(mReply, "Missing required parameter: type"))
        mUserMessage = "Score request failed because game mode is not valid";
      else if (mCategoryCount <= 0 && mUserMessage.IsEmpty())
        mUserMessage = "Score request failed because no category information has been received yet";
    }
  } else {
    if (!ok) {
      if (Contains(mReply, "hiscore.error.invalidUsernameOrPassword")) mLogins.erase(mPlayer);
    } else {
      bool hasScore = root->GetChild("score") != nullptr;
      bool replyFlag;
      if (!root->GetChild("medals")) {
        if (mFlightList) {
          auto it = mLocal.find(mFlightMode);
          if (it != mLocal.end())
            for (TKsScoreEntry& e : it->second)
              if (e.name == mPlayer) e.submitted = true;
        }
        SaveLocalFile();
        replyFlag = hasScore;
      } else {
        replyFlag = false;
      }
      if (mFlightMedals) {
        auto it = mMedals.find(mFlightMedalPlayer);
        if (it != mMedals.end())
          for (TKsMedal& m : it->second) m.submitted = true;
        mFlightMedals = false;
      }
      mFlightList = false;
      if (reply) *reply = replyFlag;
    }
  }
  if (!ok) return Fail(message, size);
  return kPollDone;
}

int TKsHiscores::GetScoreCount(bool local) const {
  if (!local) return (int)mOnline.size();
  const auto* list = CurrentList();
  return list ? (int)list->size() : 0;
}

bool TKsHiscores::GetScoreEntry(bool local, int index, int* rank, char* name, int nameSize,
                                bool* anonymous, int* score, char* data, int dataSize) const {
  const std::vector<TKsScoreEntry>* list = local ? CurrentList() : &mOnline;
  if (!list || index < 0 || index >= (int)list->size()) return false;
  const TKsScoreEntry& e = (*list)[index];
  if (rank) *rank = e.rank;
  CopyOut(e.name, name, nameSize);
  if (anonymous) *anonymous = e.anonymous;
  if (score) *score = e.score;
  CopyOut(e.gameData, data, dataSize);
  return true;
}

bool TKsHiscores::GetPlayerScore(int kind, int* score, int* rank, char* data, int dataSize) const {
  const TKsScoreEntry* found = nullptr;
  const std::vector<TKsScoreEntry>* local = CurrentList();
  if (kind == 0) {
    if (local)
      for (const TKsScoreEntry& e : *local)
        if (e.name == mPlayer && !e.submitted) {
          found = &e;
          break;
        }
  } else if (kind == 1) {
    if (mPlayerRow >= 0 && mPlayerRow < (int)mOnline.size()) {
      found = &mOnline[mPlayerRow];
    } else {
      TStr lookFor = mPlayer;
      auto login = mLogins.find(mPlayer);
      if (login != mLogins.end())
        lookFor = login->second.user;
      else if (!mServerUserName.IsEmpty())
        lookFor = mServerUserName;
      for (size_t r = 0; r < mOnline.size() && !found && local; ++r) {
        const TKsScoreEntry& row = mOnline[r];
        if (row.name != lookFor) continue;
        for (const TKsScoreEntry& e : *local) {
          if (e.score < row.score) break;
          if (e.guid == row.guid) {
            found = &row;
            break;
          }
        }
      }
    }
  }
  if (!found) return false;
  if (score) *score = found->score;
  if (rank) *rank = found->rank;
  CopyOut(found->gameData, data, dataSize);
  return true;
}

void TKsHiscores::AddLocalScore(int score, bool onePerPlayer, const char* gameData,
                                const char* serverData) {
  TKsScoreEntry entry;
  entry.score = score;
  entry.name = mPlayer;
  entry.gameData = gameData ? gameData : "";
  entry.serverData = serverData ? serverData : "";
  entry.version = mVersion;
  entry.anonymous = true;
  entry.submitted = false;
  entry.guid = MakeUniqueId();

  std::vector<TKsScoreEntry>& list = mLocal[mGameMode];
  if (onePerPlayer) {
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].name != mPlayer) continue;
      if (score <= list[i].score) return;
      entry.guid = list[i].guid;
      list.erase(list.begin() + (long)i);
      break;
    }
  }
  size_t at = 0;
  while (at < list.size() && list[at].score >= score) ++at;
  list.insert(list.begin() + (long)at, entry);
  if (list.size() > (size_t)kMaxLocalEntries) list.resize(kMaxLocalEntries);
  for (size_t i = 0; i < list.size(); ++i) list[i].rank = (int32_t)i + 1;
  SaveLocalFile();
}

bool TKsHiscores::GetServerLogin(TStr* user, TStr* password) const {
  auto it = mLogins.find(mPlayer);
  if (it == mLogins.end()) return false;
  if (user) *user = it->second.user;
  if (password) *password = it->second.password;
  return true;
}

void TKsHiscores::AddMedal(const TStr& player, const TKsMedal& medal) {
  mMedals[player].push_back(medal);
}

const std::vector<TKsMedal>* TKsHiscores::GetMedals(const TStr& player) const {
  auto it = mMedals.find(player);
  return it == mMedals.end() ? nullptr : &it->second;
}
