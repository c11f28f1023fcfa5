// The game string table: reading spreadsheet rows and expanding references.
#include "game/shell/qrn_string_file.h"

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/xml_node.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

namespace {

QRNStringFile* gStringFile = nullptr;  // main thread only

// Labels that refer to each other in a cycle, or a file built to make the text explode, stop
// here: a reference past the depth or the expansion budget reads as missing, and a text never
// grows past the length limit (the rest is left unexpanded).
constexpr int kMaxDepth = 16;
constexpr int kExpansionBudget = 10000;
constexpr size_t kMaxTextLength = 1 << 20;

const char kMissing[] = "#####";

TXmlNode* Element(TXmlNode* node, const char* name) { return node ? node->GetChild(name) : nullptr; }

}  // namespace

TStr FrameworkString(TStr label, TStr a1, TStr a2, TStr a3) {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetHost().GetString(label, a1, a2, a3) : TStr(kMissing);
}

QRNStringFile::QRNStringFile() {
  gStringFile = this;
  BindScriptFunctions();
}

QRNStringFile::~QRNStringFile() {
  if (gStringFile == this) gStringFile = nullptr;
}

QRNStringFile* QRNStringFile::Get() { return gStringFile; }

void QRNStringFile::LoadStringFile(TStr path) {
  if (!FileExists(path)) return;
  TXmlNode document;
  document.LoadFile(path.c_str());
  TXmlNode* table = Element(Element(Element(&document, "Workbook"), "Worksheet"), "Table");
  if (!table) return;
  TStr tag;
  TXmlNode* row = nullptr;
  table->ResetChildIterator();
  while (table->GetNextChild(tag, row)) {
    if (!(tag == TStr("Row"))) continue;
    TStr cellName, textName;
    TXmlNode* labelCell = nullptr;
    TXmlNode* textCell = nullptr;
    row->ResetChildIterator();
    if (!row->GetNextChild(cellName, labelCell) || !(cellName == TStr("Cell"))) continue;
    TStr label = labelCell->GetChildText("Data");
    if (label.Length() == 0) continue;
    TStr text;
    if (row->GetNextChild(textName, textCell) && textName == TStr("Cell")) text = textCell->GetChildText("Data");
    mStrings[label] = text;
  }
}

bool QRNStringFile::StringExists(TStr label) { return mStrings.count(label) != 0; }

TStr QRNStringFile::GetString(TStr label) {
  int budget = kExpansionBudget;
  std::string text = Expand(label.c_str(), 0, &budget);
  return TStr(text.data(), (int)text.size());
}

std::string QRNStringFile::Expand(const std::string& label, int depth, int* budget) {
  if (!label.empty() && label[0] == '#') return label.substr(1);
  auto found = mStrings.find(TStr(label.c_str()));
  std::string text = found != mStrings.end() ? found->second.c_str() : FrameworkString(label.c_str()).c_str();
  size_t i = 0;
  for (;;) {
    i = text.find('%', i);
    if (i == std::string::npos) break;
    size_t j = text.find('%', i + 1);
    if (j == std::string::npos) break;
    if (j == i + 1) {
      text.erase(i, 1);
      ++i;
      continue;
    }
    std::string name = text.substr(i + 1, j - i - 1);
    std::string value = kMissing;
    if (depth < kMaxDepth && *budget > 0) {
      --*budget;
      value = Expand(name, depth + 1, budget);
    }
    if (value == kMissing) value = "-->" + name + "<--";
    // Every occurrence from here on; the inserted text is not scanned again.
    std::string reference = "%" + name + "%";
    std::string out = text.substr(0, i);
    size_t from = i, at;
    while ((at = text.find(reference, from)) != std::string::npos) {
      if (out.size() + (at - from) + value.size() + (text.size() - at - reference.size()) > kMaxTextLength) {
        LogPrintf("qrnGetString: the text of '%s' grows too long; the rest stays unexpanded", label.c_str());
        out.append(text, from, std::string::npos);
        return out;
      }
      out.append(text, from, at - from);
      out += value;
      from = at + reference.size();
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
    i += value.size();
  }
  return text;
}
