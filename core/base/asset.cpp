// TAsset: the base of every shared, reloadable resource.
#include "core/base/asset.h"

TClassId TAsset::ClassId() {
  static const char token = 0;
  return &token;
}
