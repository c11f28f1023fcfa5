// The port's scene table made into sprites: its buildings (with their glow copies, pulse amounts
// and label places) and its decoration (still pictures, animations and path walkers, each maybe
// picked from alternatives, left out by chance, given a tinted overlay, repeated in a row, or
// put behind a building). Tables are walked in their own order; arrays keep scenes the same from
// run to run.
#include <algorithm>
#include <cmath>

#include "core/base/random.h"
#include "core/base/saturate.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "game/shell/editors/curve.h"
#include "game/shell/editors/path_sprite.h"
#include "game/shell/world/port_window.h"
#include "game/shell/world/world_script.h"

namespace {

constexpr const char* kPlaceholder = "ports/temp_building";
constexpr float kMaxGlowScale = 1.2f;
constexpr float kMaxGlowGrowth = 50.0f;

// Buildings whose picture is missing stand in a row of their own, so none hides another.
struct PlaceholderSlot {
  float x = 50, y = 100;
  TVec2 Take() {
    TVec2 at(x, y);
    x += 100;
    y += 20;
    if (x > 500) {
      x = 50;
      y += 100;
    }
    return at;
  }
};

// Calls f with each table value of the table's field, in table order.
template <typename F>
void ForEachTable(TLuaTable* owner, const char* key, F f) {
  if (std::unique_ptr<TLuaTable> list{owner->GetTable(key)}) ForEachTableValue(*list, f);
}

int32_t Trunc(double v) { return SaturateToInt32(std::trunc(v)); }

std::shared_ptr<TTexture> StillOrAnimated(const TStr& name) {
  if (std::shared_ptr<TAnimatedTexture> animated = TAnimatedTexture::Get(name)) return animated;
  return TTexture::Get(name, 0);
}

}  // namespace

float GlowPulse(float width, float height) {
  // A picture of no size grows by the most allowed instead of dividing by nothing.
  float scale = kMaxGlowScale;
  if (width > 0) scale = std::min(scale, (width + kMaxGlowGrowth) / width);
  if (height > 0) scale = std::min(scale, (height + kMaxGlowGrowth) / height);
  return scale - 1.0f;
}

void PortWindow::BuildBuildings(TLuaTable* port) {
  TStr folder = TStr("ports/") + port->GetString("name", TStr()) + "/";
  PlaceholderSlot slot;
  float windowWidth = (float)GetWidth();
  ForEachTable(port, "buildings", [&](TLuaTable& b) {
    Building building;
    building.name = b.GetString("name", TStr());
    TVec2 at((float)b.GetNumber("x", 0), (float)b.GetNumber("y", 0));
    int32_t layer = Trunc(b.GetNumber("layer", 0));
    std::shared_ptr<TTexture> picture = TTexture::Get(folder + building.name, 0);
    if (!picture) {
      picture = TTexture::Get(kPlaceholder, 0);
      at = slot.Take();
    }
    float w = picture ? (float)picture->GetWidth() : 0.0f, h = picture ? (float)picture->GetHeight() : 0.0f;

    building.sprite = TSprite::Create(layer, picture);
    building.sprite->SetPosition(at);
    // The glow beneath it is drawn added to the scene; the building itself puts the usual
    // blending back for itself and all drawn after it.
    building.sprite->GetDrawSpec().mBlendMode = kBlendNormal;
    mBackground->AddChild(building.sprite);
    building.highlight = TSprite::Create(-1, picture);
    building.highlight->SetVisible(false);
    building.sprite->AddChild(building.highlight);
    building.pulse = GlowPulse(w, h);
    building.label = building.name.IsEmpty() ? nullptr : FindChild(building.name, -1);
    // The window itself is never a building's label, whatever the names.
    if (building.label == this) building.label = nullptr;

    if (TWindow* label = building.label) {
      float lw = (float)label->GetWidth();
      float lx = (float)b.GetNumber("labelx", at.x - lw * 0.5f);
      float ly = (float)b.GetNumber("labely", at.y + h * 0.25f);
      if (lx < 0) lx = 0;
      if (lx + lw > windowWidth) lx = windowWidth - lw;
      label->SetPosition(Trunc(lx), Trunc(ly));
    }
    mBuildings.push_back(std::move(building));
  });
}

