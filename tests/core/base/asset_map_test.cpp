// The asset manager's weak registry and the asset map's search, kinds, reuse and messages,
// with fake loaders standing in for the subsystems that own the asset kinds.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/asset_manager.h"
#include "core/base/asset_map.h"
#include "tests/core/base/file_fixture.h"

namespace {

struct FakeAsset : TAsset {
  std::string file, options;
  int restores = 0;
  std::vector<std::string>* restoreLog = nullptr;
  void Restore() override {
    ++restores;
    if (restoreLog) restoreLog->push_back(file);
  }
};

#define FAKE_KIND(Name, Text)                                                              \
  struct Name : FakeAsset {                                                                \
    const char* GetClassName() const override { return Text; }                            \
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TAsset::IsKindOf(id); } \
    static TClassId ClassId() {                                                            \
      static const char token = 0;                                                         \
      return &token;                                                                       \
    }                                                                                      \
  };
FAKE_KIND(FakeTexture, "FakeTexture")
FAKE_KIND(FakeAnimation, "FakeAnimation")
FAKE_KIND(FakeSound, "FakeSound")
FAKE_KIND(FakeScript, "FakeScript")

std::map<std::string, int> gLoads;

template <class T>
TAssetLoader Loader(const char* keySuffix) {
  TAssetLoader l;
  l.kind = T::ClassId();
  std::string suffix = keySuffix;
  l.MakeKey = [suffix](TStr file, TStr options) { return file + options + TStr(suffix.c_str()); };
  l.Load = [](TStr file, TStr options) -> std::shared_ptr<TAsset> {
    ++gLoads[file.c_str()];
    if (strstr(file.c_str(), "broken")) return nullptr;
    auto a = std::make_shared<T>();
    a->file = file.c_str();
    a->options = options.c_str();
    return a;
  };
  return l;
}

}  // namespace

TEST(AssetManager, WeakRegistrySemantics) {
  TAssetManager manager;
  EXPECT_EQ(TAssetManager::GetInstance(), &manager);
  EXPECT_EQ(manager.FindAsset(TStr("asked")), nullptr);
  EXPECT_EQ(manager.GetAssetCount(), 1);  // asking enters the key

  std::vector<std::string> order;
  auto b = std::make_shared<FakeAsset>();
  b->file = "b";
  b->restoreLog = &order;
  auto a = std::make_shared<FakeAsset>();
  a->file = "a";
  a->restoreLog = &order;
  manager.RegisterAsset(TStr("b"), b);
  manager.RegisterAsset(TStr("a"), a);
  {
    auto dying = std::make_shared<FakeAsset>();
    manager.RegisterAsset(TStr("dead"), dying);
    EXPECT_EQ(manager.FindAsset(TStr("dead")), dying);
  }
  EXPECT_EQ(manager.FindAsset(TStr("dead")), nullptr);
  EXPECT_EQ(manager.GetAssetCount(), 4);
  EXPECT_EQ(manager.FindAsset(TStr("a")), a);
  EXPECT_EQ(a.use_count(), 1);  // the manager never holds an asset alive

  manager.RestoreAll();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(a->restores, 1);
  manager.RemoveAsset(TStr("a"));
  EXPECT_EQ(manager.FindAsset(TStr("a")), nullptr);

  TAssetManager second;
  EXPECT_EQ(TAssetManager::GetInstance(), &manager);
}

TEST(AssetManager, NoInstanceWithoutAManager) { EXPECT_EQ(TAssetManager::GetInstance(), nullptr); }

TEST(AssetManager, FindOrLoadReusesTheLiveAssetOfItsKindAndForgetsFailures) {
  int loads = 0;
  auto make = [&loads] {
    ++loads;
    return std::make_shared<FakeTexture>();
  };
  // Without a manager every request loads.
  EXPECT_NE(TAssetManager::FindOrLoad<FakeTexture>(TStr("k"), make), nullptr);
  EXPECT_EQ(loads, 1);

  TAssetManager manager;
  std::shared_ptr<FakeTexture> first = TAssetManager::FindOrLoad<FakeTexture>(TStr("k"), make);
  EXPECT_EQ(TAssetManager::FindOrLoad<FakeTexture>(TStr("k"), make), first);
  EXPECT_EQ(loads, 2);
  EXPECT_EQ(manager.FindAsset(TStr("k")), first);

  // A live asset of another kind under the key is replaced, not handed out.
  auto sound = std::make_shared<FakeSound>();
  manager.RegisterAsset(TStr("s"), sound);
  std::shared_ptr<FakeTexture> texture = TAssetManager::FindOrLoad<FakeTexture>(TStr("s"), make);
  EXPECT_EQ(loads, 3);
  EXPECT_EQ(manager.FindAsset(TStr("s")), texture);

  // A failed load leaves no entry, not even the one the look-up made.
  int before = manager.GetAssetCount();
  EXPECT_EQ(TAssetManager::FindOrLoad<FakeTexture>(TStr("broken"), [] { return std::shared_ptr<FakeTexture>(); }),
            nullptr);
  EXPECT_EQ(manager.GetAssetCount(), before);
  // Nor does it keep a live asset that was there.
  EXPECT_EQ(TAssetManager::FindOrLoad<FakeSound>(TStr("k"), [] { return std::shared_ptr<FakeSound>(); }), nullptr);
  EXPECT_EQ(manager.GetAssetCount(), before - 1);
  EXPECT_EQ(manager.FindAsset(TStr("k")), nullptr);
}

class AssetMapTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    gLoads.clear();
    RegisterAssetLoader(TStr("png"), Loader<FakeTexture>(":tex"));
    RegisterAssetLoader(TStr("jpg"), Loader<FakeTexture>(":tex"));
    RegisterAssetLoader(TStr("xml"), Loader<FakeAnimation>(":anim"));
    RegisterAssetLoader(TStr("anm"), Loader<FakeAnimation>(":anim"));
    RegisterAssetLoader(TStr("ogg"), Loader<FakeSound>(";1;-1"));
    RegisterAssetLoader(TStr("lua"), Loader<FakeScript>(""));
    for (const char* f : {"button.xml", "button.png", "ui/icons/star.png", "intro.lua", "readme.txt", "click.ogg",
                          "only.png", "broken.png", "Mixed/Case.PNG"})
      Put(std::string("assets/") + f, "x");
    BuildFileMap();
  }
  void TearDown() override {
    for (const char* e : {"png", "jpg", "xml", "anm", "ogg", "lua"}) UnregisterAssetLoader(TStr(e));
    FileLayerTest::TearDown();
  }
  TAssetManager mManager;
};

TEST_F(AssetMapTest, SearchOrderAndKinds) {
  TAssetMap map;
  const struct {
    const char* name;
    const char* file;
    const char* kind;
  } cases[] = {
      {"button", "button.xml", "FakeAnimation"},
      {"ui\\icons\\star", "ui/icons/star.png", "FakeTexture"},
      {"intro.lua", "intro.lua", "FakeScript"},
      {"click", "click.ogg", "FakeSound"},
      {"mixed/case", "mixed/case.png", "FakeTexture"},
  };
  for (const auto& c : cases) {
    map.AddAsset(TStr(c.name), nullptr, false);
    auto asset = std::static_pointer_cast<FakeAsset>(map.GetAsset(TStr(c.name)));
    ASSERT_NE(asset, nullptr) << c.name;
    EXPECT_EQ(asset->file, c.file) << c.name;
    EXPECT_STREQ(asset->GetClassName(), c.kind) << c.name;
  }
  EXPECT_TRUE(map.HasAsset(TStr("ui/icons/star")));
}

TEST_F(AssetMapTest, OptionsStayInTheNameAndLiveAssetsAreReused) {
  TAssetMap first, second;
  first.AddAsset(TStr("only?alpha"), nullptr, false);
  auto texture = first.GetTexture<FakeTexture>(TStr("only?alpha"));
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->file, "only.png");
  EXPECT_EQ(texture->options, "?alpha");
  EXPECT_NE(mManager.FindAsset(TStr("only.png?alpha:tex")), nullptr);
  second.AddAsset(TStr("only?alpha"), nullptr, false);
  EXPECT_EQ(second.GetTexture<FakeTexture>(TStr("only?alpha")), texture);
  EXPECT_EQ(gLoads["only.png"], 1);
  // Another kind under the key is not reused.
  mManager.RegisterAsset(TStr("click.ogg;1;-1"), texture);
  second.AddAsset(TStr("click"), nullptr, false);
  EXPECT_NE(second.GetSound<FakeSound>(TStr("click")), nullptr);
  EXPECT_EQ(gLoads["click.ogg"], 1);
  // The wrong kind gives nothing.
  EXPECT_EQ(second.GetSound<FakeSound>(TStr("only?alpha")), nullptr);
}

TEST_F(AssetMapTest, FailuresLeaveNothingAndLogUnlessQuiet) {
  TAssetMap map;
  map.AddAsset(TStr("nothing"), nullptr, false);
  map.AddAsset(TStr("readme.txt"), nullptr, false);
  map.AddAsset(TStr("broken"), nullptr, false);
  map.AddAsset(TStr("silent"), nullptr, true);
  for (const char* n : {"nothing", "readme.txt", "broken", "silent"}) EXPECT_FALSE(map.HasAsset(TStr(n))) << n;
  std::string log = LogText();
  EXPECT_NE(log.find("TAssetMap::AddAsset: Failed to find asset nothing with any standard extension "
                     "(jpg/png/anm/xml/ogg/mesh)"),
            std::string::npos);
  EXPECT_NE(log.find("TAssetMap::AddAsset: Error loading readme.txt"), std::string::npos);
  EXPECT_NE(log.find("TAssetMap::AddAsset: Error loading broken"), std::string::npos);
  EXPECT_EQ(log.find("silent"), std::string::npos);
}

TEST_F(AssetMapTest, LookUpsLoadOnlyWithAutoLoad) {
  TAssetMap map;
  EXPECT_EQ(map.GetTexture<FakeTexture>(TStr("only")), nullptr);
  EXPECT_FALSE(map.HasAsset(TStr("only")));
  EXPECT_EQ(map.GetSound<FakeSound>(TStr("click")), nullptr);
  std::string log = LogText();
  EXPECT_NE(log.find("Texture asset not found: only (auto load set to false)"), std::string::npos);
  EXPECT_NE(log.find("Sound asset not found: click"), std::string::npos);
  map.SetAutoLoad(true);
  EXPECT_NE(map.GetTexture<FakeTexture>(TStr("only")), nullptr);
  EXPECT_NE(map.GetSound<FakeSound>(TStr("click")), nullptr);
  EXPECT_EQ(map.GetTexture<FakeTexture>(TStr("gone")), nullptr);
  EXPECT_NE(LogText().find("Texture asset not found: gone (auto load set to true)"), std::string::npos);
}

TEST_F(AssetMapTest, GivenAssetsAndArrays) {
  TAssetMap map;
  auto mine = std::make_shared<FakeTexture>();
  map.AddAsset(TStr("a\\b"), mine, false);
  EXPECT_EQ(map.GetTexture<FakeTexture>(TStr("a/b")), mine);
  const char* names[] = {"button", "click", nullptr};
  map.AddAssets(names);
  EXPECT_TRUE(map.HasAsset(TStr("button")));
  EXPECT_TRUE(map.HasAsset(TStr("click")));
}
