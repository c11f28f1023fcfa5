// The sprite tree: draw order by layer (table), depth, moves between parents, combined specs,
// bounds, the pixel-exact hit test and the live-sprite count.
#include <gtest/gtest.h>

#include <map>

#include "core/base/settings.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class SpriteTest : public DrawingTest {
 protected:
  // A sprite with a texture of its own, named so that draws can be told apart.
  std::shared_ptr<TSprite> Named(const std::string& name, int32_t layer) {
    auto target = TTexture::CreateRenderTarget(2, 2);
    mNames[target->GetData()] = name;
    mKeep.push_back(target);
    return TSprite::Create(layer, target);
  }
  // The names in the order their quads reached the device.
  std::string Order() {
    std::string out;
    for (const auto& q : Backend().quads) out += (out.empty() ? "" : " ") + mNames[q.texture];
    Backend().quads.clear();
    return out;
  }
  void Draw(const std::shared_ptr<TSprite>& s, uint32_t depth = TSprite::kAllDepths) {
    R()->BeginDraw(0);
    R()->Begin2d();
    s->Draw(TDrawSpec(), depth);
    R()->End2d();
    R()->EndDraw(0);
  }

  std::map<TTextureData*, std::string> mNames;
  std::vector<std::shared_ptr<TTexture>> mKeep;
};

