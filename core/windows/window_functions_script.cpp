// The native window functions of the window script: creating windows from tables, finding
// them by name, modal windows, messages, labels, hot keys and movies.
#include <cctype>

#include "core/base/saturate.h"
#include "core/base/settings.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/layered_window.h"
#include "core/windows/lua_message_wrapper.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/widget_calls.h"
#include "core/windows/window_host.h"
#include "core/windows/window_layout.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"

namespace {

TWindowManager* Manager() { return TWindowManager::Get(); }

TWindow* TopModal() { return Manager() ? Manager()->GetTopModal() : nullptr; }

// The named window under the top modal window (the modal itself included).
TWindow* FindUnderTop(const TStr& name) {
  TWindow* top = TopModal();
  return top ? top->FindChild(name, -1) : nullptr;
}

// The named window under the top modal window, else under each of its ancestors in turn.
TWindow* FindUpwards(const TStr& name) {
  for (TWindow* w = TopModal(); w; w = w->GetParent())
    if (TWindow* found = w->FindChild(name, -1)) return found;
  return nullptr;
}

// Posts the script's message (argument 1) through a wrapper; toParent aims it at the top modal
// window's parent instead of the window the message names.
int PostScriptMessage(lua_State* L, const char* function, bool toParent) {
  if (!ToMessage(L, 1)) return luaL_error(L, "%s: the argument is not a message", function);
  lua_pushvalue(L, 1);
  TLuaMessageWrapper* wrapper = new TLuaMessageWrapper(L);
  if (toParent) {
    TWindow* top = TopModal();
    wrapper->SetWindow(top ? top->GetParent() : nullptr);
  }
  if (Manager())
    Manager()->PostMessage(wrapper);
  else
    delete wrapper;
  return 0;
}

// Entries 1 to 4 of the table at index, missing or non-numeric ones 0.
void ReadFour(lua_State* L, int index, double out[4]) {
  for (int i = 0; i < 4; i++) {
    out[i] = 0;
    if (!lua_istable(L, index)) continue;
    lua_rawgeti(L, index, i + 1);
    out[i] = lua_tonumber(L, -1);
    lua_pop(L, 1);
  }
}

}  // namespace

