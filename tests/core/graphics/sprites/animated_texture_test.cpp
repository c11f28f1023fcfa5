// Animation files in both forms (fixture table: failures and their messages, registration and
// transform inheritance, versions 1 and 2, hostile lengths and counts), the default script,
// frame selection and drawing of the current frame.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/sprites/animation_file.h"
#include "core/graphics/draw_spec.h"
#include "tests/core/graphics/fake_display.h"
#include "tests/support/host_file.h"

namespace {

// Builds ".anm" bytes field by field.
class Anm {
 public:
  Anm& Tag(const char* t) { return Bytes(t, 4); }
  Anm& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) mBytes.push_back((char)((uint32_t)v >> (8 * i)));
    return *this;
  }
  Anm& Float(float f) {
    int32_t bits;
    std::memcpy(&bits, &f, 4);
    return Int(bits);
  }
  Anm& Str(const std::string& s) { return Int((int32_t)s.size()).Bytes(s.data(), s.size()); }
  Anm& Bytes(const char* p, size_t n) {
    mBytes.append(p, n);
    return *this;
  }
  // A whole file: one image, frames given as (regx, regy, x, y, w, h), each with one anchor.
  static Anm File(int version, const std::vector<std::array<int32_t, 6>>& frames, const char* script = nullptr) {
    Anm a;
    a.Tag("ANIM").Int(0).Int(version).Str("walk").Str("src");
    a.Tag("IMGN").Int(3).Int(4).Int(64).Int(32);
    if (version == 1)
      for (int i = 0; i < 4; ++i) a.Float(9.0f);
    a.Str("sheet.png").Str("");
    a.Tag("FRMS").Int((int32_t)frames.size());
    for (const auto& f : frames) {
      for (int32_t v : f) a.Int(v);
      if (version > 1) a.Float(0.5f);
      a.Float(1).Float(0).Float(0).Float(1).Float(2).Float(3);
      a.Str("f").Int(1).Int(7).Int(8).Str("hand");
    }
    if (script) a.Tag("SCRP").Str(script);
    return a;
  }
  const std::string& Text() const { return mBytes; }

 private:
  std::string mBytes;
};

bool ReadXml(const std::string& text, TAnimation& a) {
  return ReadAnimationXml(text.data(), (int)text.size(), TStr("t.xml"), a);
}
bool ReadAnm(const std::string& bytes, TAnimation& a) {
  return ReadAnimationAnm((const unsigned char*)bytes.data(), bytes.size(), TStr("t.anm"), a);
}

class AnimationTest : public DrawingTest {};

TEST(AnimationXml, FailuresNameWhatIsMissing) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Animation t.xml does not contain a sequence node"},
      {"<other/>", "Animation t.xml does not contain a sequence node"},
      {"<sequence><framelist/></sequence>", "Animation t.xml does not contain an img node"},
      {"<sequence><img name=\"a.png\"/></sequence>", "Animation t.xml does not contain a framelist node"},
      {"<sequence><img name=\"a.png\"/><framelist><image/></framelist></sequence>",
       "Animation t.xml does not contain any frames!"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    SetLogPath(folder.Path().c_str());
    TAnimation a;
    EXPECT_FALSE(ReadXml(c.text, a)) << c.text;
    std::string log = ReadHostFile(folder.Path() + "/logfile.txt");
    EXPECT_NE(log.find(c.message), std::string::npos) << log;
    SetLogPath(nullptr);
  }
}