TEST_F(SpriteTest, DrawOrderFollowsLayersStably) {
  const struct {
    const char* name;
    std::vector<std::pair<const char*, int>> children;  // added in this order
    const char* order;
  } cases[] = {
      {"negative first, own texture, then the rest", {{"a", -1}, {"b", 2}, {"c", 0}}, "a root c b"},
      {"equal layers keep their order", {{"x", 3}, {"y", 3}, {"z", -5}, {"w", 3}}, "z root x y w"},
      {"only negative", {{"p", -2}, {"q", -1}}, "p q root"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto root = Named("root", 0);
    for (const auto& child : c.children) root->AddChild(Named(child.first, child.second));
    Draw(root);
    EXPECT_EQ(Order(), c.order);
  }
}

TEST_F(SpriteTest, SetLayerResortsAfterItsEquals) {
  auto root = Named("root", 0);
  auto a = Named("a", 3), b = Named("b", 3), c = Named("c", 4);
  root->AddChild(a);
  root->AddChild(b);
  root->AddChild(c);
  c->SetLayer(3);
  Draw(root);
  EXPECT_EQ(Order(), "root a b c");
  a->SetLayer(-1);
  Draw(root);
  EXPECT_EQ(Order(), "a root b c");
}

TEST_F(SpriteTest, DepthLimitsHowFarDrawingGoes) {
  auto root = Named("root", 0);
  auto child = Named("child", 1);
  auto grandchild = Named("grandchild", -1);
  root->AddChild(child);
  child->AddChild(grandchild);
  const struct {
    uint32_t depth;
    const char* order;
  } cases[] = {{0, "root"}, {1, "root child"}, {2, "root grandchild child"}, {TSprite::kAllDepths, "root grandchild child"}};
  for (const auto& c : cases) {
    Draw(root, c.depth);
    EXPECT_EQ(Order(), c.order) << c.depth;
  }
  child->SetVisible(false);  // hides its subtree
  Draw(root);
  EXPECT_EQ(Order(), "root");
}

TEST_F(SpriteTest, ChildrenMoveBetweenParents) {
  auto first = TSprite::Create(), second = TSprite::Create(), child = TSprite::Create(2);
  first->AddChild(child);
  first->AddChild(child);  // already there: nothing changes
  EXPECT_EQ(first->GetChildren().size(), 1u);
  second->AddChild(child);
  EXPECT_TRUE(first->GetChildren().empty());
  EXPECT_EQ(child->GetParent(), second.get());
  EXPECT_FALSE(first->RemoveChild(child));
  EXPECT_TRUE(second->RemoveChild(child));
  EXPECT_EQ(child->GetParent(), nullptr);

  // No sprite becomes its own ancestor.
  second->AddChild(child);
  child->AddChild(second);
  child->AddChild(child);
  EXPECT_TRUE(child->GetChildren().empty());
  EXPECT_EQ(second->GetParent(), nullptr);

  // Destroying a parent detaches its children.
  auto orphan = TSprite::Create();
  {
    auto parent = TSprite::Create();
    parent->AddChild(orphan);
  }
  EXPECT_EQ(orphan->GetParent(), nullptr);
  second->AddChild(orphan);
  second->RemoveAllChildren();
  EXPECT_EQ(orphan->GetParent(), nullptr);
  EXPECT_EQ(child->GetParent(), nullptr);
}

// Removes itself from its parent while it is drawn.
class SelfRemovingSprite : public TSprite {
 public:
  SelfRemovingSprite() : TSprite(0) {}
  void Draw(const TDrawSpec& parent, uint32_t depth) override {
    if (GetParent()) GetParent()->RemoveChild(shared_from_this());
    TSprite::Draw(parent, depth);
  }
};

TEST_F(SpriteTest, AChildMayRemoveItselfWhileDrawn) {
  auto root = Named("root", 0);
  std::shared_ptr<TSprite> quitter(new SelfRemovingSprite());
  auto target = TTexture::CreateRenderTarget(2, 2);
  mNames[target->GetData()] = "quitter";
  quitter->SetTexture(target);
  root->AddChild(quitter);
  root->AddChild(Named("after", 1));
  std::weak_ptr<TSprite> watch = quitter;
  quitter.reset();
  Draw(root);
  EXPECT_EQ(Order(), "root quitter after");
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(root->GetChildren().size(), 1u);
}

TEST_F(SpriteTest, SpecsCombineDownTheTree) {
  PutSolidPng("p.png", 4, 4);
  auto tex = TTexture::Get(TStr("p.png"));
  auto parent = TSprite::Create(0);
  parent->SetPosition(TVec2(100, 50));
  parent->SetAlpha(0.5f);
  parent->GetDrawSpec().mFlags |= TDrawSpec::kFlipHorizontal;
  parent->GetDrawSpec().mBlendMode = kBlendAdditive;
  auto child = TSprite::Create(0, tex);
  child->SetPosition(TVec2(10, 0));
  child->SetAlpha(0.5f);
  child->GetDrawSpec().mFlags |= TDrawSpec::kFlipHorizontal;  // toggled back by the parent's
  parent->AddChild(child);

  TDrawSpec combined = child->GetDrawSpec().Combine(parent->GetDrawSpec());
  EXPECT_EQ(combined.GetPosition(), TVec2(110, 50));
  EXPECT_FLOAT_EQ(combined.mAlpha, 0.25f);
  EXPECT_EQ(combined.mFlags & TDrawSpec::kFlipHorizontal, 0u);
  EXPECT_EQ(combined.mBlendMode, kBlendAdditive);

  R()->BeginDraw(0);
  R()->Begin2d();
  Calls();
  parent->Draw(TDrawSpec());
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetTexture", "SetBlendMode 2", "DrawVertices 6 kind 2 count 4"}));
  EXPECT_FLOAT_EQ(Backend().quads.back().vertices[0].x, 108);
  EXPECT_EQ(Backend().quads.back().vertices[0].diffuse >> 24, 63u);
  R()->End2d();
  R()->EndDraw(0);

  EXPECT_EQ(parent->GetRect(TDrawSpec()), TRect(108, 48, 112, 52));
  auto far = TSprite::Create(0, tex);
  far->SetPosition(TVec2(-20, 0));
  parent->AddChild(far);
  EXPECT_EQ(parent->GetRect(TDrawSpec()), TRect(78, 48, 112, 52));
  EXPECT_EQ(TSprite::Create()->GetRect(TDrawSpec()), TRect());
}

TEST_F(SpriteTest, HitTestReadsThePixelUnderThePoint) {
  // Left column transparent, right column opaque, a half-transparent pixel at (1, 1).
  PutPng("hit.png", 2, 2, {0x00FF0000u, 0xFFFF0000u, 0x00FF0000u, 0x80FF0000u});
  auto sprite = TSprite::Create(0, TTexture::Get(TStr("hit.png")));
  sprite->GetDrawSpec().SetOrigin(TVec2(0, 0));
  sprite->SetPosition(TVec2(10, 20));
  const struct {
    const char* name;
    TVec2 point;
    int threshold;
    bool hit;
  } cases[] = {
      {"transparent pixel", TVec2(10, 20), 1, false},
      {"opaque pixel", TVec2(11, 20), 1, true},
      {"opaque pixel, full threshold", TVec2(11, 20), 255, true},
      {"half pixel, low threshold", TVec2(11, 21), 0x80, true},
      {"half pixel, high threshold", TVec2(11, 21), 0x81, false},
      {"outside the bounds", TVec2(30, 30), 0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(sprite->HitTest(c.point, c.threshold), c.hit) << c.name;

  // 16-bit surfaces keep four bits of alpha: 255 asks for 240 only.
  PutPng("almost.png", 1, 1, {0xF5FFFFFFu});
  auto almost = TSprite::Create(0, TTexture::Get(TStr("almost.png")));
  almost->GetDrawSpec().SetOrigin(TVec2(0, 0));
  EXPECT_FALSE(almost->HitTest(TVec2(0, 0), 255));
  Backend().sixteenBit = "1";
  EXPECT_TRUE(almost->HitTest(TVec2(0, 0), 255));
}

TEST_F(SpriteTest, HitTestEdgeCases) {
  PutPng("solid.png", 2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
  auto sprite = TSprite::Create(0, TTexture::Get(TStr("solid.png")));
  EXPECT_TRUE(sprite->HitTest(TVec2(0, 0), 255));
  sprite->SetVisible(false);
  EXPECT_FALSE(sprite->HitTest(TVec2(0, 0), 1));
  sprite->SetVisible(true);

  // Without a texture only "hittestchildren" lets the test look at the children.
  auto group = TSprite::Create();
  group->AddChild(sprite);
  EXPECT_FALSE(group->HitTest(TVec2(0, 0), 1));
  SetSetting(SettingKey(kSettingHitTestChildren), TStr("1"));
  EXPECT_TRUE(group->HitTest(TVec2(0, 0), 1));

  // During an open frame the target cannot be drawn: the bounds answer, and nothing is drawn.
  PutPng("clear.png", 2, 2, std::vector<uint32_t>(4, 0u));
  auto clear = TSprite::Create(0, TTexture::Get(TStr("clear.png")));
  EXPECT_FALSE(clear->HitTest(TVec2(0, 0), 1));
  R()->BeginDraw(0);
  Calls();
  EXPECT_TRUE(clear->HitTest(TVec2(0, 0), 1));
  EXPECT_TRUE(Calls().empty());
  R()->EndDraw(0);
}

TEST_F(SpriteTest, LiveCountAndTheSharedHitTarget) {
  int32_t before = TSprite::GetLiveCount();
  {
    auto a = TSprite::Create();
    auto b = TSprite::Create();
    EXPECT_EQ(GetSetting(TStr("current_sprite_count")).ToInt(), before + 2);
  }
  EXPECT_EQ(TSprite::GetLiveCount(), before);
  EXPECT_EQ(GetSetting(TStr("current_sprite_count")).ToInt(), before);

  // The 4 x 4 hit-test target is made once and released with the last sprite.
  PutSolidPng("s.png", 2, 2);
  int assets = mManager->GetAssetCount();
  {
    auto s = TSprite::Create(0, TTexture::Get(TStr("s.png")));
    s->HitTest(TVec2(0, 0), 1);
    s->HitTest(TVec2(0, 0), 1);
    EXPECT_EQ(mManager->GetAssetCount(), assets + 2);  // the texture's key and the target's
  }
  EXPECT_EQ(mManager->GetAssetCount(), assets + 1);  // the target's key went with it
}

}  // namespace
