// Shared by the window toolkit's tests: a host that records drawing and steers frame pacing,
// a probe window that records what reaches it, a button stand-in, and a fixture with the
// window manager, the root screen and the window script on the manual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/log.h"
#include "core/base/memory_file.h"
#include "core/base/settings.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/vertex_array.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/layered_window.h"
#include "core/windows/message.h"
#include "core/windows/screen.h"
#include "core/windows/widget_calls.h"
#include "core/windows/window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "platform/test_control.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace window_test {

class RecordingHost : public TWindowHost {
 public:
  bool IsFrameDone() override { return frameDone; }
  bool IsWindowActive() override { return active; }
  bool IsEmbedded() override { return embedded; }
  bool HasPqSwitch() override { return pq; }
  bool IsDisplayReady() override { return displayReady; }
  int GetMouseMode() override { return mouseMode; }
  bool BeginDraw() override {
    beginCalls++;
    return beginSucceeds;
  }
  void EndDraw() override { frames++; }
  void FillRect(const TRect& rect, const TColor& color) override { fills.push_back(rect); }
  // The label and its arguments, so tests see what reached the string table.
  TStr GetString(TStr label, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) override {
    return label + "(" + a1 + "," + a2 + "," + a3 + "," + a4 + "," + a5 + ")";
  }
  bool SetClipboardText(TStr text) override {
    clipboard = text.c_str();
    return true;
  }
  TStr GetClipboardText() override { return TStr(clipboard.c_str()); }
  void OpenUrl(TStr url) override { urls.push_back(url.c_str()); }
  void GetFlashStrings(std::vector<std::pair<TStr, TStr>>& strings) override { strings = flashStrings; }
  // Sounds that exist are the names in `soundFiles`; playing one records "play:name".
  std::shared_ptr<TWindowSound> LoadSound(TStr name) override {
    for (const std::string& file : soundFiles)
      if (file == name.c_str()) return std::make_shared<Sound>(name.c_str(), &sounds);
    return nullptr;
  }
  HWND GetMainWindow() override { return mainWindow; }
  void FlipToGdiSurface() override { gdiFlips++; }
  void ResetMouseCursor() override { cursorResets++; }
  void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) override {
    drawnTextures.push_back({texture, spec});
  }
  void DrawTriangles(const std::shared_ptr<TTexture>& texture, TVertex* vertices, uint32_t count) override {
    triangles.push_back({texture, std::vector<TVertex>(vertices, vertices + count)});
  }

  struct Sound : TWindowSound {
    Sound(std::string name, std::vector<std::string>* log) : mName(std::move(name)), mLog(log) {}
    void Play() override { mLog->push_back("play:" + mName); }
    std::string mName;
    std::vector<std::string>* mLog;
  };
  struct DrawnTexture {
    std::shared_ptr<TTexture> texture;
    TDrawSpec spec;
  };
  struct DrawnTriangles {
    std::shared_ptr<TTexture> texture;
    std::vector<TVertex> vertices;
  };

  bool frameDone = true, active = true, embedded = false, pq = false, displayReady = true;
  bool beginSucceeds = true;
  int mouseMode = 0;
  int beginCalls = 0, frames = 0;
  std::vector<TRect> fills;
  std::string clipboard;
  std::vector<std::string> urls;
  std::vector<std::pair<TStr, TStr>> flashStrings;
  std::vector<std::string> soundFiles, sounds;
  HWND mainWindow = nullptr;
  int gdiFlips = 0, cursorResets = 0;
  std::vector<DrawnTexture> drawnTextures;
  std::vector<DrawnTriangles> triangles;
};

