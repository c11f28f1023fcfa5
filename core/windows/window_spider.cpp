// The toolkit's window spiders.
#include "core/windows/window_spider.h"

#include "core/windows/window.h"
#include "core/windows/window_manager.h"

bool GetLargest::Process(TWindow* window) {
  const TRect& r = window->GetRect();
  if (r.right > mWidth) mWidth = r.right;
  if (r.bottom > mHeight) mHeight = r.bottom;
  return true;
}

bool ChildrenDelete::Process(TWindow* window) {
  mParent->RemoveChild(window);
  DeleteWindowLater(window);
  return true;
}

bool TWindowClearFlags::Process(TWindow* window) {
  window->SetFlags(window->GetFlags() & mMask);
  if (mRecursive) window->ForEachChild(*this);
  return true;
}

bool TModalPoppedSpider::Process(TWindow* window) {
  window->ForEachChild(*this);
  window->OnModalPopped();
  return true;
}
