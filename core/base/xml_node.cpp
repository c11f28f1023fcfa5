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

// Length of the well-formed UTF-8 sequence at p (at most n bytes), 0 when there is none: only
// whole sequences are written as they are, so a standard reader sees valid text and ours never
// reads a stray lead byte together with the markup after it.
int Utf8SequenceLength(const unsigned char* p, size_t n) {
  int length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
  if (length == 0 || p[0] > 0xF4 || (size_t)length > n) return 0;
  for (int k = 1; k < length; ++k)
    if ((p[k] & 0xC0) != 0x80) return 0;
  if (p[0] == 0xE0 && p[1] < 0xA0) return 0;   // overlong
  if (p[0] == 0xED && p[1] >= 0xA0) return 0;  // surrogates
  if (p[0] == 0xF0 && p[1] < 0x90) return 0;   // overlong
  if (p[0] == 0xF4 && p[1] >= 0x90) return 0;  // past U+10FFFF
  return length;
}

void AppendReference(std::string& out, unsigned char c) {
  out += "&#";
  out += std::to_string((int)c);
  out += ';';
}

// Where escaped text goes decides what else the reader would take apart: inside double quotes
// only the quote and the entities matter; a bare token also ends at white space and "=";
// element text collapses white space and reads "=" as a piece of its own.
enum EscapeContext { kQuotedText, kBareToken, kElementText };

void AppendEscaped(std::string& out, const char* text, EscapeContext context = kQuotedText) {
  const unsigned char* p = (const unsigned char*)text;
  size_t n = strlen(text);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = p[i];
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"': out += "&quot;"; continue;
      case '\'': out += "&apos;"; continue;
      default: break;
    }
    if (c >= 0x80) {
      int length = Utf8SequenceLength(p + i, n - i);
      if (length == 0) {
        AppendReference(out, c);
      } else {
        out.append((const char*)p + i, (size_t)length);
        i += (size_t)length - 1;
      }
      continue;
    }
    bool reference = c < 0x20;
    if (context != kQuotedText && c == '=') reference = true;
    // A bare token ending in "/" right before ">" would lose the "/" to the "name/" rule.
    if (context == kBareToken && (c == ' ' || (c == '/' && i + 1 == n && i > 0))) reference = true;
    // One blank between two other characters is what the reader puts back between pieces.
    if (context == kElementText && c == ' ')
      reference = i == 0 || i + 1 == n || p[i - 1] == ' ' || p[i + 1] == ' ';
    if (reference)
      AppendReference(out, c);
    else
      out += (char)c;
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

bool StartsWith(const TStr& text, const char* prefix) { return strncmp(text.c_str(), prefix, strlen(prefix)) == 0; }

// The reader closes an element at once after these names (judged on the name as the tree keeps
// it, up to a NUL byte, so that the writer judges alike), or when the last bare token of its tag
// closes the tag.
bool ClosedAtOnceName(const TStr& name) {
  return name == TStr("?xml") || name == TStr(kXmlDoctypeName) || StartsWith(name, kXmlCommentName);
}
bool ClosesTag(const char* token) { return token[0] == '/' || token[0] == '?'; }

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

// Reads exactly the bytes of word when they come next; otherwise puts back what it read.
bool Expect(TGetChar* s, const char* word) {
  int n = 0;
  for (; word[n]; ++n) {
    int c = s->GetChar();
    if (c != (unsigned char)word[n]) {
      if (c >= 0) s->UngetChar(c);
      break;
    }
  }
  if (!word[n]) return true;
  while (n > 0) s->UngetChar((unsigned char)word[--n]);
  return false;
}

// Bytes up to the end marker, which is consumed; false when the input ends first.
bool ReadUntil(TGetChar* s, const char* end, std::string& out) {
  size_t m = strlen(end);
  for (int c; (c = s->GetChar()) >= 0;) {
    out += (char)c;
    if (out.size() >= m && out.compare(out.size() - m, m, end) == 0) {
      out.resize(out.size() - m);
      return true;
    }
  }
  return false;
}

// A declaration's body up to its closing ">": quoted strings, the bracketed internal subset
// and comments inside it may all hold ">" without ending it.
bool ReadDeclaration(TGetChar* s, std::string& out) {
  int depth = 0;
  char quote = 0;
  for (int c; (c = s->GetChar()) >= 0;) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = (char)c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']' && depth > 0) {
      --depth;
    } else if (c == '>' && depth == 0) {
      return true;
    } else if (c == '<' && depth > 0 && Expect(s, "!--")) {
      out += "<!--";
      if (!ReadUntil(s, "-->", out)) return false;
      out += "-->";
      continue;
    }
    out += (char)c;
  }
  return false;
}