void TWindowScript::RegisterFunctions() {
  lua_State* L = GetState();
  RegisterLuaRawMember(L, "PostCreate", this, &TWindowScript::PostCreate);
  RegisterLuaMember(L, "GetLabel", this, &TWindowScript::GetLabel);
  RegisterLuaMember(L, "_RegisterHotkey", this, &TWindowScript::RegisterHotkey);
  RegisterLuaMember(L, "SetLabel", this, &TWindowScript::SetLabel);
  RegisterLuaMember(L, "TagHotKey", this, &TWindowScript::TagHotKey);
  RegisterLuaMember(L, "_SetBitmap", this, &TWindowScript::SetBitmap);
  RegisterLuaMember(L, "SetPosition", this, &TWindowScript::SetPosition);
  RegisterLuaRawMember(L, "SetCommand", this, &TWindowScript::SetCommand);
  RegisterLuaRawMember(L, "StripKeyFromLabel", this, &TWindowScript::StripKeyFromLabel);
  RegisterLuaMember(L, "SetWindowName", this, &TWindowScript::SetWindowName);
  RegisterLuaRawMember(L, "FillRect", this, &TWindowScript::FillRect);
  RegisterLuaMember(L, "GetTimer", this, &TWindowScript::GetTimer);
  RegisterLuaMember(L, "GetConfig", this, &TWindowScript::GetConfig);
  RegisterLuaMember(L, "IsEnabled", this, &TWindowScript::IsEnabled);
  RegisterLuaMember(L, "DoSelectLayer", this, &TWindowScript::DoSelectLayer);
  RegisterLuaMember(L, "EnableWindow", this, &TWindowScript::EnableWindow);
  RegisterLuaMember(L, "GetButtonToggleState", this, &TWindowScript::GetButtonToggleState);
  RegisterLuaMember(L, "SetButtonToggleState", this, &TWindowScript::SetButtonToggleState);
  RegisterLuaMember(L, "PopWindow", this, &TWindowScript::ScriptPopWindow);
  RegisterLuaMember(L, "RealSetFocus", this, &TWindowScript::RealSetFocus);
  RegisterLuaMember(L, "StringToClipboard", this, &TWindowScript::StringToClipboard);
  RegisterLuaMember(L, "UpdateWindow", this, &TWindowScript::UpdateWindow);
  RegisterLuaMember(L, "PushModal", this, &TWindowScript::PushModal);
  RegisterLuaMember(L, "ClearModalChildren", this, &TWindowScript::ClearModalChildren);
  RegisterLuaMember(L, "GetWindowDepth", this, &TWindowScript::GetWindowDepthFunction);
  RegisterLuaMember(L, "DoPopModal", this, &TWindowScript::DoPopModal);
  RegisterLuaRawMember(L, "HandleGetMessage", this, &TWindowScript::HandleGetMessage);
  RegisterLuaRawMember(L, "GenericCreate", this, &TWindowScript::GenericCreate);
  RegisterLuaRawMember(L, "CreateNamedMessage", this, &TWindowScript::CreateNamedMessage);
  RegisterLuaRawMember(L, "CreateCloseMessage", this, &TWindowScript::CreateCloseMessage);
  RegisterLuaRawMember(L, "PostMessage", this, &TWindowScript::PostMessage);
  RegisterLuaRawMember(L, "PostMessageToParent", this, &TWindowScript::PostMessageToParent);
  RegisterLuaMember(L, "_GetString", this, &TWindowScript::GetString);
  RegisterLuaMember(L, "StartMovie", this, &TWindowScript::StartMovie);
  RegisterLuaMember(L, "IsMoviePlaying", this, &TWindowScript::IsMoviePlaying);
  RegisterLuaMember(L, "StopMovie", this, &TWindowScript::ScriptStopMovie);
  RegisterLuaMember(L, "ImageLoaded", this, &TWindowScript::ImageLoaded);
  RegisterLuaMember(L, "DestroyWindow", this, &TWindowScript::DestroyWindow);
  RegisterLuaMember(L, "DoFitToChildren", this, &TWindowScript::DoFitToChildren);
}

// The table stays anchored by a handle of this call's own: a window's PostChildrenInit may
// run script text, which releases the temporary handles of the running call.
int TWindowScript::PostCreate(lua_State* L) {
  TWindow* current = GetCurrentWindow();
  if (!current || !lua_istable(L, 1)) return 0;
  lua_pushvalue(L, 1);
  TLuaTable table(L);
  TWindowStyle style(&table);
  current->PostChildrenInit(style);
  return 0;
}

TStr TWindowScript::GetLabel(TStr name) {
  if (!TopModal()) return TStr("");
  TWindow* window = FindUnderTop(name);
  if (!window) return name + "_is_not_found";
  if (TText* text = AsText(window)) {
    TStr label;
    text->GetText(label);
    return label;
  }
  if (TButtonCalls* button = AsButton(window)) return button->GetLabel();
  return name + "_is_not_a_TText_window_or_TButton";
}

void TWindowScript::RegisterHotkey(TStr key, TStr name) {
  if (key.IsEmpty()) return;
  if (TModalWindow* top = AsModal(TopModal())) top->SetKeyCommand(key, name);
}

void TWindowScript::SetLabel(TStr name, TStr label) {
  TWindow* window = FindUnderTop(name);
  if (TText* text = AsText(window))
    text->SetText(label);
  else if (TButtonCalls* button = window ? AsButton(window) : nullptr)
    button->SetLabel(label);
}

TStr TWindowScript::TagHotKey(TStr key, TStr label, TStr) {
  if (key.IsEmpty()) return label;
  unsigned char wanted = (unsigned char)std::tolower((unsigned char)key[(unsigned)key.Length() - 1]);
  for (int i = 0; i < label.Length(); i++) {
    if ((unsigned char)std::tolower((unsigned char)label[(unsigned)i]) != wanted) continue;
    return label.SubStr(0, i) + "<u>" + label.SubStr(i, 1) + "</u>" + label.SubStr(i + 1);
  }
  return label;
}

