// The framework's tolerant XML reader and writer.
#include "core/base/xml_node.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/zxml.h"

// ---- character sources ----

TGetCharFile::TGetCharFile(const char* path) : mPath(path) { mFile = FileOpen(path, kFileReadBinary); }

TGetCharFile::~TGetCharFile() { FileClose(mFile); }

int TGetCharFile::UngetChar(int c) {
  if (mPosition <= 0) return -1;
  --mPosition;
  return c;
}

int TGetCharFile::GetChar() {
  if (mStop || !mFile) return -1;
  if (mPosition >= mLength) {
    int keep = mLength < kKeep ? mLength : kKeep;
    memmove(mBuffer, mBuffer + mLength - keep, (size_t)keep);
    int got = FileRead(mFile, mBuffer + keep, kBlock);
    if (got <= 0) {
      mPosition = mLength = keep;
      return -1;
    }
    mPosition = keep;
    mLength = keep + got;
  }
  return mBuffer[mPosition++];
}

void TGetCharFile::Rewind() {
  FileSeek(mFile, 0, kSeekStart);
  mPosition = mLength = 0;
}

void TGetCharFile::Reopen() {
  FileClose(mFile);
  mFile = FileOpen(mPath.c_str(), kFileReadBinary);
  mPosition = mLength = 0;
}

int TGetCharString::UngetChar(int c) {
  if (mPosition <= 0) return -1;
  --mPosition;
  return c;
}

int TGetCharString::GetChar() {
  if (mStop || mPosition >= mLength) return -1;
  return (unsigned char)mBuffer[mPosition++];
}

// ---- entities ----

int XmlUnescapeInPlace(char* text, int length) {
  int out = 0;
  for (int i = 0; i < length;) {
    char c = text[i];
    if (c != '&') {
      text[out++] = text[i++];
      continue;
    }
    if (i + 1 < length && text[i + 1] == '#') {
      const char* semi = (const char*)memchr(text + i + 2, ';', (size_t)(length - i - 2));
      if (semi) {
        // The decimal value up to the first non-digit; the text up to ";" is consumed.
        uint32_t value = 0;
        for (const char* d = text + i + 2; d < semi && *d >= '0' && *d <= '9'; ++d) {
          value = value * 10 + (uint32_t)(*d - '0');
          if (value > 0x10FFFF) break;
        }
        i = (int)(semi - text) + 1;
        // A NUL would end the text early; code points beyond a byte come out as UTF-8.
        if (value == 0 || value > 0x10FFFF) continue;
        if (value < 256) {
          text[out++] = (char)value;
        } else {
          char utf8[4];
          int n = Utf8EncodeChar(value, utf8);
          for (int k = 0; k < n; ++k) text[out++] = utf8[k];
        }
        continue;
      }
    }
    static const struct {
      const char* name;
      char c;
    } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    bool matched = false;
    for (const auto& e : kEntities) {
      int n = (int)strlen(e.name);
      if (i + 1 + n <= length && memcmp(text + i + 1, e.name, (size_t)n) == 0) {
        text[out++] = e.c;
        i += 1 + n;
        matched = true;
        break;
      }
    }
    if (!matched) text[out++] = text[i++];
  }
  return out;
}

TStr XmlUnescape(TStr text) {
  std::string s = text.c_str();
  int n = XmlUnescapeInPlace(s.data(), (int)s.size());
  return TStr(s.data(), n);
}

namespace {

void AppendEscaped(std::string& out, const char* text) {
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
    switch (*p) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (*p < 0x20 || *p >= 0x80) {
          out += "&#";
          out += std::to_string((int)*p);
          out += ';';
        } else {
          out += (char)*p;
        }
    }
  }
}

}  // namespace

TStr XmlEscape(TStr text) {
  std::string out;
  AppendEscaped(out, text.c_str());
  return TStr(out.c_str());
}

// ---- tokenizer ----

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One character: a lead byte of 0xC0 and above brings its following bytes along.
int ReadGroup(TGetChar* s, char* group) {
  int c = s->GetChar();
  if (c < 0) return 0;
  group[0] = (char)c;
  int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  int n = 1;
  for (int k = 0; k < more; ++k) {
    int d = s->GetChar();
    if (d < 0) break;
    group[n++] = (char)d;
  }
  return n;
}