TStr Trimmed(const std::string& text) {
  size_t a = 0, b = text.size();
  while (a < b && IsSpace((unsigned char)text[a])) ++a;
  while (b > a && IsSpace((unsigned char)text[b - 1])) --b;
  return TStr(text.data() + a, (int)(b - a));
}

// Comments, CDATA sections and the document type declaration are read whole, as written: what
// they hold never becomes elements or text of the tree. Each is a childless node whose text is
// its content. False when the input ends inside one (the node keeps what was read).
bool ParseRawSection(TXmlNode* node, TGetChar* s, bool* found) {
  const char* name = nullptr;
  std::string content;
  bool complete;
  *found = true;
  if (Expect(s, "!--")) {
    name = kXmlCommentName;
    complete = ReadUntil(s, "-->", content);
  } else if (Expect(s, "![CDATA[")) {
    name = kXmlCDataName;
    complete = ReadUntil(s, "]]>", content);
  } else if (Expect(s, "!DOCTYPE")) {
    int next = s->GetChar();
    if (next >= 0) s->UngetChar(next);
    if (next >= 0 && !IsSpace(next) && next != '>' && next != '[') {
      // "<!DOCTYPEx": an ordinary name; the tokenizer reads it again.
      for (int k = 7; k >= 0; --k) s->UngetChar((unsigned char)"!DOCTYPE"[k]);
      *found = false;
      return true;
    }
    name = kXmlDoctypeName;
    complete = ReadDeclaration(s, content);
  } else {
    *found = false;
    return true;
  }
  TXmlNode* child = node->AddChild(TStr(name));
  // Text ends at a NUL byte. A declaration cut short there or by the end of the input (an open
  // quote or subset) could not be written back as it stands: it keeps no text.
  size_t length = strnlen(content.c_str(), content.size());
  bool whole = complete && length == content.size();
  content.resize(length);
  TStr text = name != kXmlDoctypeName ? TStr(content.data(), (int)content.size())
              : whole                ? Trimmed(content)
                                     : TStr();
  child->AddText(text, text.Length());
  child->EndElement(TStr(name));
  if (!complete) s->mError = true;
  return complete;
}

