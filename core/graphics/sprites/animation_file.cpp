// Animation file readers. The XML form is read element by element with the framework's XML
// reader; the binary form chunk by chunk ("ANIM", "IMGN", "FRMS", optional "SCRP") through a
// cursor that refuses any length or count larger than the bytes left, so a damaged or hostile
// file fails with one log line instead of reading past its end or allocating without bound.
#include "core/graphics/sprites/animation_file.h"

#include <cstring>
#include <vector>

#include "core/base/log.h"
#include "core/base/whole_file.h"
#include "core/base/xml_node.h"

namespace {

// Larger animation files are refused (at most one byte more is read to tell).
constexpr int kMaxAnimationFileBytes = 16 << 20;

// True when the element has the attribute at all (an empty value counts).
bool FindAttribute(TXmlNode* node, const char* name, TStr* value) {
  TStr n, v;
  node->ResetAttributeIterator();
  while (node->GetNextAttribute(n, v)) {
    if (n == TStr(name)) {
      *value = v;
      return true;
    }
  }
  return false;
}

int IntAttribute(TXmlNode* node, const char* name) { return node->GetAttribute(name).ToInt(); }

// Up to six floats separated by single spaces, read into a..f in order.
void ReadTransform(TStr text, float transform[6]) {
  const char* p = text.c_str();
  for (int i = 0; i < 6 && *p; ++i) {
    transform[i] = TStr(p).ToFloat();
    const char* space = std::strchr(p, ' ');
    if (!space) break;
    p = space + 1;
  }
}

// Little-endian reads bounded by the buffer's end; the first refusal sticks.
class Cursor {
 public:
  Cursor(const unsigned char* bytes, size_t length) : mBytes(bytes), mLength(length) {}
  bool Ok() const { return mOk; }
  size_t Remaining() const { return mOk ? mLength - mPos : 0; }

