// Rollovers, and the script text made from data that their popups run.
#include "game/shell/world/rollover.h"

#include <cctype>

#include "core/script/lua_function.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"
#include "game/shell/world/popup_window.h"

Rollover::Rollover(const TRect& rect, TStr contents, TStr action)
    : mXAbsolute(0), mYAbsolute(0), mContents(contents), mAction(action) {
  SetSize(rect.right - rect.left, rect.bottom - rect.top);
  SetPosition(rect.left, rect.top);
}

Rollover::~Rollover() {}

TWindow* Rollover::Create() { return new Rollover; }

void Rollover::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mXOffset = style.GetInt("xOffset", 0);
  mYOffset = style.GetInt("yOffset", 0);
  mXAbsolute = style.GetInt("xAbsolute", -1);
  mYAbsolute = style.GetInt("yAbsolute", -1);
  mContents = style.GetString("contents", TStr());
  if (TLuaFunction* command = style.GetFunction("command")) mCommand.reset(command);
}

void Rollover::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  FitToChildren();
}

bool Rollover::OnMouseMove(TPoint point) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  if (!top) return false;
  auto* popup = new PopupWindow(std::make_shared<TPopupTestRect>(GetScreenRect()));
  top->AddChild(popup, false);
  popup->Show(mContents);
  LocalToScreen(point);
  popup->PlaceAt(mXAbsolute >= 0 ? mXAbsolute : point.x + mXOffset, mYAbsolute >= 0 ? mYAbsolute : point.y + mYOffset);
  if (mCommand)
    popup->SetCommand(mCommand);
  else if (!mAction.IsEmpty())
    popup->SetAction(mAction);
  popup->TrackMouse();
  return true;
}

namespace {

const char* const kReservedWords[] = {"and",  "break", "do",     "else", "elseif", "end",   "false",
                                      "for",  "function", "if",  "in",   "local",  "nil",   "not",
                                      "or",   "repeat", "return", "then", "true",  "until", "while"};

bool IsPlainName(const TStr& name) {
  int n = name.Length();
  if (n == 0 || std::isdigit((unsigned char)name[0])) return false;
  for (int i = 0; i < n; i++) {
    unsigned char c = (unsigned char)name[(unsigned)i];
    if (!(std::isalnum(c) && c < 128) && c != '_') return false;
  }
  for (const char* word : kReservedWords)
    if (name == word) return false;
  return true;
}

}  // namespace

TStr ScriptMethodCall(const TStr& object, const char* method) {
  if (IsPlainName(object)) return object + ":" + method + "()";
  TStr text = "_G[\"";
  for (int i = 0; i < object.Length(); i++) {
    unsigned char c = (unsigned char)object[(unsigned)i];
    if (c == '"' || c == '\\')
      text += TStr("\\") + (char)c;
    else if (c < 32 || c == 127)
      text += TStr::Format("\\%03u", c);
    else
      text += (char)c;
  }
  return text + "\"]:" + method + "()";
}
