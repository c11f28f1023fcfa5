// PathProduct: a finished product on its way along the product path into the box, and the walk
// both factories' product queues make each step: move the products on, one behind the other,
// and count each that arrives (a message to the factory window and a sound).
#pragma once

#include <list>
#include <memory>

#include "core/graphics/sprites/sprite.h"

class TCurve;
class TWindow;

class PathProduct : public TSprite {
 public:
  // Moves on by the step (progress capped at 1); true while still short of the end.
  bool Advance(float step);
  float GetProgress() const { return mProgress; }

 protected:
  // On layer 2, at the path's start.
  explicit PathProduct(std::shared_ptr<TCurve> path);

 private:
  std::shared_ptr<TCurve> mPath;
  float mProgress = 0.0f;
};

// Counts arrived products: each leaves its parent sprite; the factory window (looked up once)
// is offered a product-counted message and the sound "chocolate_counted" is queued.
class ProductCounter {
 public:
  void Count(TSprite& product);

 private:
  TWindow* mFactory = nullptr;
  bool mLooked = false;
};

// Moves the products (oldest first) on by the step, each only while the one ahead has covered
// at least `gap` of the path; arrivals leave the list and are counted. Answers the progress of
// the last product that moved (1.0 when none did, or when it arrived). Products added to the
// list while it runs (by a count that completes something) join at the end.
template <typename P>
float AdvanceProducts(std::list<std::shared_ptr<P>>& products, float step, float gap) {
  float last = 1.0f;
  ProductCounter counter;
  for (auto it = products.begin(); it != products.end();) {
    if (last < gap) break;
    std::shared_ptr<P> product = *it;
    if (product->Advance(step)) {
      last = product->GetProgress();
      ++it;
      continue;
    }
    last = 1.0f;
    it = products.erase(it);
    counter.Count(*product);
  }
  return last;
}
