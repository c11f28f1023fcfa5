// TXSellWindow: the container of a page that advertises other games. Its texts, images and
// buttons come from the window script; the window adds two script functions bound to itself:
// SetupXSell fills the page from "xsell/xsell.xml" and centres its buttons and logos on where
// they were placed, LaunchGameLink opens one of the page's links in the browser. Script type
// "XSellWindow".
#pragma once

#include "core/base/str.h"
#include "core/windows/window.h"

class TXSellWindow : public TWindow {
 public:
  static constexpr int kLinks = 8;  // link 8 is also the site link

  // Binds SetupXSell and LaunchGameLink to this window (a later page takes them over).
  TXSellWindow();
  // Unbinds both when they still name this window.
  ~TXSellWindow() override;

  const char* GetClassName() const override { return "TXSellWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TXSellWindow::GetFactory || TWindow::IsKindOf(classId);
  }
  // Creates a TXSellWindow (script type "XSellWindow"); the class identity.
  static TWindow* GetFactory();

  // Fills the page from the data file; without one, hides every description and button.
  void SetupXSell();
  // 0 opens the site link, 1 to 8 a game's link; other numbers and empty links open nothing.
  void LaunchGameLink(int index);
  // Link 1 to 8 (empty for other numbers).
  TStr GetLink(int index) const;

 private:
  // xsell_window_script.cpp.
  void BindScriptFunctions();
  void UnbindScriptFunctions();

  TStr mLinks[kLinks];
};
