// Entry points of the optional local high-score service library ("ksservlet_stub.dll"), which
// takes the same requests as the server. Every text is NUL-terminated single-byte text.
#pragma once

#include <cstdint>

extern "C" {
typedef void* (*THiscoreServerCreateLocalServer)();
typedef void (*THiscoreServerSetServerInfo)(void* server, const char* game, const char* key,
                                           const char** modes, int modeCount,
                                           const char** medals, int medalCount);
typedef void (*THiscoreServerLoadServerDefFile)(void* server);
typedef void (*THiscoreServerRequestCategoryInformation)(void* server, const char* game);
// category null for an invalid index, user null when empty.
typedef void (*THiscoreServerRequestScores)(void* server, const char* game, const char* mode,
                                           const char* category, const char* user);
typedef void (*THiscoreServerSubmitScore)(void* server, const char* game, const char* mode,
                                         const char* user, const char* password,
                                         const char* guid, const char* version,
                                         const char* gameData, int32_t score, const char* key,
                                         const char* inner);
typedef void (*THiscoreServerSubmitMedals)(void* server, const char* game, const char* mode,
                                          const char* user, const char* password,
                                          const char* medals, const char* key);
// 0 running, 1 complete, anything else failed.
typedef int (*THiscoreServerGetStatus)(void* server);
typedef const char* (*THiscoreServerGetContents)(void* server);
typedef void (*THiscoreServerFreeLocalServer)(void* server);
}

constexpr const char kHiscoreServiceLibrary[] = "ksservlet_stub.dll";
