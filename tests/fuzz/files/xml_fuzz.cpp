// Fuzzes the XML reader on plain text and ZXML containers, writes what it read and reads that
// again, and feeds the same bytes to the string table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/log.h"
#include "core/base/string_table.h"
#include "core/base/xml_node.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TXmlNode doc;
  doc.LoadString((const char*)data, (int)size);
  std::string written = doc.ToString().c_str();
  TXmlNode again;
  again.LoadString(written.c_str());
  TStringTable table;
  table.SetQuiet(true);
  table.AddText((const char*)data, (int)size);
  table.GetString(TStr("A"), TStr("%B%"), TStr("%%"));
  return 0;
}
