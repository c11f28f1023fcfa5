// QRNStringFile: the game's own string table beside the framework's. Scripts load further
// spreadsheet files into it and fetch texts in which other labels stand between percent signs;
// a label it lacks comes from the framework's table. One lives for the game's run; its script
// functions exist exactly as long as it does.
#pragma once

#include <map>
#include <string>

#include "core/base/str.h"
#include "game/shell/script_globals.h"

class QRNStringFile {
 public:
  // Binds qrnLoadStringFile, qrnStringExists and qrnGetString; they go with the object.
  QRNStringFile();
  ~QRNStringFile();
  QRNStringFile(const QRNStringFile&) = delete;
  QRNStringFile& operator=(const QRNStringFile&) = delete;

  // The living one, or null.
  static QRNStringFile* Get();

  // Adds the rows of a spreadsheet file (a later row or file replaces a label's text); a
  // missing file adds nothing.
  void LoadStringFile(TStr path);
  // Only this table is asked.
  bool StringExists(TStr label);
  // "#word" gives "word" as it stands; otherwise the label's text with %label% references
  // expanded (a missing one as -->label<--) and "%%" made "%".
  TStr GetString(TStr label);

 private:
  void BindScriptFunctions();
  std::string Expand(const std::string& label, int depth, int* budget);

  std::map<TStr, TStr> mStrings;
  TScriptGlobals mGlobals;
};

// The framework string table's text of a label (through the window manager's host), with its
// percent arguments filled; its missing-label text ("#####") when the label is absent.
TStr FrameworkString(TStr label, TStr a1 = TStr(), TStr a2 = TStr(), TStr a3 = TStr());
