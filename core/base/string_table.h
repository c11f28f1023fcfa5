// TStringTable: the label -> text table of all user-visible text, read from spreadsheet XML
// files (plain or ZXML), with percent escapes for arguments and other labels.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "core/base/str.h"

class TStringTable {
 public:
  TStringTable() {}
  virtual ~TStringTable() {}

  // Empties the table, then adds the file.
  bool Load(TStr path);
  // The start-up tables: "strings.xml", then every file of the user and then of the common
  // data folder (as mapped) whose name begins "string" and contains ".xml", in key order.
  // True when "strings.xml" loaded (labels may then be translated).
  bool LoadStartupTables();
  // Adds the file's rows (later texts replace earlier ones); false when it does not open or
  // is a damaged ZXML container.
  bool AddFile(TStr path);
  // Rows from text already in memory (plain or ZXML), as AddFile.
  bool AddText(const char* data, int length);
  // The expanded text, or "#####" (logged unless quiet) when missing or unresolved.
  TStr GetString(TStr label, TStr a1 = TStr(), TStr a2 = TStr(), TStr a3 = TStr(), TStr a4 = TStr(),
                 TStr a5 = TStr());
  void GetFlashStrings(std::vector<std::pair<TStr, TStr>>& strings);
  void Clear() { mStrings.clear(); }
  void SetQuiet(bool quiet) { mQuiet = quiet; }
  bool HasLabel(TStr label) const { return mStrings.count(label) != 0; }
  int GetCount() const { return (int)mStrings.size(); }

 private:
  std::map<TStr, TStr> mStrings;
  bool mQuiet = false;
};