void TWindowScript::SetBitmap(TStr name, TStr image, double scale) {
  TWindow* window = FindUnderTop(name);
  TImageCalls* target = window ? AsImage(window) : nullptr;
  if (target) target->SetTexture(Manager()->GetHost().LoadTexture(image), (float)scale);
}

void TWindowScript::SetPosition(TStr name, int x, int y) {
  TWindow* window = FindUnderTop(name);
  if (!window) return;
  if (TWindow* parent = window->GetParent()) {
    x = ResolveLayoutPosition(x, window->GetWidth(), parent->GetWidth(), false);
    y = ResolveLayoutPosition(y, window->GetHeight(), parent->GetHeight(), false);
  }
  window->SetPosition(x, y);
}

int TWindowScript::SetCommand(lua_State* L) {
  TWindow* window = FindUnderTop(GetLuaString(L, 1));
  TButtonCalls* button = window ? AsButton(window) : nullptr;
  if (!button) return 0;
  TLuaFunction* command = nullptr;
  if (lua_isfunction(L, 2)) {
    lua_pushvalue(L, 2);
    command = new TLuaFunction(L);
  }
  button->SetLuaCommand(command);
  return 0;
}

int TWindowScript::StripKeyFromLabel(lua_State* L) {
  TStr label = GetLuaString(L, 1);
  TStr key;
  int at = label.Find('&');
  if (at >= 0) {
    unsigned char next = (unsigned char)label[(unsigned)at + 1];
    label.Erase(at, 1);
    // A multi-byte character cannot be a key.
    if (next != 0 && next < 0xC0) key = TStr("@") + (char)next;
  }
  PushLuaString(L, label);
  PushLuaString(L, key);
  return 2;
}

void TWindowScript::SetWindowName(TStr name) {
  if (TWindow* current = GetCurrentWindow()) current->SetWindowName(name);
}

int TWindowScript::FillRect(lua_State* L) {
  double r[4], c[4];
  ReadFour(L, 1, r);
  ReadFour(L, 2, c);
  TWindowManager* manager = Manager();
  if (!manager) return 0;
  TRect rect(SaturateToInt32(r[0]), SaturateToInt32(r[1]), SaturateToInt32(r[2]), SaturateToInt32(r[3]));
  if (TWindow* screen = manager->GetScreen()) rect = rect.Intersect(screen->GetRect());
  TWindowHost& host = manager->GetHost();
  host.PushClipRect(rect);
  host.FillRect(rect, TColor((float)c[0], (float)c[1], (float)c[2], (float)c[3]));
  host.PopClipRect();
  return 0;
}

uint32_t TWindowScript::GetTimer() { return Manager() ? Manager()->GetHost().GetTime() : 0; }

TStr TWindowScript::GetConfig(TStr key, TStr def) { return GetSetting(key, def); }

bool TWindowScript::IsEnabled(TStr key) { return GetSettingBool(key); }

void TWindowScript::DoSelectLayer(int layer) {
  TWindow* current = GetCurrentWindow();
  if (current && current->IsKindOf(&TLayeredWindow::ClassId))
    static_cast<TLayeredWindow*>(current)->SelectLayer((uint32_t)layer);
}

bool TWindowScript::EnableWindow(TStr name, bool on) {
  TWindow* window = FindUpwards(name);
  if (!window) return false;
  uint32_t flags = window->GetFlags();
  window->SetFlags(on ? flags | kWindowEnabled : flags & ~kWindowEnabled);
  if (!on && AsButton(window)) window->OnMouseLeave();
  Manager()->Invalidate();
  return true;
}

bool TWindowScript::GetButtonToggleState(TStr name) {
  TWindow* window = FindUpwards(name);
  TButtonCalls* button = window ? AsButton(window) : nullptr;
  return button && (button->GetOptions() & kButtonOn);
}

