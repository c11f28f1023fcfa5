// The game string table's script functions.
#include "game/shell/qrn_string_file.h"

void QRNStringFile::BindScriptFunctions() {
  mGlobals.Bind("qrnLoadStringFile", this, &QRNStringFile::LoadStringFile);
  mGlobals.Bind("qrnStringExists", this, &QRNStringFile::StringExists);
  mGlobals.Bind("qrnGetString", this, &QRNStringFile::GetString);
}