  bool Take(void* out, size_t n) {
    if (!mOk || n > mLength - mPos) {
      mOk = false;
      return false;
    }
    std::memcpy(out, mBytes + mPos, n);
    mPos += n;
    return true;
  }
  int32_t Int() {
    unsigned char b[4] = {0, 0, 0, 0};
    Take(b, 4);
    return (int32_t)((uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24);
  }
  float Float() {
    int32_t bits = Int();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // A signed length and that many bytes; a length below 1 is the empty string.
  TStr String() {
    int32_t n = Int();
    if (!mOk || n < 1) return TStr();
    if ((size_t)n > Remaining()) {
      mOk = false;
      return TStr();
    }
    TStr s((const char*)mBytes + mPos, n);
    mPos += (size_t)n;
    return s;
  }
  // A count of records of at least minBytes each, refused when they cannot all fit.
  bool Count(int32_t* count, size_t minBytes) {
    *count = Int();
    if (!mOk) return false;
    if (*count < 0 || (size_t)*count > Remaining() / minBytes) mOk = false;
    return mOk;
  }
  bool Tag(const char* tag) {
    char b[4];
    return Take(b, 4) && std::memcmp(b, tag, 4) == 0;
  }
  bool PeekTag(const char* tag) const {
    return mOk && mLength - mPos >= 4 && std::memcmp(mBytes + mPos, tag, 4) == 0;
  }

 private:
  const unsigned char* mBytes;
  size_t mLength;
  size_t mPos = 0;
  bool mOk = true;
};

// The one log line of a binary file that ends early or holds impossible lengths; false.
bool Damaged(TStr name) {
  LogError("Animation %s is truncated or damaged", name.c_str());
  return false;
}

void TrackLargestFrame(TAnimation& a, const TAnimationFrame& f) {
  if (f.w > a.maxFrameWidth) a.maxFrameWidth = f.w;
  if (f.h > a.maxFrameHeight) a.maxFrameHeight = f.h;
}

}  // namespace

TStr BuildDefaultAnimationScript(int frameCount) {
  TStr script("function DoAnim()\n    delay(60);\n");
  if (frameCount > 0) {
    script += TStr("    frames{");
    for (int i = 1; i <= frameCount; ++i) {
      if (i > 1) script += ',';
      script += TStr::Format("%d", i);
    }
    script += TStr("};\n");
  }
  return script + TStr("end\n");
}

bool ReadAnimationXml(const char* text, int length, TStr name, TAnimation& a) {
  TXmlNode document;
  document.LoadString(text, length);
  TXmlNode* sequence = document.GetChild("sequence");
  if (!sequence) {
    LogError("Animation %s does not contain a sequence node", name.c_str());
    return false;
  }
  a.sequenceName = sequence->GetAttribute("name");
  a.sequenceSource = sequence->GetAttribute("source");

  TXmlNode* img = sequence->GetChild("img");
  if (!img) {
    LogError("Animation %s does not contain an img node", name.c_str());
    return false;
  }
  TStr value;
  if (FindAttribute(img, "regx", &value)) {
    a.imageRegX = value.ToInt();
    a.imageRegY = IntAttribute(img, "regy");
  }
  a.imageWidth = IntAttribute(img, "w");
  a.imageHeight = IntAttribute(img, "h");
  a.imageName = img->GetAttribute("name");
  a.maskName = img->GetAttribute("mask");

  TXmlNode* frameList = sequence->GetChild("framelist");
  if (!frameList) {
    LogError("Animation %s does not contain a framelist node", name.c_str());
    return false;
  }
  TStr childName;
  TXmlNode* child = nullptr;
  frameList->ResetChildIterator();
  while (frameList->GetNextChild(childName, child)) {
    if (childName != TStr("frame")) continue;
    TAnimationFrame f;
    const TAnimationFrame* previous = a.frames.empty() ? nullptr : &a.frames.back();
    f.x = IntAttribute(child, "x");
    f.y = IntAttribute(child, "y");
    f.w = IntAttribute(child, "w");
    f.h = IntAttribute(child, "h");
    f.name = child->GetAttribute("name");
    TStr alpha = child->GetAttribute("alpha");
    f.alpha = alpha.IsEmpty() ? 1.0f : alpha.ToFloat();
    if (FindAttribute(child, "regx", &value)) {
      f.regx = value.ToInt();
      f.regy = IntAttribute(child, "regy");
    } else if (previous) {
      f.regx = previous->regx;
      f.regy = previous->regy;
    }
    TStr xform = child->GetAttribute("xform");
    if (!xform.IsEmpty()) {
      for (int i = 0; i < 6; ++i) f.transform[i] = 0.0f;
      ReadTransform(xform, f.transform);
    } else if (previous) {
      std::memcpy(f.transform, previous->transform, sizeof f.transform);
    }
    TStr anchorName;
    TXmlNode* anchor = nullptr;
    child->ResetChildIterator();
    while (child->GetNextChild(anchorName, anchor)) {
      if (anchorName != TStr("anchor")) continue;
      TAnimationAnchor an;
      an.name = anchor->GetAttribute("name");
      an.x = IntAttribute(anchor, "x");
      an.y = IntAttribute(anchor, "y");
      f.anchors.push_back(an);
    }
    TrackLargestFrame(a, f);
    a.frames.push_back(std::move(f));
  }
  if (a.frames.empty()) {
    LogError("Animation %s does not contain any frames!", name.c_str());
    return false;
  }
  if (TXmlNode* script = sequence->GetChild("script")) {
    TStr attribute = script->GetAttribute("luascript");
    a.script = attribute.IsEmpty() ? script->GetText() : attribute;
  } else {
    a.script = BuildDefaultAnimationScript((int)a.frames.size());
  }
  return true;
}

bool ReadAnimationAnm(const unsigned char* bytes, size_t length, TStr name, TAnimation& a) {
  Cursor c(bytes, length);
  if (!c.Tag("ANIM")) return false;
  c.Int();
  int32_t version = c.Int();
  a.sequenceName = c.String();
  a.sequenceSource = c.String();
  if (!c.Ok()) return Damaged(name);
  if (!c.Tag("IMGN")) return false;
  a.imageRegX = c.Int();
  a.imageRegY = c.Int();
  a.imageWidth = c.Int();
  a.imageHeight = c.Int();
  if (version == 1)
    for (int i = 0; i < 4; ++i) c.Float();
  a.imageName = c.String();
  a.maskName = c.String();
  if (!c.Ok()) return Damaged(name);
  if (!c.Tag("FRMS")) return false;
  // Six integers, six floats, a name length and an anchor count, plus alpha from version 2.
  const size_t minFrame = 14 * 4 + (version > 1 ? 4 : 0);
  int32_t count = 0;
  if (c.Count(&count, minFrame)) {
    a.frames.reserve((size_t)count);
    for (int32_t i = 0; i < count && c.Ok(); ++i) {
      TAnimationFrame f;
      f.regx = c.Int();
      f.regy = c.Int();
      f.x = c.Int();
      f.y = c.Int();
      f.w = c.Int();
      f.h = c.Int();
      if (version > 1) f.alpha = c.Float();
      for (int k = 0; k < 6; ++k) f.transform[k] = c.Float();
      f.name = c.String();
      int32_t anchors = 0;
      // An anchor is two integers and a name length.
      if (!c.Count(&anchors, 12)) break;
      f.anchors.resize((size_t)anchors);
      for (auto& an : f.anchors) {
        an.x = c.Int();
        an.y = c.Int();
        an.name = c.String();
      }
      TrackLargestFrame(a, f);
      a.frames.push_back(std::move(f));
    }
  }
  if (c.PeekTag("SCRP")) {
    c.Tag("SCRP");
    a.script = c.String();
  } else if (c.Ok()) {
    a.script = BuildDefaultAnimationScript((int)a.frames.size());
  }
  if (!c.Ok()) return Damaged(name);
  return true;
}

bool ReadAnimationFile(TStr file, TAnimation& animation) {
  bool xml = file.Find(".xml") >= 0;
  if (!xml && file.Find(".anm") < 0) return false;
  std::vector<char> bytes;
  bool read = ReadWholeFile(file, &bytes, (size_t)kMaxAnimationFileBytes + 1);
  if (read && bytes.size() > (size_t)kMaxAnimationFileBytes) {
    LogError("Animation %s is too large", file.c_str());
    read = false;
  }
  // An unreadable XML file reads as an empty document, which names what is missing.
  if (!read) return xml && ReadAnimationXml("", 0, file, animation);
  if (xml) return ReadAnimationXml(bytes.data(), (int)bytes.size(), file, animation);
  return ReadAnimationAnm((const unsigned char*)bytes.data(), bytes.size(), file, animation);
}