void PortWindow::BuildScene(TLuaTable* port) {
  float portFar = (float)port->GetNumber("yFar", 0), portNear = (float)port->GetNumber("yNear", 800);
  float portScaleFar = (float)port->GetNumber("scaleFar", 1.0), portScaleNear = (float)port->GetNumber("scaleNear", 1.0);
  ForEachTable(port, "sprites", [&](TLuaTable& s) {
    if (RandomInRange(0, 99) >= Trunc(s.GetNumber("frequency", 100))) return;

    TStr image, mask;
    std::unique_ptr<TLuaTable> images(s.GetTable("images"));
    if (int n = images ? images->GetSize() : 0; n >= 1) {
      int i = RandomInRange(1, n);
      image = images->GetStringAt(i, TStr());
      std::unique_ptr<TLuaTable> masks(s.GetTable("masks"));
      if (masks && masks->GetSize() >= i) mask = masks->GetStringAt(i, TStr());
    }
    if (image.IsEmpty()) {
      image = s.GetString("image", TStr());
      mask = s.GetString("mask", TStr());
    }

    int32_t layer = Trunc(s.GetNumber("layer", 0));
    if (std::unique_ptr<TLuaTable> behind{s.GetTable("behind")}) {
      layer = Trunc(behind->GetNumber("layer", 0));
      if (layer != 0) layer--;
    }

    std::shared_ptr<TSprite> sprite, overlay;
    if (std::unique_ptr<TLuaTable> path{s.GetTable("path")}) {
      std::shared_ptr<TCurve> route = CreateCurveFromTable(path.get());
      float time = (float)s.GetNumber("time", 0);
      TStr motion = s.GetString("motion", "loop");
      std::shared_ptr<TPathSprite> walker = CreatePathSprite(layer);
      if (std::shared_ptr<TTexture> picture = StillOrAnimated(image)) walker->SetTexture(picture);
      if (!mask.IsEmpty()) {
        std::shared_ptr<TAnimatedSprite> companion = TAnimatedSprite::Create(0);
        if (std::shared_ptr<TTexture> picture = StillOrAnimated(mask)) companion->SetTexture(picture);
        walker->SetCompanion(companion);
        overlay = companion;
      }
      uint32_t motionValue = motion == "oneway" ? TPathSprite::kOneWay
                             : motion == "bounce" ? TPathSprite::kBounce
                                                  : TPathSprite::kLoop;
      walker->SetPath(route, time, motionValue);
      float yFar = (float)s.GetNumber("yFar", portFar), yNear = (float)s.GetNumber("yNear", portNear);
      float scaleFar = (float)s.GetNumber("scaleFar", portScaleFar);
      float scaleNear = (float)s.GetNumber("scaleNear", portScaleNear);
      if (yFar != yNear) walker->SetDepthScale(yFar, yNear, scaleFar, scaleNear);
      // A fixed scale: with the two lines at one height the path sprite takes the far scale.
      float scale = (float)s.GetNumber("scale", -1);
      if (scale > 0) walker->SetDepthScale(yFar, yNear, scale, scale);
      if (yFar != yNear) walker->SetDepthSpeed((float)s.GetNumber("speedFar", 1.0), (float)s.GetNumber("speedNear", 1.0));
      mBackground->AddChild(walker);
      mPathSprites.push_back(walker);
      if (s.GetBool("random", true) && time > 1.0f) {
        int32_t steps = Trunc(time / kTickMs);
        for (int k = steps > 0 ? RandomInRange(0, steps) : 0; k > 0; k--) walker->Update(kTickMs);
      }
      sprite = walker;
    } else {
      if (image.Find(TStr(".xml")) >= 0) {
        std::shared_ptr<TAnimatedSprite> animated = TAnimatedSprite::Create(layer);
        std::shared_ptr<TAnimatedTexture> frames = TAnimatedTexture::Get(image);
        animated->SetTexture(frames);
        if (frames && frames->GetFrameCount() > 1) animated->Play("DoAnim");
        sprite = animated;
      } else {
        sprite = TSprite::Create(layer, TTexture::Get(image, 0));
      }
      float scale = (float)s.GetNumber("scale", 1.0);
      sprite->GetDrawSpec().mMatrix.Scale(scale, scale);
      sprite->SetPosition(TVec2((float)s.GetNumber("x", 0), (float)s.GetNumber("y", 0)));
      mBackground->AddChild(sprite);
      mTintedSprites.push_back(sprite);
      if (!mask.IsEmpty()) overlay = TSprite::Create(0, TTexture::Get(mask, 0));
    }

    if (float h = (float)s.GetNumber("htile", 0); h != 0) {
      for (float x : {-h, -2 * h, h, 2 * h}) {
        std::shared_ptr<TSprite> copy = TSprite::Create(0, sprite->GetTexture());
        copy->SetPosition(TVec2(x, 0));
        sprite->AddChild(copy);
      }
    }
    if (overlay) {
      sprite->AddChild(overlay);
      TColor colour(1, 1, 1, 1);
      if (std::unique_ptr<TLuaTable> tints{s.GetTable("tints")}) {
        if (int n = tints->GetSize(); n >= 1) colour = tints->GetColorAt(RandomInRange(1, n), colour);
      } else {
        colour = s.GetColor("tint", colour);
      }
      overlay->GetDrawSpec().mColor = colour;
    }
  });
}