TEST(AnimationXml, FramesInheritRegistrationAndTransform) {
  TAnimation a;
  ASSERT_TRUE(ReadXml(
      "<sequence name=\"walk\" source=\"art\">"
      "<img regx=\"5\" regy=\"6\" w=\"64\" h=\"32\" name=\"sheet.png\" mask=\"sheet_m.png\"/>"
      "<framelist>"
      "<frame x=\"0\" y=\"0\" w=\"10\" h=\"20\" name=\"a\" alpha=\"0.5\"><anchor name=\"hand\" x=\"3\" y=\"4\"/></frame>"
      "<frame x=\"10\" y=\"0\" w=\"12\" h=\"8\" regx=\"2\" regy=\"3\" xform=\"1 2 3 4\"/>"
      "<frame x=\"22\" y=\"0\" w=\"4\" h=\"30\" alpha=\"\"/>"
      "<notaframe x=\"99\"/>"
      "<frame xform=\"0.5 0 0 0.5 7 8 99\"/>"
      "</framelist></sequence>",
      a));
  EXPECT_STREQ(a.sequenceName.c_str(), "walk");
  EXPECT_STREQ(a.sequenceSource.c_str(), "art");
  EXPECT_STREQ(a.imageName.c_str(), "sheet.png");
  EXPECT_STREQ(a.maskName.c_str(), "sheet_m.png");
  EXPECT_EQ(a.imageRegX, 5);
  EXPECT_EQ(a.imageRegY, 6);
  ASSERT_EQ(a.frames.size(), 4u);
  const auto& f = a.frames;
  // The first frame has no registration point of its own and no transform.
  EXPECT_EQ(f[0].regx, 0);
  EXPECT_EQ(f[0].regy, 0);
  EXPECT_FALSE(f[0].HasTransform());
  EXPECT_FLOAT_EQ(f[0].alpha, 0.5f);
  ASSERT_EQ(f[0].anchors.size(), 1u);
  EXPECT_STREQ(f[0].anchors[0].name.c_str(), "hand");
  EXPECT_EQ(f[0].anchors[0].y, 4);
  // Four numbers set a..d; e and f stay 0.
  EXPECT_EQ(f[1].regx, 2);
  const float four[6] = {1, 2, 3, 4, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(f[1].transform[i], four[i]);
  // The third inherits both from the second; an empty alpha is 1.
  EXPECT_EQ(f[2].regx, 2);
  EXPECT_EQ(f[2].regy, 3);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(f[2].transform[i], four[i]);
  EXPECT_FLOAT_EQ(f[2].alpha, 1.0f);
  // Six numbers at most.
  EXPECT_FLOAT_EQ(f[3].transform[4], 7.0f);
  EXPECT_FLOAT_EQ(f[3].transform[5], 8.0f);
  EXPECT_EQ(a.maxFrameWidth, 12);
  EXPECT_EQ(a.maxFrameHeight, 30);
  EXPECT_STREQ(a.script.c_str(), "function DoAnim()\n    delay(60);\n    frames{1,2,3,4};\nend\n");
}

TEST(AnimationXml, ScriptFromAttributeOrText) {
  const char* frame = "<img name=\"s.png\"/><framelist><frame w=\"1\" h=\"1\"/></framelist>";
  TAnimation a;
  ASSERT_TRUE(ReadXml(std::string("<sequence>") + frame + "<script luascript=\"attr()\">text()</script></sequence>", a));
  EXPECT_STREQ(a.script.c_str(), "attr()");
  TAnimation b;
  ASSERT_TRUE(ReadXml(std::string("<sequence>") + frame + "<script luascript=\"\">text()</script></sequence>", b));
  EXPECT_STREQ(b.script.c_str(), "text()");
}

TEST(AnimationScript, DefaultScript) {
  EXPECT_STREQ(BuildDefaultAnimationScript(3).c_str(), "function DoAnim()\n    delay(60);\n    frames{1,2,3};\nend\n");
  EXPECT_STREQ(BuildDefaultAnimationScript(0).c_str(), "function DoAnim()\n    delay(60);\nend\n");
}

TEST(AnimationAnm, BothVersions) {
  for (int version : {1, 2}) {
    SCOPED_TRACE(version);
    TAnimation a;
    ASSERT_TRUE(ReadAnm(Anm::File(version, {{1, 2, 10, 20, 30, 40}, {5, 6, 0, 0, 8, 50}}).Text(), a));
    EXPECT_STREQ(a.sequenceName.c_str(), "walk");
    EXPECT_STREQ(a.imageName.c_str(), "sheet.png");
    EXPECT_EQ(a.imageWidth, 64);
    ASSERT_EQ(a.frames.size(), 2u);
    EXPECT_EQ(a.frames[0].regx, 1);
    EXPECT_EQ(a.frames[0].x, 10);
    EXPECT_EQ(a.frames[0].h, 40);
    // Version 1 has no per-frame alpha.
    EXPECT_FLOAT_EQ(a.frames[1].alpha, version == 1 ? 1.0f : 0.5f);
    EXPECT_FLOAT_EQ(a.frames[1].transform[5], 3.0f);
    ASSERT_EQ(a.frames[1].anchors.size(), 1u);
    EXPECT_EQ(a.frames[1].anchors[0].x, 7);
    EXPECT_STREQ(a.frames[1].anchors[0].name.c_str(), "hand");
    EXPECT_EQ(a.maxFrameHeight, 50);
    EXPECT_STREQ(a.script.c_str(), "function DoAnim()\n    delay(60);\n    frames{1,2};\nend\n");
  }
  TAnimation s;
  ASSERT_TRUE(ReadAnm(Anm::File(2, {{0, 0, 0, 0, 1, 1}}, "custom()").Text(), s));
  EXPECT_STREQ(s.script.c_str(), "custom()");
}

TEST(AnimationAnm, DamagedFilesFailWithALogLine) {
  std::string good = Anm::File(2, {{0, 0, 0, 0, 1, 1}}).Text();
  std::string hugeString = Anm().Tag("ANIM").Int(0).Int(2).Int(0x7FFFFFFF).Text();
  std::string hugeFrames = Anm().Tag("ANIM").Int(0).Int(2).Str("").Str("").Tag("IMGN").Int(0).Int(0).Int(0).Int(0)
                               .Str("s.png").Str("").Tag("FRMS").Int(100000000).Text();
  std::string negativeFrames = Anm().Tag("ANIM").Int(0).Int(2).Str("").Str("").Tag("IMGN").Int(0).Int(0).Int(0)
                                   .Int(0).Str("s.png").Str("").Tag("FRMS").Int(-1).Text();
  std::string hugeAnchors = Anm::File(2, {}).Text();
  hugeAnchors.resize(hugeAnchors.size() - 4);  // drop the zero frame count
  Anm frame;
  frame.Int(1).Int(0).Int(0).Int(0).Int(0).Int(1).Int(1).Float(1);
  for (int i = 0; i < 6; ++i) frame.Float(0);
  frame.Str("").Int(0x40000000);
  hugeAnchors += frame.Text() + std::string(64, '\0');
  const struct {
    const char* name;
    std::string bytes;
    bool logged;
  } cases[] = {
      {"no ANIM tag", "ANIX" + good.substr(4), false},
      {"no IMGN tag", good.substr(0, good.find("IMGN")) + "IMGX" + good.substr(good.find("IMGN") + 4), false},
      {"no FRMS tag", good.substr(0, good.find("FRMS")), false},
      {"truncated in a frame", good.substr(0, good.size() - 10), true},
      {"string longer than the file", hugeString, true},
      {"frame count beyond the file", hugeFrames, true},
      {"negative frame count", negativeFrames, true},
      {"anchor count beyond the file", hugeAnchors, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    SetLogPath(folder.Path().c_str());
    TAnimation a;
    EXPECT_FALSE(ReadAnm(c.bytes, a));
    std::string log = ReadHostFile(folder.Path() + "/logfile.txt");
    EXPECT_EQ(log.find("Animation t.anm is truncated or damaged") != std::string::npos, c.logged) << log;
    SetLogPath(nullptr);
  }
}

TEST_F(AnimationTest, GetReadsTheFileAndItsSheet) {
  PutSolidPng("anims/sheet.png", 64, 32);
  PutAsset("anims/walk.anm", Anm::File(2, {{1, 2, 10, 0, 30, 20}, {5, 6, 0, 0, 8, 16}}).Text());
  auto anim = TAnimatedTexture::Get(TStr("anims/walk"));
  ASSERT_TRUE(anim) << LogText();
  EXPECT_EQ(TAnimatedTexture::Get(TStr("anims/walk")), anim);
  EXPECT_EQ(mManager->FindAsset(TStr("anims/walk::")), anim);
  EXPECT_STREQ(anim->GetFolder().c_str(), "anims/");
  EXPECT_STREQ(anim->GetFileName().c_str(), "anims/sheet.png");
  EXPECT_TRUE(anim->HasAlpha());
  EXPECT_EQ(anim->GetFrameCount(), 2);
  EXPECT_EQ(anim->GetFrameRect(0), TRect(10, 0, 40, 20));
  EXPECT_EQ(anim->GetFrameRect(2), TRect());
  EXPECT_EQ(anim->GetFrameRect(-1), TRect());
  int32_t rx, ry;
  anim->GetFrameReg(1, &rx, &ry);
  EXPECT_EQ(rx, 5);
  EXPECT_EQ(ry, 6);

  // A missing sheet, or a file of another kind, gives nothing.
  PutAsset("anims/nosheet.xml", "<sequence><img name=\"none.png\"/><framelist><frame w=\"1\" h=\"1\"/></framelist></sequence>");
  EXPECT_FALSE(TAnimatedTexture::Get(TStr("anims/nosheet")));
  PutAsset("anims/readme.txt", "x");
  EXPECT_FALSE(TAnimatedTexture::Get(TStr("anims/readme.txt")));
  // The image argument replaces the file's; the sheet is found as named when not beside the file.
  PutSolidPng("other.png", 8, 8);
  auto replaced = TAnimatedTexture::Get(TStr("anims/walk.anm"), TStr("other.png"));
  ASSERT_TRUE(replaced);
  EXPECT_STREQ(replaced->GetFileName().c_str(), "other.png");
}

TEST_F(AnimationTest, FilesAboveSixteenMegabytesAreRefused) {
  // A valid file padded with zeros (which the reader ignores) to the limit, then one byte past it.
  PutAsset("anims/big.anm", Anm::File(2, {{1, 2, 10, 0, 30, 20}}).Text());
  std::string path = mTemp.File("assets/anims/big.anm");
  TAnimation a;
  std::filesystem::resize_file(path, 16u << 20);
  EXPECT_TRUE(ReadAnimationFile(TStr("anims/big.anm"), a)) << LogText();
  EXPECT_EQ(a.frames.size(), 1u);
  std::filesystem::resize_file(path, (16u << 20) + 1);
  TAnimation refused;
  EXPECT_FALSE(ReadAnimationFile(TStr("anims/big.anm"), refused));
  EXPECT_NE(LogText().find("Animation anims/big.anm is too large"), std::string::npos) << LogText();
}

TEST_F(AnimationTest, SetFrameAndFrameSize) {
  PutSolidPng("sheet.png", 64, 32);
  PutAsset("a.anm", Anm::File(2, {{0, 0, 0, 0, 30, 20}, {0, 0, 0, 0, 8, 16}}).Text());
  auto anim = TAnimatedTexture::Get(TStr("a.anm"));
  ASSERT_TRUE(anim);
  EXPECT_EQ(anim->GetFrame(), -1);
  EXPECT_EQ(anim->GetWidth(), 0);
  anim->SetFrame(1);
  EXPECT_EQ(anim->GetWidth(), 8);
  EXPECT_EQ(anim->GetHeight(), 16);
  anim->SetFrame(2);
  anim->SetFrame(-2);
  EXPECT_EQ(anim->GetFrame(), 1);
  anim->SetFrame(-1);
  EXPECT_EQ(anim->GetWidth(), 0);
  EXPECT_EQ(anim->GetHeight(), 0);
}

TEST_F(AnimationTest, DrawPlacesTheFrameByItsRegistrationPoint) {
  PutSolidPng("sheet.png", 64, 32);
  PutAsset("d.xml",
           "<sequence><img name=\"sheet.png\"/><framelist>"
           "<frame x=\"10\" y=\"4\" w=\"20\" h=\"10\" regx=\"5\" regy=\"2\" alpha=\"0.5\"/>"
           "<frame x=\"0\" y=\"0\" w=\"4\" h=\"4\" regx=\"0\" regy=\"0\" xform=\"2 0 0 2 100 0\"/>"
           "</framelist></sequence>");
  auto anim = TAnimatedTexture::Get(TStr("d"));
  ASSERT_TRUE(anim);
  R()->BeginDraw(0);
  R()->Begin2d();
  anim->Draw(TDrawSpec(TVec2(100, 100)));
  EXPECT_TRUE(Backend().quads.empty());  // no current frame

  anim->SetFrame(0);
  const struct {
    const char* name;
    uint32_t flags;
    float x0, y0;  // corner 0
  } cases[] = {
      {"plain", 0, 95, 98},
      {"mirrored", TDrawSpec::kFlipHorizontal, 105, 98},  // origin at w - regx: the quad spans 85..105
      {"upside down", TDrawSpec::kFlipVertical, 95, 102},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Backend().quads.clear();
    anim->Draw(TDrawSpec(TVec2(100, 100), 0.8f, 1.0f, c.flags));
    ASSERT_EQ(Backend().quads.size(), 1u);
    const TVertex* v = Backend().quads[0].vertices.data();
    EXPECT_FLOAT_EQ(v[0].x, c.x0);
    EXPECT_FLOAT_EQ(v[0].y, c.y0);
    EXPECT_FLOAT_EQ(v[2].x - v[0].x, c.flags & TDrawSpec::kFlipHorizontal ? -20.0f : 20.0f);
    // The frame's sheet rectangle, and the spec's alpha times the frame's.
    EXPECT_FLOAT_EQ(v[0].u, 10.0f / 64);
    EXPECT_EQ(v[0].diffuse >> 24, (uint32_t)(0.8f * 0.5f * 255));
  }
  // A source rectangle in the spec is taken inside the frame.
  Backend().quads.clear();
  TDrawSpec part(TVec2(0, 0));
  part.SetSourceRect(TRect(2, 0, 50, 5));
  anim->Draw(part);
  ASSERT_EQ(Backend().quads.size(), 1u);
  EXPECT_FLOAT_EQ(Backend().quads[0].vertices[0].u, 12.0f / 64);
  EXPECT_FLOAT_EQ(Backend().quads[0].vertices[1].u, 30.0f / 64);
  // The frame's transform goes before the spec's.
  anim->SetFrame(1);
  Backend().quads.clear();
  anim->Draw(TDrawSpec(TVec2(1, 1)));
  ASSERT_EQ(Backend().quads.size(), 1u);
  EXPECT_FLOAT_EQ(Backend().quads[0].vertices[2].x, 8.0f + 100.0f + 1.0f);
  TRect bounds;
  ASSERT_TRUE(anim->GetDrawBounds(TDrawSpec(TVec2(1, 1)), &bounds));
  EXPECT_EQ(bounds, TRect(101, 1, 109, 9));
}

}  // namespace
