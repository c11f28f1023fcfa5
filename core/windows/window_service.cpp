// The platform's window-manager seam and the window host over TPlatform and TRenderer.
#include "core/windows/window_service.h"

#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/string_table.h"
#include "core/base/task_list.h"
#include "core/base/win32/platform_impl.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sound/sound.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/texture.h"
#include "core/graphics/vertex_array.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

namespace {

// Each play starts a new instance and lets go of it at once: the sound plays out by itself.
class TFrameworkSound : public TWindowSound {
 public:
  explicit TFrameworkSound(std::shared_ptr<TSound> sound) : mSound(std::move(sound)) {}
  void Play() override { mSound->Play(); }

 private:
  std::shared_ptr<TSound> mSound;
};

class TPlatformWindowHost : public TWindowHost {
 public:
  uint32_t GetTime() override { return Platform() ? Platform()->GetTime() : TWindowHost::GetTime(); }
  bool HasPlatform() override { return Platform() != nullptr; }
  bool IsFrameDone() override { return !Platform() || Platform()->IsFrameDone(); }
  bool IsWindowActive() override { return !Platform() || Platform()->IsWindowActive(); }
  bool IsEmbedded() override { return Platform() && Platform()->GetHostWindow() != nullptr; }
  bool HasPqSwitch() override { return TPlatform::IsPqMode(); }
  bool IsDisplayReady() override { return Platform() && Platform()->GetImpl()->IsDisplayReady(); }
  int GetMouseMode() override { return Platform() ? Platform()->GetMouseMode() : 0; }
  void PostQuit(int code) override {
    if (Platform()) Platform()->PostQuit(code);
  }
  TTaskList& GetTaskList() override {
    TTaskList* tasks = Platform() ? Platform()->GetTaskList() : nullptr;
    return tasks ? *tasks : TWindowHost::GetTaskList();
  }
  TStr GetString(TStr label, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) override {
    TStringTable* table = Platform() ? Platform()->GetStringTable() : nullptr;
    return table ? table->GetString(label, a1, a2, a3, a4, a5) : label;
  }
  void GetFlashStrings(std::vector<std::pair<TStr, TStr>>& strings) override {
    if (TStringTable* table = Platform() ? Platform()->GetStringTable() : nullptr) table->GetFlashStrings(strings);
  }
  bool SetClipboardText(TStr text) override { return Platform() && Platform()->SetClipboardText(text); }
  TStr GetClipboardText() override { return Platform() ? Platform()->GetClipboardText() : TStr(); }
  void OpenUrl(TStr url) override {
    if (Platform()) Platform()->OpenUrl(url);
  }
  std::shared_ptr<TTexture> LoadTexture(TStr name) override { return TTexture::Get(name, 0); }
  std::shared_ptr<TWindowSound> LoadSound(TStr name) override { return LoadFrameworkSound(name); }

  HWND GetMainWindow() override { return Platform() ? Platform()->GetMainWindow() : nullptr; }
  bool IsMouseCursorShown() override {
    return Platform() ? Platform()->GetImpl()->IsCursorShown() : TWindowHost::IsMouseCursorShown();
  }
  void ShowMouseCursor(bool shown) override {
    if (Platform()) Platform()->ShowMouseCursor(shown);
  }
  void FlipToGdiSurface() override {
    if (TPlatformData* display = TPlatformData::Get()) display->FlipToGdiSurface();
  }
  void ResetMouseCursor() override {
    if (TPlatformData* display = TPlatformData::Get()) display->ResetMouseCursor();
  }

  TRect GetViewport() override { return TRenderer::Get()->GetViewport(); }
  // The renderer's clip stack is empty (all zero) outside a frame: the whole viewport then.
  TRect GetClipRect() override {
    TRect clip = TRenderer::Get()->GetClipRect();
    return clip == TRect() ? GetViewport() : clip;
  }
  void PushClipRect(const TRect& rect) override { TRenderer::Get()->PushClipRect(rect); }
  void PopClipRect() override { TRenderer::Get()->PopClipRect(); }
  bool BeginDraw() override {
    TRenderer* renderer = TRenderer::Get();
    // A frame for the screen: the back buffer is prepared for it and EndDraw presents it.
    if (!renderer->BeginDraw(1)) return false;
    // The bottom entry of the renderer's clip stack never pops: it is the whole screen.
    renderer->SetClipRect(renderer->GetViewport());
    return true;
  }
  void EndDraw() override { TRenderer::Get()->EndDraw(1); }
  bool BeginRenderTarget(const std::shared_ptr<TTexture>& texture) override {
    TRenderer* renderer = TRenderer::Get();
    if (!renderer->BeginRenderTarget(texture, 0)) return false;
    renderer->SetClipRect(renderer->GetViewport());
    return true;
  }
  void EndRenderTarget() override { TRenderer::Get()->EndRenderTarget(); }
  void FillRect(const TRect& rect, const TColor& color) override {
    TRenderer* renderer = TRenderer::Get();
    TRect viewport = renderer->GetViewport();
    TRect r = rect;
    r.Offset(-viewport.left, -viewport.top);  // the renderer takes it relative to the viewport
    TDraw2dScope scope(renderer->Begin2d());
    renderer->FillRect(r, color);
  }
  void DrawTexture(const std::shared_ptr<TTexture>& texture) override {
    TDraw2dScope scope(TRenderer::Get()->Begin2d());
    TDrawSpec spec;
    spec.SetOrigin(TVec2(0, 0));
    texture->Draw(spec);
  }
  void DrawTextLayout(TTextLayout* layout, const TRect& rect, float scale, int spacing, float alpha) override {
    TDraw2dScope scope(TRenderer::Get()->Begin2d());
    layout->DrawInRect(rect, scale, spacing, alpha);
  }
  void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) override {
    TDraw2dScope scope(TRenderer::Get()->Begin2d());
    texture->Draw(spec);
  }
  void DrawTriangles(const std::shared_ptr<TTexture>& texture, TVertex* vertices, uint32_t count) override {
    TRenderer* renderer = TRenderer::Get();
    TDraw2dScope scope(renderer->Begin2d());
    renderer->SetTexture(texture);
    TVertexArray array = TVertexArray::Create2d(vertices, count);
    renderer->DrawVertices(kPrimitiveTriangleList, &array);
  }

 private:
  static TPlatform* Platform() { return TPlatform::GetInstance(); }
};

TPlatformWindowHost& Host() {
  static TPlatformWindowHost host;
  return host;
}

}  // namespace

std::shared_ptr<TWindowSound> LoadFrameworkSound(TStr name) {
  std::shared_ptr<TSound> sound = TSound::Get(name, 1, 0);
  if (!sound) return nullptr;
  return std::make_shared<TFrameworkSound>(std::move(sound));
}

void InstallWindowService() {
  SetWindowManagerFactory([]() -> TPlatformWindowManager* {
    TWindowManager* manager = new TWindowManager();
    manager->SetHost(&Host());
    return manager;
  });
  // A capture texture must have the root window's size.
  TRenderer::SetRootSizeQuery([](int* width, int* height) {
    TWindowManager* manager = TWindowManager::Get();
    TWindow* root = manager ? manager->GetScreen() : nullptr;
    if (!root) return false;
    *width = root->GetWidth();
    *height = root->GetHeight();
    return true;
  });
}
