// A stand-in for the local high-score service library, for tests: it records every call as a
// text line and answers with a reply the test sets.
#include <cstdint>
#include <mutex>
#include <string>

#include "core/base/hiscore_service.h"

namespace {

std::mutex gLock;
std::string gCalls;                  // guarded by gLock
int gStatus = 1;                     // guarded by gLock
std::string gContents = "<hiscore/>";  // guarded by gLock
std::string gReturned;               // guarded by gLock: the contents handed out last
std::string gTaken;                  // guarded by gLock: the calls handed out last
int gLiveServers = 0;                // guarded by gLock
int gServerTag;

std::string Text(const char* s) { return s ? std::string("\"") + s + "\"" : std::string("null"); }

void Record(const std::string& line) {
  std::lock_guard<std::mutex> lock(gLock);
  gCalls += line + "\n";
}

std::string Handle(void* server) { return server == &gServerTag ? "server" : "bad-handle"; }

}  // namespace

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

STUB_EXPORT void* HiscoreServer_CreateLocalServer() {
  Record("CreateLocalServer");
  std::lock_guard<std::mutex> lock(gLock);
  ++gLiveServers;
  return &gServerTag;
}

STUB_EXPORT void HiscoreServer_SetServerInfo(void* server, const char* game, const char* key,
                                             const char** modes, int modeCount,
                                             const char** medals, int medalCount) {
  std::string line = "SetServerInfo " + Handle(server) + " " + Text(game) + " " + Text(key) + " modes";
  for (int i = 0; i < modeCount; ++i) line += " " + Text(modes[i]);
  line += medals ? " medals" : " medals=null";
  for (int i = 0; medals && i < medalCount; ++i) line += " " + Text(medals[i]);
  Record(line);
}

STUB_EXPORT void HiscoreServer_LoadServerDefFile(void* server) {
  Record("LoadServerDefFile " + Handle(server));
}

STUB_EXPORT void HiscoreServer_RequestCategoryInformation(void* server, const char* game) {
  Record("RequestCategoryInformation " + Handle(server) + " " + Text(game));
}

STUB_EXPORT void HiscoreServer_RequestScores(void* server, const char* game, const char* mode,
                                             const char* category, const char* user) {
  Record("RequestScores " + Handle(server) + " " + Text(game) + " " + Text(mode) + " " +
         Text(category) + " " + Text(user));
}

STUB_EXPORT void HiscoreServer_SubmitScore(void* server, const char* game, const char* mode,
                                           const char* user, const char* password,
                                           const char* guid, const char* version,
                                           const char* gameData, int32_t score, const char* key,
                                           const char* inner) {
  Record("SubmitScore " + Handle(server) + " " + Text(game) + " " + Text(mode) + " " + Text(user) +
         " " + Text(password) + " " + Text(guid) + " " + Text(version) + " " + Text(gameData) +
         " " + std::to_string(score) + " " + Text(key) + " " + Text(inner));
}

STUB_EXPORT void HiscoreServer_SubmitMedals(void* server, const char* game, const char* mode,
                                            const char* user, const char* password,
                                            const char* medals, const char* key) {
  Record("SubmitMedals " + Handle(server) + " " + Text(game) + " " + Text(mode) + " " +
         Text(user) + " " + Text(password) + " " + Text(medals) + " " + Text(key));
}

STUB_EXPORT int HiscoreServer_GetStatus(void* server) {
  std::lock_guard<std::mutex> lock(gLock);
  return gStatus;
}

STUB_EXPORT const char* HiscoreServer_GetContents(void* server) {
  std::lock_guard<std::mutex> lock(gLock);
  gReturned = gContents;
  return gReturned.c_str();
}

STUB_EXPORT void HiscoreServer_FreeLocalServer(void* server) {
  Record("FreeLocalServer " + Handle(server));
  std::lock_guard<std::mutex> lock(gLock);
  --gLiveServers;
}

// Test side.
STUB_EXPORT const char* KsStub_TakeCalls() {
  std::lock_guard<std::mutex> lock(gLock);
  gTaken = gCalls;
  gCalls.clear();
  return gTaken.c_str();
}

STUB_EXPORT void KsStub_SetReply(int status, const char* contents) {
  std::lock_guard<std::mutex> lock(gLock);
  gStatus = status;
  gContents = contents ? contents : "";
}

STUB_EXPORT int KsStub_LiveServers() {
  std::lock_guard<std::mutex> lock(gLock);
  return gLiveServers;
}
