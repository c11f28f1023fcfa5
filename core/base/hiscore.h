// TKsHiscores: online score tables, score and medal submissions (to the server over HTTP, or to
// the local service library when present), and the local score lists, logins and medals kept
// in "user:hiscore.dat".
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/base/str.h"

class TCipher;
class TSimpleHttp;

// One row of an online table or one entry of a local list.
struct TKsScoreEntry {
  int32_t rank = 0;
  int32_t score = 0;
  TStr name;
  TStr gameData;
  TStr serverData;
  TStr version;
  bool anonymous = false;
  bool submitted = false;
  TStr guid;
};

struct TKsMedal {
  TStr name;
  TStr scope;  // "game": one per game; "type": one per game mode
  TStr mode;
  TStr gameData;
  bool submitted = false;
};

struct TKsLogin {
  TStr user;
  TStr password;
};

struct TKsCategory {
  TStr key;
  TStr name;
};

// Deciphers a "hiscore.dat" image into its XML text (checked against the stored checksum).
enum { kHiscoreFileEmpty = 0, kHiscoreFileBadChecksum = 1, kHiscoreFileOk = 2 };
int DecodeHiscoreFile(TCipher& cipher, const char* data, size_t size, TStr* text);

// True when every byte is non-zero and below 0xC0.
bool IsSingleByteText(const char* text);

class TKsHiscores {
 public:
  enum { kParamLanguage = 0, kParamPlayer = 1, kParamGameMode = 2 };
  enum { kKindSubmit = 0, kKindScores = 1, kKindTables = 2 };
  enum { kSubmitScore = 1, kSubmitMedals = 2 };
  enum { kPollDone = 0, kPollRunning = 1, kPollFailed = 2 };
  static constexpr int kMaxLocalEntries = 500;

  TKsHiscores();
  ~TKsHiscores();
  TKsHiscores(const TKsHiscores&) = delete;
  TKsHiscores& operator=(const TKsHiscores&) = delete;

  void SetParameter(int kind, const char* text);
  void RequestCategoryInformation();
  int GetCategoryCount() const { return mCategoryCount; }
  bool GetCategoryName(int index, char* buffer, int size) const;
  void RequestScores(int categoryIndex);
  bool Submit(const char* user, const char* password, bool rememberLogin, uint32_t flags);
  int PollStatus(char* message, int size, bool* reply);

  int GetScoreCount(bool local) const;
  bool GetScoreEntry(bool local, int index, int* rank, char* name, int nameSize, bool* anonymous,
                     int* score, char* data, int dataSize) const;
  bool GetPlayerScore(int kind, int* score, int* rank, char* data, int dataSize) const;
  void AddLocalScore(int score, bool onePerPlayer, const char* gameData, const char* serverData);
  bool GetServerLogin(TStr* user, TStr* password) const;

  // Medals the game awards (kept in "hiscore.dat" with the player's other data).
  void AddMedal(const TStr& player, const TKsMedal& medal);
  const std::vector<TKsMedal>* GetMedals(const TStr& player) const;

  void SaveLocalFile();
  void LoadLocalFile();

  // For tests and tools.
  TStr GetServerURL() const { return mServerURL; }
  TStr GetLanguage() const { return mLanguage; }
  TStr GetServerUserName() const { return mServerUserName; }
  bool HasServiceLibrary() const { return mLibrary != nullptr; }
  const std::map<TStr, std::vector<TKsScoreEntry>>& GetLocalLists() const { return mLocal; }
  const std::map<TStr, TKsLogin>& GetLogins() const { return mLogins; }
  // The XML text of "hiscore.dat", and the reverse (both without the cipher).
  TStr BuildLocalText() const;
  void ReadLocalText(const char* text, int length);

 private:
  std::vector<TKsScoreEntry>* CurrentList();
  const std::vector<TKsScoreEntry>* CurrentList() const;
  bool HasUnsubmittedMedal(const TStr& player) const;
  TStr MedalElements(const std::vector<TKsMedal>& medals, bool withType) const;
  bool SubmitScore(const char* user, const char* password, bool rememberLogin, bool withMedals);
  bool SubmitMedals(const char* user, const char* password, bool rememberLogin,
                    const TStr& medalText);
  void UpdateLogin(const char* user, const char* password, bool rememberLogin);
  TStr Encipher(const TStr& document);
  void StartRequest();
  void RefuseRequest();
  int Fail(char* message, int size);
  bool CheckReply(class TXmlNode& document);
  void* Entry(const char* name) const;

  TStr mGameHandle;
  TStr mKeyText;
  TStr mLanguage = "en";
  bool mLanguageFixed = false;
  TStr mVersion;
  TStr mPlayer;
  TStr mGameMode;
  int mKind = kKindSubmit;
  std::unique_ptr<TSimpleHttp> mHttp;
  std::unique_ptr<TCipher> mCipher;
  TStr mServerURL;
  std::vector<TKsCategory> mCategories;
  int mCategoryCount = 0;
  TStr mUserMessage;
  TStr mDefaultError;
  TStr mReply;
  TStr mServerUserName;
  std::vector<TKsScoreEntry> mOnline;
  int mPlayerRow = -1;
  std::map<TStr, std::vector<TKsScoreEntry>> mLocal;
  std::map<TStr, std::vector<TKsMedal>> mMedals;
  std::map<TStr, TKsLogin> mLogins;
  // The submission in flight: the game mode whose list it came from, and the player whose
  // medal list it carries (empty when none).
  bool mFlightList = false;
  TStr mFlightMode;
  bool mFlightMedals = false;
  TStr mFlightMedalPlayer;
  // Set when a submission was refused before sending: the poll then reports failure.
  bool mRefused = false;
  void* mLibrary = nullptr;
  void* mServer = nullptr;
};
