// The surroundings of the world's windows: a window manager with its script over a host that
// records what the windows draw (and passes frames on to the renderer of the drawing tests, for
// sprites), a root screen of 800 x 600 and a top modal window away from the screen's corner, on
// the sprite tests' clock and assets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/text/text_layout.h"
#include "core/windows/modal_window.h"
#include "core/windows/screen.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/game_setup.h"
#include "tests/core/windows/window_test_support.h"
#include "tests/game/sprite_assets.h"

class WorldFixture : public GameSpriteTest {
 protected:
  class Host : public window_test::RecordingHost {
   public:
    struct Fill {
      TRect rect;
      TColor colour;
    };
    struct Picture {
      std::shared_ptr<TTexture> texture;
      int32_t frame;  // the animation's frame when drawn, -1 for a still picture
      TDrawSpec spec;
    };
    struct Layout {
      TTextLayout* layout;
      TRect rect;
      float scroll;
    };
    bool BeginDraw() override {
      RecordingHost::BeginDraw();
      return TRenderer::Get()->BeginDraw(1);
    }
    void EndDraw() override {
      RecordingHost::EndDraw();
      TRenderer::Get()->EndDraw(1);
    }
    void FillRect(const TRect& rect, const TColor& colour) override { filled.push_back({rect, colour}); }
    void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) override {
      int32_t frame = -1;
      if (texture && texture->IsKindOf(TAnimatedTexture::ClassId()))
        frame = static_cast<TAnimatedTexture*>(texture.get())->GetFrame();
      pictures.push_back({texture, frame, spec});
    }
    void DrawTextLayout(TTextLayout* layout, const TRect& rect, float, int, float) override {
      layouts.push_back({layout, rect, layout->GetScrollPosition()});
    }
    void Forget() {
      filled.clear();
      pictures.clear();
      layouts.clear();
      triangles.clear();
    }
    std::vector<Fill> filled;
    std::vector<Picture> pictures;
    std::vector<Layout> layouts;
  };

  // Where the top modal window sits on the screen.
  static constexpr int kModalX = 40, kModalY = 30;

  void SetUp() override {
    GameSpriteTest::SetUp();
    manager = new TWindowManager();
    manager->SetHost(&host);
    screen = new TScreen();
    screen->SetSize(800, 600);
    manager->SetScreen(screen);
    script = new TWindowScript();
    manager->InitScript(script);
    RegisterWorldClasses();
    modal = new TModalWindow();
    modal->SetWindowName("screen");
    modal->SetPosition(kModalX, kModalY);
    modal->SetSize(720, 560);
    manager->PushModal(modal);
  }
  void TearDown() override {
    delete manager;
    host.GetTaskList().KillAllTasks();  // the window script and what is left of the transitions
    GameSpriteTest::TearDown();
  }

  // The world's window classes under their script keys.
  void RegisterWorldClasses() {
    TGameSetup setup;
    ProvideWorldWindows(setup);
    for (const char* key :
         {"CharWindow", "CreditsWindow", "DookieDropper", "MapWindow", "PortWindow", "Rectangle", "Rollover"})
      manager->RegisterWindowClass(key, setup.GetWindowClass(key));
    mood = setup.setMood;
    transition = setup.transition;
  }

  // Windows made by script text in the window (the top modal by default).
  void Make(const std::string& dialog, TWindow* in = nullptr) {
    manager->DoWindowString(in ? in : manager->GetTopModal(), ("MakeDialog { " + dialog + " }").c_str());
  }
  template <typename T = TWindow>
  T* Find(const char* name) {
    TWindow* top = manager->GetTopModal();
    return static_cast<T*>(top ? top->FindChild(name) : nullptr);
  }
  void Run(const std::string& code) { script->DoLuaString(code.c_str()); }
  double Number(const char* name) { return script->GetGlobalNumber(name); }

  // The clock moves on, then one turn of the main loop: the task pass, messages, a frame.
  void Advance(uint32_t ms) {
    gNow += ms;
    Idle();
  }
  void Idle() {
    host.GetTaskList().RunTasks(0);
    Send(kEventIdle);
  }
  // A frame drawn now, with what it drew only.
  void Frame() {
    host.Forget();
    manager->Invalidate();
    gNow += 20;  // past the frame pacing
    Send(kEventIdle);
  }
  void Send(int32_t type, int32_t x = 0, int32_t y = 0) {
    TPlatformEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    manager->HandleEvent(e);
  }
  void Move(int x, int y) { Send(kEventMouseMove, x, y); }
  void Press(int x, int y) { Send(kEventLeftDown, x, y); }
  void Release(int x, int y) { Send(kEventLeftUp, x, y); }

  Host host;
  TWindowManager* manager = nullptr;
  TScreen* screen = nullptr;
  TWindowScript* script = nullptr;
  TModalWindow* modal = nullptr;
  void (*mood)(TStr, float) = nullptr;
  void (*transition)(TLuaTable*) = nullptr;
};