// markup is set only for "<", ">" and "=" as they stand in the input: an entity that decodes
// to one of them is text, so "&lt;" never opens a tag.
bool ReadToken(TGetChar* s, std::string& token, bool& quoted, bool& markup) {
  token.clear();
  quoted = false;
  markup = false;
  char g[4];
  int n;
  do {
    n = ReadGroup(s, g);
    if (n == 0) return false;
  } while (IsSpace((unsigned char)g[0]));
  unsigned char first = (unsigned char)g[0];
  if (first == '<' || first == '>' || first == '=') {
    token.assign(1, g[0]);
    markup = true;
    return true;
  }
  if (first == '"') {
    quoted = true;
    while ((n = ReadGroup(s, g)) != 0 && g[0] != '"') token.append(g, (size_t)n);
  } else {
    token.append(g, (size_t)n);
    int chars = 1;
    while ((n = ReadGroup(s, g)) != 0) {
      unsigned char c = (unsigned char)g[0];
      if (IsSpace(c)) break;
      if (c == '<' || c == '>' || c == '=') {
        s->UngetChar(c);
        // br/ followed by ">" reads as br, "/" and ">".
        if (c == '>' && chars >= 2 && token.back() == '/') {
          s->UngetChar('/');
          token.pop_back();
        }
        break;
      }
      token.append(g, (size_t)n);
      ++chars;
    }
  }
  token.resize((size_t)XmlUnescapeInPlace(token.data(), (int)token.size()));
  return true;
}

enum TagResult { kTagChild, kTagDone, kTagClose, kTagEnd };

TagResult ParseXmlTag(TXmlNode* node, TGetChar* s, TXmlNode** child, TStr* closeName) {
  std::string token;
  bool quoted, markup;
  if (!ReadToken(s, token, quoted, markup)) {
    s->mError = true;
    return kTagEnd;
  }
  if (!quoted && !markup && token[0] == '/') {
    *closeName = TStr(token.c_str() + 1);
    while (ReadToken(s, token, quoted, markup)) {
      if (markup && token == ">") return kTagClose;
    }
    s->mError = true;
    return kTagClose;
  }
  // Deep nesting would exhaust the stack here and in the tree's own destruction.
  if (s->mDepth >= kMaxXmlDepth) {
    LogPrintf("XML nested deeper than %d levels; the rest of the document is ignored", kMaxXmlDepth);
    s->mError = true;
    s->mStop = true;
    return kTagEnd;
  }
  TStr name(token.c_str());
  bool special = token == "?xml" || token == "!DOCTYPE" || token.compare(0, 3, "!--") == 0;
  TXmlNode* element = node->AddChild(name);
  std::string pending, lastBare;
  bool havePending = false, wantValue = false;
  while (true) {
    if (!ReadToken(s, token, quoted, markup)) {
      s->mError = true;
      return kTagEnd;
    }
    if (markup && token == ">") break;
    if (markup && token == "=") {
      wantValue = havePending;
      continue;
    }
    if (!quoted) lastBare = token;
    if (wantValue) {
      element->AddAttribute(TStr(pending.c_str()), TStr(token.c_str()), quoted);
      wantValue = havePending = false;
    } else {
      pending = token;
      havePending = true;
    }
  }
  if (special || (!lastBare.empty() && (lastBare[0] == '/' || lastBare[0] == '?'))) {
    element->EndElement(name);
    return kTagDone;
  }
  *child = element;
  return kTagChild;
}

// Fills node from the source until its closing tag or the end of input.
void ParseXmlContent(TXmlNode* node, TGetChar* s) {
  std::string token;
  bool quoted, markup;
  while (!s->mStop && ReadToken(s, token, quoted, markup)) {
    if (!markup || token != "<") {
      node->AddText(TStr(token.c_str()), (int)token.size());
      continue;
    }
    TXmlNode* child = nullptr;
    TStr closeName;
    TagResult r = ParseXmlTag(node, s, &child, &closeName);
    if (r == kTagEnd) return;
    if (r == kTagClose) {
      node->EndElement(closeName);
      if (s->mDepth == 0) s->mTopClosed = true;
      return;
    }
    if (r == kTagChild) {
      ++s->mDepth;
      ParseXmlContent(child, s);
      --s->mDepth;
    }
  }
}

}  // namespace

bool ReadXmlToken(TGetChar* source, TStr& token, bool* quoted) {
  std::string t;
  bool q = false, markup = false;
  bool ok = ReadToken(source, t, q, markup);
  token = TStr(t.c_str());
  if (quoted) *quoted = q;
  return ok;
}

// ---- the node ----

TXmlNode::TXmlNode() {}
TXmlNode::TXmlNode(const char* name) : mName(name) {}
TXmlNode::~TXmlNode() {}

TXmlNode* TXmlNode::AddChild(TStr name) {
  mChildren.push_back(std::make_unique<TXmlNode>(name.c_str()));
  return mChildren.back().get();
}

void TXmlNode::AddText(TStr text, int length) {
  // A NUL byte in the input ends the piece where the string ends.
  if (length > text.Length()) length = text.Length();
  if (length <= 0) return;
  if (mTextLength > 0) mTextLength = mText.WriteAt(mTextLength, " ", 1, true);
  mTextLength = mText.WriteAt(mTextLength, text.c_str(), length, true);
}

