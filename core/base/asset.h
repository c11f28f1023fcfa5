// TAsset: the base of every shared, reloadable resource (textures, animated textures, sounds,
// script code, meshes), with the framework's class identity scheme.
#pragma once

#include <memory>

// A class identity token: one distinct address a class.
typedef const void* TClassId;

class TAsset : public std::enable_shared_from_this<TAsset> {
 public:
  TAsset() {}
  virtual const char* GetClassName() const { return "TAsset"; }
  // True for the class's own token and, through the base chain, its bases'.
  virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }
  virtual ~TAsset() {}
  // Gives up device resources.
  virtual void Release() {}
  // Rebuilds them after a display loss.
  virtual void Restore() {}

  static TClassId ClassId();

  TAsset(const TAsset&) = delete;
  TAsset& operator=(const TAsset&) = delete;
};
