// TWindowSpider: a visitor over a window's children, and the toolkit's own spiders.
#pragma once

#include <cstdint>

class TWindow;

class TWindowSpider {
 public:
  virtual ~TWindowSpider() {}
  // False stops the walk.
  virtual bool Process(TWindow* window) = 0;
};

// Raises a width and height (seeded with the owner's size) to the children's far edges.
class GetLargest : public TWindowSpider {
 public:
  GetLargest(int32_t width, int32_t height) : mWidth(width), mHeight(height) {}
  bool Process(TWindow* window) override;
  int32_t mWidth, mHeight;
};

// Detaches each child from the parent and queues it for deletion.
class ChildrenDelete : public TWindowSpider {
 public:
  explicit ChildrenDelete(TWindow* parent) : mParent(parent) {}
  bool Process(TWindow* window) override;

 private:
  TWindow* mParent;
};

// ANDs each child's flags with a mask (through SetFlags), optionally down the whole subtree.
class TWindowClearFlags : public TWindowSpider {
 public:
  TWindowClearFlags(uint32_t mask, bool recursive) : mMask(mask), mRecursive(recursive) {}
  bool Process(TWindow* window) override;

 private:
  uint32_t mMask;
  bool mRecursive;
};

// Tells every window under a popped modal window, children before their parents.
class TModalPoppedSpider : public TWindowSpider {
 public:
  bool Process(TWindow* window) override;
};