// Records every call that reaches it into a shared log as "name:what".
class ProbeWindow : public TWindow {
 public:
  ProbeWindow(const char* name, TRect rect, std::vector<std::string>* log, bool handles = false)
      : mLog(log), mHandles(handles) {
    mName = name;
    mRect = rect;
  }
  bool OnMouseDown(TPoint p) override { return Note("down", p); }
  bool OnOtherMouseEvent(TPoint p, uint32_t button) override { return Note("other", p); }
  bool OnMouseUp(TPoint p) override { return Note("up", p); }
  bool OnMouseMove(TPoint p) override { return Note("move", p); }
  bool OnMouseLeave() override { return Note("leave"); }
  bool OnKeyDown(uint8_t key, uint32_t) override { return Note("key"); }
  bool OnChar(uint8_t c) override { return Note("char"); }
  void OnSetFocus(TWindow* previous) override { Note(std::string("focus<") + (previous ? previous->GetName().c_str() : "null")); }
  void Draw() override { Note("draw"); }
  bool OnMessage(TMessage* m) override {
    Note("msg" + std::to_string(m->GetType()) + "=" + m->GetName().c_str());
    return claimType == m->GetType();
  }
  bool OnAnimate() override {
    Note("anim");
    return keepAnimating;
  }
  void OnModalPopped() override { Note("popped"); }

  int claimType = -1;
  bool handles() const { return mHandles; }
  void SetHandles(bool on) { mHandles = on; }
  void SetFlagsRaw(uint32_t flags) { mFlags = flags; }
  bool keepAnimating = true;

 private:
  bool Note(const std::string& what, TPoint p) {
    return Note(what + "@" + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  bool Note(const std::string& what) {
    if (mLog) mLog->push_back(std::string(mName.c_str()) + ":" + what);
    return mHandles;
  }
  std::vector<std::string>* mLog;
  bool mHandles;
};

// Stands in for the button of the widgets: records presses and actions, runs a Lua command.
class FakeButton : public TLayeredWindow, public TButtonCalls {
 public:
  FakeButton(const char* name, uint32_t options, std::vector<std::string>* log)
      : TLayeredWindow(4), mOptions(options), mLog(log) {
    mName = name;
    mRect = TRect(0, 0, 10, 10);
  }
  ~FakeButton() override { delete mCommand; }
  bool Press() override {
    mLog->push_back(std::string(mName.c_str()) + ":press");
    return true;
  }
  bool DoAction() override {
    mLog->push_back(std::string(mName.c_str()) + ":action");
    return actionReports;
  }
  uint32_t GetOptions() const override { return mOptions; }
  void SetToggleState(bool on) override { mOptions = on ? (mOptions | kButtonOn) : (mOptions & ~kButtonOn); }
  void SetLabel(TStr text) override { mLabel = text; }
  TStr GetLabel() override { return mLabel; }
  void SetLuaCommand(TLuaFunction* command) override {
    delete mCommand;
    mCommand = command;
  }
  bool OnMouseLeave() override {
    mLog->push_back(std::string(mName.c_str()) + ":leave");
    return true;
  }
  TLuaFunction* GetCommand() const { return mCommand; }
  bool actionReports = false;  // what DoAction answers

 private:
  uint32_t mOptions;
  std::vector<std::string>* mLog;
  TStr mLabel;
  TLuaFunction* mCommand = nullptr;
};

// A listener that takes every message and records it as "type:name".
class Collector : public TMessageListener {
 public:
  explicit Collector(std::vector<std::string>* out, bool takes = true) : mOut(out), mTakes(takes) {}
  bool OnMessage(TMessage* m) override {
    mOut->push_back(std::to_string(m->GetType()) + ":" + m->GetName().c_str());
    return mTakes;
  }

 private:
  std::vector<std::string>* mOut;
  bool mTakes;
};

// Stands in for the image widget.
class FakeImage : public TWindow, public TImageCalls {
 public:
  void SetTexture(std::shared_ptr<TTexture> texture, float scale) override {
    calls++;
    lastScale = scale;
    mTexture = texture;
  }
  bool HasTexture() const override { return mHas; }
  static TWindow* Factory() { return new FakeImage(); }
  bool mHas = false;
  int calls = 0;
  float lastScale = 0;
  std::shared_ptr<TTexture> mTexture;
};

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(1000);
    SetLogPath(logs.Path().c_str());
    ClearSettingsForTest();
    manager = new TWindowManager();
    manager->SetHost(&host);
    screen = new TScreen();
    manager->SetScreen(screen);
    script = new TWindowScript();
    manager->InitScript(script);
  }
  void TearDown() override {
    delete manager;
    host.GetTaskList().KillAllTasks();  // the window script
    for (const std::string& name : files) RegisterMemoryFile(name.c_str(), nullptr, 0);
    SetLogPath(nullptr);
    ClearSettingsForTest();
    TestControl::UseRealClock();
  }