void TWindowScript::SetButtonToggleState(TStr name, bool on) {
  for (TWindow* w = TopModal(); w; w = w->GetParent()) {
    TWindow* found = w->FindChild(name, -1);
    if (TButtonCalls* button = found ? AsButton(found) : nullptr) button->SetToggleState(on);
  }
}

void TWindowScript::ScriptPopWindow() { PopWindow(); }

void TWindowScript::RealSetFocus(TStr name) {
  TWindow* current = GetCurrentWindow();
  if (Manager()) Manager()->SetFocus(current ? current->FindChild(name, -1) : nullptr);
}

bool TWindowScript::StringToClipboard(TStr text) { return Manager() && Manager()->GetHost().SetClipboardText(text); }

void TWindowScript::UpdateWindow() {
  if (Manager()) Manager()->Invalidate();
}

TStr TWindowScript::PushModal(TStr name) {
  TModalWindow* modal = new TModalWindow();
  modal->SetWindowName(name);
  if (Manager()) Manager()->PushModal(modal);
  return modal->GetIdString();
}

void TWindowScript::ClearModalChildren() {
  TModalWindow* top = AsModal(TopModal());
  if (!top) return;
  top->KillTasks();
  top->DeleteChildren();
  top->SetSize(0, 0);
  top->SetPosition(0, 0);
}

int TWindowScript::GetWindowDepthFunction() {
  int depth = 0;
  for (TWindow* w = TopModal(); w; w = w->GetParent()) depth++;
  return depth;
}

void TWindowScript::DoPopModal(TStr name) {
  if (Manager()) Manager()->PopModalsTo(name);
}

int TWindowScript::CreateNamedMessage(lua_State* L) {
  PushMessageUserdata(L, new TMessage(SaturateToInt32(lua_tonumber(L, 1)), GetLuaString(L, 2)));
  return 1;
}

int TWindowScript::CreateCloseMessage(lua_State* L) {
  TWindow* current = GetCurrentWindow();
  PushMessageUserdata(L, new TMessage(kCloseWindow, current ? current->GetIdString() : TStr("")));
  return 1;
}

int TWindowScript::PostMessage(lua_State* L) { return PostScriptMessage(L, "PostMessage", false); }

int TWindowScript::PostMessageToParent(lua_State* L) { return PostScriptMessage(L, "PostMessageToParent", true); }

TStr TWindowScript::GetString(TStr id, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) {
  if (id[0] == '#') return id.SubStr(1);
  return Manager() ? Manager()->GetHost().GetString(id, a1, a2, a3, a4, a5) : id;
}

bool TWindowScript::StartMovie(TStr name, bool translate, bool allowInput) {
  if (name.IsEmpty()) return false;
  TMoviePlayerMaker maker = GetMoviePlayerMaker();
  if (!maker) return false;
  StopMovie();
  TMoviePlayer* movie = maker(name, translate, allowInput);
  if (!movie) return false;
  if (!movie->Start()) {
    delete movie;
    return false;
  }
  mMovie = movie;
  return true;
}

bool TWindowScript::IsMoviePlaying() { return mMovie && mMovie->IsPlaying(); }

void TWindowScript::ScriptStopMovie() { StopMovie(); }

bool TWindowScript::ImageLoaded(TStr name) {
  TWindow* window = FindUnderTop(name);
  TImageCalls* image = window ? AsImage(window) : nullptr;
  return image && image->HasTexture();
}

void TWindowScript::DestroyWindow(TStr name) {
  TWindow* current = GetCurrentWindow();
  TWindow* window = current ? current->FindChild(name, -1) : nullptr;
  if (!window || !window->GetParent() || !Manager()) return;
  // A modal window leaves through the modal stack, which still holds it.
  if (Manager()->IsModal(window)) return;
  window->GetParent()->RemoveChild(window);
  Manager()->ScheduleDelete(window);
}

void TWindowScript::DoFitToChildren() {
  if (TWindow* current = GetCurrentWindow()) current->FitToChildren();
}
