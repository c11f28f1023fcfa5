// Name identifiers, strings, variants, property sets and the name table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/property_set.h"
#include "audio_engine/unhasher.h"
#include "audio_engine/variant.h"

using namespace Tarn;

TEST(NameId, KnownValuesAndHexForms) {
  struct Case {
    const char* text;
    uint32_t id;
  } cases[] = {
      {"EventClip", 0xBDFB42E6u},
      {"0x10", 16},
      {"0x0010", 16},
      {"0x", 0},
      {"", 0},
      {"0x1a2B", 0x1A2B},
      {"0x10zz", 16},           // stops at the first non-digit
      {"0xFFFFFFFF", 0xFFFFFFFFu},
  };
  for (const auto& c : cases) EXPECT_EQ(NameId(c.text), c.id) << c.text;
  // An upper-case X is text, so it hashes.
  EXPECT_EQ(NameId("0X10"), SuperFastHash("0X10", 4));
  EXPECT_NE(NameId("0X10"), 16u);
  EXPECT_EQ(NameId(nullptr), 0u);
}

TEST(NameId, TrailingBytesEnterSigned) {
  // Lengths 1..7 cover every remainder; a high byte at the tail must differ from its unsigned
  // reading, and the whole result must stay stable.
  std::string base = "Volum\xE9";
  uint32_t a = NameId(base.c_str());
  std::string low = "Volum\x69";
  EXPECT_NE(a, NameId(low.c_str()));
  for (size_t n = 1; n <= 7; n++) {
    std::string s(n, '\xF0');
    EXPECT_EQ(SuperFastHash(s.data(), n), SuperFastHash(s.data(), n));
    EXPECT_NE(SuperFastHash(s.data(), n), 0u);
  }
}

TEST(Variant, EqualityFollowsTheLeftType) {
  tVariant s = tVariant::String("Volume");
  tVariant i = tVariant::Int((int32_t)NameId("Volume"));
  EXPECT_TRUE(s == i);
  EXPECT_TRUE(i == s);
  EXPECT_TRUE(tVariant::Bool(true) == tVariant::Bool(true));
  EXPECT_FALSE(tVariant::Bool(true) == tVariant::Int(1));
  EXPECT_TRUE(tVariant::Float(0.5f) == tVariant::Float(0.5f));
  EXPECT_FALSE(tVariant::Float(0.5f) == tVariant::Int(0));
  EXPECT_FALSE(tVariant() == tVariant());
  tVariant like;
  like.SetIntLike(7);
  tVariant like2;
  like2.SetIntLike(7);
  EXPECT_TRUE(like == like2);
  EXPECT_FALSE(like == tVariant::Int(7));
}

namespace {
struct Counted : cVariantObject {
  static int live;
  Counted() { live++; }
  Counted(const Counted&) : cVariantObject() { live++; }
  ~Counted() override { live--; }
  cVariantObject* Clone() const override { return new Counted(*this); }
};
int Counted::live = 0;
}  // namespace

TEST(Variant, OwnedObjectsCloneAndDieWithTheirCopy) {
  {
    tVariant a;
    a.SetObject(new Counted());
    tVariant b(a);
    EXPECT_EQ(Counted::live, 2);
    EXPECT_NE(a.Object(), b.Object());
    b.SetFloat(1.0f);
    EXPECT_EQ(Counted::live, 1);
    EXPECT_NE(a.Object(), nullptr);
    tVariant c;
    c = a;
    EXPECT_EQ(Counted::live, 2);
    c = c;
    EXPECT_EQ(Counted::live, 2);
  }
  EXPECT_EQ(Counted::live, 0);
}

TEST(Variant, PointersKeepTheirFullWidth) {
  int x = 0;
  tVariant v;
  v.SetPointer(&x);
  tVariant copy(v);
  EXPECT_EQ(copy.Pointer(), &x);
  EXPECT_EQ(v.GetType(), tVariant::kPointer);
}

TEST(PropertySet, TypedGettersAndDefaults) {
  cPropertySet set;
  set.Set(NameId("Volume"), tVariant::Float(0.25f));
  set.Set(NameId("Index"), tVariant::Int(-3));
  set.Set(NameId("Enabled"), tVariant::Bool(true));
  EXPECT_FLOAT_EQ(set.GetFloat(NameId("Volume"), 1.0f), 0.25f);
  EXPECT_FLOAT_EQ(set.GetFloat(NameId("Pan"), 0.5f), 0.5f);
  EXPECT_EQ(set.GetInt(NameId("Index"), 100), -3);
  EXPECT_EQ(set.GetInt(NameId("Priority"), 100), 100);
  EXPECT_TRUE(set.GetBool(NameId("Enabled"), false));
  EXPECT_TRUE(set.GetVariant(NameId("Missing")).IsEmpty());
  EXPECT_FALSE(set.Insert("Index", tVariant::Int(5)));  // existing entry kept
  EXPECT_EQ(set.GetInt(NameId("Index")), -3);
  // Ascending identifier order.
  uint32_t last = 0;
  for (auto& [id, v] : set) {
    EXPECT_GE(id, last);
    last = id;
  }
}

TEST(Unhasher, RegistersAndReportsConflicts) {
  std::vector<std::string> shown;
  SetMessageSink([&](const std::string& title, const std::string& text) {
    EXPECT_EQ(title, "Tarn Framework Message");
    shown.push_back(text);
  });
  cUnhasher::Clear();
  cUnhasher::Register(cString("Music"));
  cUnhasher::Register(cString("Music"));
  EXPECT_TRUE(shown.empty());
  cUnhasher::Register(cString("Other"), NameId("Music"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Multiply-defined symbol\n");
  EXPECT_EQ(cUnhasher::NameOf(NameId("Music")).str(), "Music");
  EXPECT_FALSE(cUnhasher::Contains(NameId("Nothing")));
  cUnhasher::Clear();
  EXPECT_FALSE(cUnhasher::Contains(NameId("Music")));
  SetMessageSink(nullptr);
}

TEST(MessageBox, LongTextIsCut) {
  std::string got;
  SetMessageSink([&](const std::string&, const std::string& text) { got = text; });
  std::string longText(3000, 'a');
  MessageBox("%s", longText.c_str());
  EXPECT_EQ(got.size(), 1023u);
  SetMessageSink(nullptr);
}