  std::string Log() { return ReadHostFile(logs.Path() + "/logfile.txt"); }
  lua_State* L() { return script->GetState(); }

  // A file the scripts read, served from memory.
  void AddFile(const std::string& name, const std::string& text) {
    texts.push_back(std::make_unique<std::string>(text));
    RegisterMemoryFile(name.c_str(), texts.back()->data(), (uint32_t)texts.back()->size());
    files.push_back(name);
  }
  void Run(const std::string& code) { script->DoLuaString(code.c_str()); }
  // Starts the script's coroutine with the body (it runs to its first wait).
  void StartMain(const std::string& body) {
    script->DoLuaString(("return function() " + body + " end").c_str(), -1, 1);
  }
  std::string GlobalString(const char* name) {
    lua_pushstring(L(), name);
    lua_gettable(L(), LUA_GLOBALSINDEX);
    std::string s = lua_isnil(L(), -1)       ? "nil"
                    : lua_isboolean(L(), -1) ? (lua_toboolean(L(), -1) ? "true" : "false")
                    : lua_tostring(L(), -1)  ? lua_tostring(L(), -1)
                                             : "?";
    lua_pop(L(), 1);
    return s;
  }
  double GlobalNumber(const char* name) { return script->GetGlobalNumber(name); }
  bool GlobalIsNil(const char* name) {
    lua_pushstring(L(), name);
    lua_gettable(L(), LUA_GLOBALSINDEX);
    bool nil = lua_isnil(L(), -1);
    lua_pop(L(), 1);
    return nil;
  }

  // One turn of the main loop: the platform's task pass, then the idle event.
  void Idle(int turns = 1) {
    for (int i = 0; i < turns; i++) {
      host.GetTaskList().RunTasks(0);
      Send(kEventIdle);
    }
  }
  void Advance(uint32_t ms) { TestControl::AdvanceClock(ms); }
  void Send(int32_t type, int32_t param = 0, int32_t x = 0, int32_t y = 0, int32_t modifiers = 0) {
    TPlatformEvent e;
    e.type = type;
    e.param = param;
    e.x = x;
    e.y = y;
    e.modifiers = modifiers;
    manager->HandleEvent(e);
  }
  void Click(int x, int y) {
    Send(kEventLeftDown, 0, x, y);
    Send(kEventLeftUp, 0, x, y);
  }
  // A function of the script state as a handle (the caller deletes it).
  TLuaFunction* Function(const std::string& code) {
    Run("gTestFunction = " + code);
    lua_pushliteral(L(), "gTestFunction");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    return new TLuaFunction(L());
  }

  // A table of the script state from a constructor (the caller deletes the handle).
  TLuaTable* Table(const std::string& constructor) {
    Run("gTestTable = " + constructor);
    lua_pushliteral(L(), "gTestTable");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    return new TLuaTable(L());
  }

  TempFolder logs;
  std::vector<std::string> events;  // what probe windows record; outlives the windows
  RecordingHost host;
  TWindowManager* manager = nullptr;
  TScreen* screen = nullptr;
  TWindowScript* script = nullptr;
  std::vector<std::unique_ptr<std::string>> texts;
  std::vector<std::string> files;
};

}  // namespace window_test