void TXmlNode::AddAttribute(TStr name, TStr value, bool quoted) {
  mAttributes.push_back(Attribute{name, value, quoted});
}

void TXmlNode::Parse(TGetChar* source) {
  ParseXmlContent(this, source);
  mParseError = source->mError;
}

void TXmlNode::LoadFile(const char* path) {
  mParseError = false;
  TGetCharFile source(path);
  if (!source.IsOpen()) return;
  char head[4];
  if (FileRead(source.GetFile(), head, 4) == 4 && IsZxml(head, 4)) {
    int size = FileGetSize(source.GetFile());
    std::vector<char> data(size > 0 ? (size_t)size : 0);
    FileSeek(source.GetFile(), 0, kSeekStart);
    int got = FileRead(source.GetFile(), data.data(), (int)data.size());
    LoadString(data.data(), got);
    return;
  }
  source.Rewind();
  Parse(&source);
}

void TXmlNode::LoadString(const char* text) {
  // The text is all the caller vouches for: a container's header cannot widen it, so a ZXML
  // container whose stated size passes the first NUL is refused as damaged.
  if (text) LoadString(text, (int)strnlen(text, 0x7FFFFFFF));
}

void TXmlNode::LoadString(const char* text, int length) {
  mParseError = false;
  if (!text || length <= 0) return;
  if (IsZxml(text, (size_t)length)) {
    std::vector<char> plain;
    const char* why = nullptr;
    if (!ZxmlDecode(text, (size_t)length, &plain, &why)) {
      LogPrintf("TXmlNode: damaged ZXML container (%s)", why);
      mParseError = true;
      return;
    }
    TGetCharString source(plain.data(), (int)plain.size());
    Parse(&source);
    return;
  }
  TGetCharString source(text, length);
  Parse(&source);
}

TXmlNode* TXmlNode::GetChild(const char* name) const {
  for (const auto& c : mChildren)
    if (strcmp(c->mName.c_str(), name) == 0) return c.get();
  return nullptr;
}

TStr TXmlNode::GetChildText(const char* name) const {
  TXmlNode* c = GetChild(name);
  return c ? c->mText : TStr();
}

bool TXmlNode::GetNextChild(TStr& name, TXmlNode*& child) {
  if (mChildIterator >= mChildren.size()) return false;
  child = mChildren[mChildIterator++].get();
  name = child->mName;
  return true;
}

TStr TXmlNode::GetAttribute(const char* name, bool* quoted) const {
  for (const Attribute& a : mAttributes) {
    if (strcmp(a.name.c_str(), name) == 0) {
      if (quoted) *quoted = a.quoted;
      return a.value;
    }
  }
  return TStr();
}

bool TXmlNode::GetNextAttribute(TStr& name, TStr& value) {
  if (mAttributeIterator >= mAttributes.size()) return false;
  const Attribute& a = mAttributes[mAttributeIterator++];
  name = a.name;
  value = a.value;
  return true;
}

void TXmlNode::SetAttribute(const char* name, const char* value) {
  for (Attribute& a : mAttributes) {
    if (strcmp(a.name.c_str(), name) == 0) {
      a.value = TStr(value);
      a.quoted = true;
      return;
    }
  }
  mAttributes.push_back(Attribute{TStr(name), TStr(value), true});
}

void TXmlNode::SetAttributeInt(const char* name, int value) {
  SetAttribute(name, TStr::Format("%d", value).c_str());
}

TStr TXmlNode::ToString() {
  std::string out;
  out.reserve((size_t)mWriteSizeHint);
  Write(out, 0);
  if ((int)out.size() + 1 > mWriteSizeHint) mWriteSizeHint = (int)out.size() + 1;
  return TStr(out.c_str());
}

void TXmlNode::Write(std::string& out, int indent) const {
  std::string pad((size_t)indent, ' ');
  out += pad;
  out += '<';
  AppendEscaped(out, mName.c_str());
  for (const Attribute& a : mAttributes) {
    out += '\n';
    out += pad;
    out += "    ";
    AppendEscaped(out, a.name.c_str());
    out += '=';
    if (a.quoted) out += '"';
    AppendEscaped(out, a.value.c_str());
    if (a.quoted) out += '"';
  }
  out += ">\n";
  if (mText.Length() != 0) {
    out += pad;
    AppendEscaped(out, mText.c_str());
    out += '\n';
  }
  for (const auto& child : mChildren) child->Write(out, indent + 4);
  out += pad;
  out += "</";
  AppendEscaped(out, mName.c_str());
  out += ">\n";
}
