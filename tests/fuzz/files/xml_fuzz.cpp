// Fuzzes the XML reader on plain text and ZXML containers; whatever elements it reads, written
// and read again, must give the same tree. The same bytes go to the string table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/log.h"
#include "core/base/string_table.h"
#include "core/base/xml_node.h"

namespace {

// Every name, text, attribute (with its quoted flag) and child, in order.
void Dump(TXmlNode* node, std::string& out) {
  out += "<";
  out += node->GetName().c_str();
  out += "|";
  out += node->GetText().c_str();
  node->ResetAttributeIterator();
  TStr name, value;
  while (node->GetNextAttribute(name, value)) {
    bool quoted = false;
    node->GetAttribute(name.c_str(), &quoted);
    out += std::string(" ") + name.c_str() + (quoted ? "=\"" : "=") + value.c_str();
  }
  TXmlNode* child;
  node->ResetChildIterator();
  while (node->GetNextChild(name, child)) Dump(child, out);
  out += ">";
}

// The document's elements; text outside every element is not part of what can be saved.
std::string DumpDocument(TXmlNode& doc) {
  std::string out;
  TStr name;
  TXmlNode* child;
  doc.ResetChildIterator();
  while (doc.GetNextChild(name, child)) Dump(child, out);
  return out;
}

// Non-printing bytes as \xNN, so a report shows where two dumps differ.
std::string Printable(const std::string& text) {
  std::string out;
  char hex[8];
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += (char)c;
    } else {
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TXmlNode doc;
  doc.LoadString((const char*)data, (int)size);
  std::string written;
  TStr name;
  TXmlNode* child;
  doc.ResetChildIterator();
  while (doc.GetNextChild(name, child)) written += child->ToString().c_str();
  TXmlNode again;
  again.LoadString(written.data(), (int)written.size());
  std::string first = DumpDocument(doc), second = DumpDocument(again);
  if (first != second) {
    fprintf(stderr, "load-save-load changed the tree\nfirst:  %s\nsecond: %s\nwritten:\n%s\n", Printable(first).c_str(),
            Printable(second).c_str(), Printable(written).c_str());
    abort();
  }
  TStringTable table;
  table.SetQuiet(true);
  table.AddText((const char*)data, (int)size);
  table.GetString(TStr("A"), TStr("%B%"), TStr("%%"));
  return 0;
}
