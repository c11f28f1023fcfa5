// TScriptCode: the compiled chunk of a script file, cached in the asset manager under the file
// name while anybody holds it, so each file compiles once.
#pragma once

#include <memory>

#include "core/base/asset.h"
#include "core/base/str.h"

class TScriptCode : public TAsset {
 public:
  TScriptCode(const char* bytes, int length) : mCode(bytes, length), mLength(length) {}
  const char* GetClassName() const override { return "TScriptCode"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAsset::IsKindOf(id); }
  static TClassId ClassId();

  // Compiled code of a file (path: the search path for LUA_PATH; empty gives the default);
  // empty with *errorOut set to the compiler's message when it does not compile.
  static std::shared_ptr<TScriptCode> Load(TStr fileName, TStr path, TStr* errorOut);
  static std::shared_ptr<TScriptCode> FromAsset(std::shared_ptr<TAsset> asset);

  // The bytes (may hold zeros) and their count, for luaL_loadbuffer.
  TStr GetCode() const { return mCode; }
  int GetLength() const { return mLength; }

 private:
  TStr mCode;
  int mLength;
};