TagResult ParseXmlTag(TXmlNode* node, TGetChar* s, TXmlNode** child, TStr* closeName) {
  std::string token;
  bool quoted, markup;
  bool raw = false;
  if (!ParseRawSection(node, s, &raw)) return kTagEnd;
  if (raw) return kTagDone;
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
    LogError("XML nested deeper than %d levels; the rest of the document is ignored", kMaxXmlDepth);
    s->mError = true;
    s->mStop = true;
    return kTagEnd;
  }
  TStr name(token.c_str());
  bool special = ClosedAtOnceName(name);
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
  if (special || ClosesTag(lastBare.c_str())) {
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
      LogError("TXmlNode: damaged ZXML container (%s)", why);
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

int TXmlNode::FindAttribute(const char* name) const {
  // A short search costs less than a table.
  constexpr size_t kIndexFrom = 16;
  if (mAttributes.size() < kIndexFrom) {
    for (size_t i = 0; i < mAttributes.size(); ++i)
      if (strcmp(mAttributes[i].name.c_str(), name) == 0) return (int)i;
    return -1;
  }
  for (; mIndexedAttributes < mAttributes.size(); ++mIndexedAttributes)
    mAttributeIndex.emplace(mAttributes[mIndexedAttributes].name.c_str(), (int)mIndexedAttributes);
  auto it = mAttributeIndex.find(name);
  return it == mAttributeIndex.end() ? -1 : it->second;
}

TStr TXmlNode::GetAttribute(const char* name, bool* quoted) const {
  int i = FindAttribute(name);
  if (i < 0) return TStr();
  if (quoted) *quoted = mAttributes[i].quoted;
  return mAttributes[i].value;
}

bool TXmlNode::GetNextAttribute(TStr& name, TStr& value) {
  if (mAttributeIterator >= mAttributes.size()) return false;
  const Attribute& a = mAttributes[mAttributeIterator++];
  name = a.name;
  value = a.value;
  return true;
}

void TXmlNode::SetAttribute(const char* name, const char* value) {
  int i = FindAttribute(name);
  if (i >= 0) {
    mAttributes[i].value = TStr(value);
    mAttributes[i].quoted = true;
    return;
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

namespace {

// A name the reader reads back from a bare token: not a closing tag, not a raw section, not
// cut short by the "name/" rule.
bool BareNameReadsBack(const TStr& name) {
  const char* text = name.c_str();
  size_t n = strlen(text);
  return n > 0 && text[0] != '/' && text[0] != '!' && text[n - 1] != '/';
}

// An attribute name the reader reads back from a bare token: one that neither ends the tag
// nor reads as nothing.
bool BareAttributeNameReadsBack(const char* name) { return name[0] && name[0] != '/' && name[0] != '?'; }

void AppendQuoted(std::string& out, const char* text) {
  out += '"';
  AppendEscaped(out, text);
  out += '"';
}

void AppendName(std::string& out, const TStr& name) {
  if (BareNameReadsBack(name))
    AppendEscaped(out, name.c_str(), kBareToken);
  else
    AppendQuoted(out, name.c_str());
}

// name=value as the reader reads it back: a name that would not read back bare is quoted; an
// empty bare value is a reference that reads back as nothing.
void AppendAttribute(std::string& out, const TStr& name, const TStr& value, bool quoted) {
  const char* n = name.c_str();
  if (BareAttributeNameReadsBack(n))
    AppendEscaped(out, n, kBareToken);
  else
    AppendQuoted(out, n);
  out += '=';
  if (quoted) {
    AppendQuoted(out, value.c_str());
  } else if (value.c_str()[0]) {
    AppendEscaped(out, value.c_str(), kBareToken);
  } else {
    out += "&#0;";
  }
}

// Content of a comment or CDATA section, where only its end marker must not appear.
void AppendRaw(std::string& out, const TStr& text, const char* end, const char* broken) {
  std::string content = text.c_str();
  for (size_t at = 0; (at = content.find(end, at)) != std::string::npos; at += strlen(broken))
    content.replace(at, strlen(end), broken);
  out += content;
}

}  // namespace

void TXmlNode::Write(std::string& out, int indent) const {
  std::string pad((size_t)indent, ' ');
  out += pad;
  // Raw sections as the reader makes them: text only. A node of such a name that holds more
  // (attributes read from a spaced-out tag, or children) is written as an element instead.
  bool textOnly = mAttributes.empty() && mChildren.empty();
  if (textOnly && mName == TStr(kXmlCommentName)) {
    out += "<!--";
    AppendRaw(out, mText, "-->", "-- >");
    out += "-->\n";
    return;
  }
  if (textOnly && mName == TStr(kXmlCDataName)) {
    out += "<![CDATA[";
    AppendRaw(out, mText, "]]>", "]]]]><![CDATA[>");
    out += "]]>\n";
    return;
  }
  if (textOnly && mName == TStr(kXmlDoctypeName)) {
    out += "<!DOCTYPE";
    if (mText.Length()) out += std::string(" ") + mText.c_str();
    out += ">\n";
    return;
  }
  bool childless = mChildren.empty() && mText.Length() == 0;
  if (StartsWith(mName, "?") && childless) {
    // A processing instruction; the blank keeps the last token apart from its "?".
    out += "<?";
    AppendEscaped(out, mName.c_str() + 1, kBareToken);
    for (const Attribute& a : mAttributes) {
      out += ' ';
      AppendAttribute(out, a.name, a.value, a.quoted);
    }
    out += " ?>\n";
    return;
  }

  // An element the reader closes at once is written without a closing tag, as it was read.
  const char* lastBare = "";
  for (const Attribute& a : mAttributes) {
    if (BareAttributeNameReadsBack(a.name.c_str())) lastBare = a.name.c_str();
    if (!a.quoted) lastBare = a.value.c_str();
  }
  bool lastClosesTag = ClosesTag(lastBare);
  bool closedAtOnce = ClosedAtOnceName(mName) || (lastClosesTag && childless);
  out += '<';
  AppendName(out, mName);
  for (const Attribute& a : mAttributes) {
    out += '\n';
    out += pad;
    out += "    ";
    AppendAttribute(out, a.name, a.value, a.quoted);
  }
  // A word without "=" is dropped by the reader but keeps such a value from closing the tag.
  if (lastClosesTag && !childless) out += " _";
  out += ">\n";
  if (closedAtOnce) return;
  if (mText.Length() != 0) {
    out += pad;
    AppendEscaped(out, mText.c_str(), kElementText);
    out += '\n';
  }
  for (const auto& child : mChildren) child->Write(out, indent + 4);
  out += pad;
  out += "</";
  AppendEscaped(out, mName.c_str(), kBareToken);
  out += ">\n";
}
