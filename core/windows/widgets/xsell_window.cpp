// TXSellWindow: filling the page from its data file and opening its links.
#include "core/windows/widgets/xsell_window.h"

#include "core/base/xml_node.h"
#include "core/windows/text.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

namespace {

TText* FindText(TWindow* page, const TStr& name) { return AsText(page->FindChild(name, -1)); }

void Hide(TWindow* page, const TStr& name) { DisableWindowSafe(page->FindChild(name, -1)); }

}  // namespace

TXSellWindow::TXSellWindow() { BindScriptFunctions(); }

TXSellWindow::~TXSellWindow() { UnbindScriptFunctions(); }

TWindow* TXSellWindow::GetFactory() { return new TXSellWindow(); }

TStr TXSellWindow::GetLink(int index) const { return index >= 1 && index <= kLinks ? mLinks[index - 1] : TStr(); }

void TXSellWindow::LaunchGameLink(int index) {
  TStr link = GetLink(index == 0 ? kLinks : index);
  TWindowManager* manager = TWindowManager::Get();
  if (link.IsEmpty() || !manager) return;
  manager->GetHost().OpenUrl(link);
}

void TXSellWindow::SetupXSell() {
  TXmlNode file;
  file.LoadFile("xsell/xsell.xml");
  TXmlNode* root = file.GetChild("xsell");
  int entries = 0;
  if (root) {
    TStr name;
    TXmlNode* child = nullptr;
    root->ResetChildIterator();
    while (entries < kLinks && root->GetNextChild(name, child)) {
      if (name != TStr("gameinfo")) continue;
      entries++;
      if (TText* text = FindText(this, TStr::Format("descrip%d", entries))) {
        TStr description = child->GetAttribute("description");
        TStr linkText = child->GetAttribute("linktext");
        if (!linkText.IsEmpty())
          description += TStr::Format(" <u><font color=\"003cff\"><a id='xsellbutton%d'>", entries) + linkText +
                         "</a></font></u>";
        text->SetText(description);
      }
      mLinks[entries - 1] = child->GetAttribute("link");
    }
    if (TXmlNode* site = root->GetChild("sitelink"))
      mLinks[kLinks - 1] = site->GetAttribute("link");
    else
      Hide(this, "gamesite");
    if (TXmlNode* centre = root->GetChild("centertext")) {
      if (TText* text = FindText(this, "centertext1")) text->SetText(centre->GetAttribute("text1"));
      if (TText* text = FindText(this, "centertext2")) text->SetText(centre->GetAttribute("text2"));
    }
  }
  for (int k = entries + 1; k <= kLinks; k++) {
    Hide(this, TStr::Format("descrip%d", k));
    Hide(this, TStr::Format("xsellbutton%d", k));
  }
  // Each button and logo is centred on the point where the script placed it.
  TStr centred[] = {"xsellbutton1", "xsellbutton2", "xsellbutton3", "xsellbutton4", "xsellbutton5",
                    "xsellbutton6", "xsellbutton7", "sitelogo",     "kestrunelogo", "gamesite"};
  for (const TStr& name : centred) {
    TWindow* window = FindChild(name, -1);
    if (!window) continue;
    const TRect& r = window->GetRect();
    window->SetPosition(r.left - window->GetWidth() / 2, r.top - window->GetHeight() / 2);
  }
}
