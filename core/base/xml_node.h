// The framework's tolerant XML reader and writer: TXmlNode elements, character sources and
// the tokenizer. Parsing calls the four virtual builders, so a derived node can take the
// document as events.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/str.h"

class TFile;

// Nesting deeper than this stops the parse with a log line (the rest of the input is dropped).
constexpr int kMaxXmlDepth = 1000;

// Names of the childless nodes that hold a comment, a CDATA section or the document type
// declaration; their text is the content as written, and the writer gives them back their own
// syntax. A processing instruction is a node whose name begins "?" (the target), with the
// attributes read from it.
constexpr const char* kXmlCommentName = "!--";
constexpr const char* kXmlCDataName = "![CDATA[";
constexpr const char* kXmlDoctypeName = "!DOCTYPE";

// A character source, and the parser's state for one load.
class TGetChar {
 public:
  virtual ~TGetChar() {}
  // Steps back over c; -1 when nothing can be put back.
  virtual int UngetChar(int c) = 0;
  // The next byte as 0..255, or -1 at the end (and for every read once stopped).
  virtual int GetChar() = 0;
  virtual void Rewind() = 0;

  bool mStop = false;
  int mDepth = 0;
  int mStopMode = 0;  // 0: read to the end
  bool mError = false;
  bool mTopClosed = false;
};

class TGetCharFile : public TGetChar {
 public:
  explicit TGetCharFile(const char* path);
  ~TGetCharFile() override;
  int UngetChar(int c) override;
  int GetChar() override;
  void Rewind() override;
  void Reopen();
  bool IsOpen() const { return mFile != nullptr; }
  TFile* GetFile() const { return mFile; }

 private:
  // Bytes are taken from the file a block at a time; the last few of the previous block are
  // kept in front so that the tokenizer can step back across a block edge.
  static constexpr int kKeep = 16;
  static constexpr int kBlock = 8192;
  TStr mPath;
  TFile* mFile = nullptr;
  unsigned char mBuffer[kKeep + kBlock];
  int mPosition = 0;
  int mLength = 0;
};

class TGetCharString : public TGetChar {
 public:
  TGetCharString(const char* buffer, int length) : mBuffer(buffer), mLength(length < 0 ? 0 : length) {}
  int UngetChar(int c) override;
  int GetChar() override;
  void Rewind() override { mPosition = 0; }

 private:
  const char* mBuffer;
  int mLength;
  int mPosition = 0;
};

class TXmlNode {
 public:
  TXmlNode();
  explicit TXmlNode(const char* name);
  virtual ~TXmlNode();
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // Parser events (slots 1-4).
  virtual TXmlNode* AddChild(TStr name);
  virtual void EndElement(TStr name) {}
  // Joins the piece to the text with one blank.
  virtual void AddText(TStr text, int length);
  virtual void AddAttribute(TStr name, TStr value, bool quoted);

  // Parse a document's content into this node: its top-level elements become children.
  void LoadFile(const char* path);
  // XML text up to its NUL. A ZXML container needs the form with a length: here it would be
  // cut at its first NUL byte and refused as damaged.
  void LoadString(const char* text);
  // XML text or a ZXML container of exactly length bytes.
  void LoadString(const char* text, int length);

  TStr GetName() const { return mName; }
  TStr GetText() const { return mText; }
  bool HasChildren() const { return !mChildren.empty(); }
  int GetChildCount() const { return (int)mChildren.size(); }
  TXmlNode* GetChild(const char* name) const;
  TStr GetChildText(const char* name) const;
  void ResetChildIterator() { mChildIterator = 0; }
  bool GetNextChild(TStr& name, TXmlNode*& child);
  TStr GetAttribute(const char* name, bool* quoted = nullptr) const;
  void ResetAttributeIterator() { mAttributeIterator = 0; }
  bool GetNextAttribute(TStr& name, TStr& value);

  void SetAttribute(const char* name, const char* value);
  void SetAttributeInt(const char* name, int value);

  // The element and its subtree, 4 blanks of indentation a level, never self-closed; what the
  // reader reads back from it is the same tree.
  TStr ToString();

  // True when the last load met malformed input (the tree holds what came before it).
  bool HadParseError() const { return mParseError; }

 private:
  struct Attribute {
    TStr name;
    TStr value;
    bool quoted;
  };

  void Parse(TGetChar* source);
  // Index of the first attribute of that name, or -1.
  int FindAttribute(const char* name) const;
  void Write(std::string& out, int indent) const;

  TStr mText;
  int mTextLength = 0;
  int mWriteSizeHint = 4096;
  TStr mName;
  std::vector<std::unique_ptr<TXmlNode>> mChildren;
  size_t mChildIterator = 0;
  std::vector<Attribute> mAttributes;  // in document order, duplicates kept
  size_t mAttributeIterator = 0;
  // Name -> first attribute of that name, so that an element with thousands of attributes is
  // not searched through for each. Built at the first lookup of a large element and extended
  // over attributes added since; attributes are never removed or renamed.
  mutable std::unordered_map<std::string, int> mAttributeIndex;
  mutable size_t mIndexedAttributes = 0;
  bool mParseError = false;
};

// Entity handling shared with the string table.
TStr XmlEscape(TStr text);
TStr XmlUnescape(TStr text);
// Replaces entities in bytes [0, length) in place, returning the new length.
int XmlUnescapeInPlace(char* text, int length);

// One token: false at the end of input. quoted tells whether it came in double quotes.
bool ReadXmlToken(TGetChar* source, TStr& token, bool* quoted);
