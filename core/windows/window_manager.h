// TWindowManager: connects the window tree to the platform. It holds the modal stack (the root
// screen at the bottom), the focus window, the mouse trackers, the message queue and its
// listeners, the windows waiting for deletion and the window script; it routes every platform
// event to windows, routes messages up the tree and out to the scripts, and on idle events
// draws a frame on demand at a limited rate.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/point.h"
#include "core/base/str.h"
#include "core/windows/window.h"

class TMessage;
class TMessageListener;
class TTexture;
class TWindowHost;
class TWindowScript;

// Consulted by TWindow::OnMouseHover when installed.
class TWindowHoverHandler {
 public:
  virtual ~TWindowHoverHandler() {}
  virtual bool OnHover(TWindow* window, TPoint point) = 0;
};

class TWindowManager : public TPlatformWindowManager {
 public:
  TWindowManager();
  // Deletes the listeners, pops every modal window, deletes the closed windows and the queue.
  ~TWindowManager() override;
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  // The manager of the running program (the last one constructed that still lives).
  static TWindowManager* Get();

  // The platform and renderer side; null restores the display-less default. Not owned.
  void SetHost(TWindowHost* host);
  TWindowHost& GetHost() { return *mHost; }

  // Screen and modal stack.
  void SetScreen(TWindow* window);
  TWindow* GetScreen() const { return mRoot; }
  void PushModal(TWindow* window);
  // Pops the top modal window (never the root screen).
  void PopModal();
  // Pops modal windows down to and including the one bearing the name or id string.
  void PopModalsTo(TStr name);
  TWindow* GetTopModal() const { return mModals.empty() ? nullptr : mModals.back(); }
  bool IsModal(const TWindow* window) const;
  size_t GetModalCount() const { return mModals.size(); }
  void SetTopModalOnly(bool on) { mTopModalOnly = on; }

  // Focus: stores the window and tells it (with the previous focus window); null just clears.
  void SetFocus(TWindow* window);
  // Stores the focus window without telling anybody.
  void StoreFocus(TWindow* window) { mFocus = window; }
  TWindow* GetFocus() const { return mFocus; }

  // Mouse tracking: trackers receive mouse events before (and instead of) the window under
  // the pointer until the pointer leaves them.
  void AddMouseTracker(TWindow* window);
  void RemoveMouseTracker(TWindow* window);
  bool IsMouseTracker(const TWindow* window) const;
  // Mouse capture (a slider's drag): while set, the window gets every mouse event, wherever the
  // pointer is, instead of the trackers and the window under the pointer. Null releases it; a
  // modal push, a lost capture and the window's deletion release it too.
  void SetMouseCapture(TWindow* window) { mCapture = window; }
  TWindow* GetMouseCapture() const { return mCapture; }

  // Messages; each call taking a message takes ownership of it.
  void PostMessage(TMessage* message);
  void ProcessMessages();
  void DispatchMessage(TMessage* message);
  // To the window script's message handler (deleted without a script).
  void DeliverMessage(TMessage* message);
  size_t GetQueuedCount() const { return mQueue.size(); }
  void AddMessageListener(TMessageListener* listener);
  bool RemoveMessageListener(TMessageListener* listener);

  // Deletion is deferred to the start of the next event.
  void ScheduleDelete(TWindow* window);
  void DeleteClosedWindows();
  void OnWindowDestroyed(TWindow* window);

  // Frame and events.
  void HandleEvent(const TPlatformEvent& event) override;
  void Update();
  void Invalidate() override { mRedraw = true; }
  bool NeedsRedraw() const { return mRedraw; }

  // Script forwarding.
  TWindowScript* GetScript() const { return mScript; }
  // Keeps the script (the platform task list runs and owns it).
  void InitScript(TWindowScript* script);
  // The platform's start-up: a new window script.
  void InitScript() override;
  lua_State* GetScriptState() override;
  void RegisterWindowClass(TStr typeName, TWindowFactory factory);
  // Make the window the script's current window for the time of the run.
  void RunWindowScript(TWindow* window, TStr path);
  void DoWindowString(TWindow* window, TStr text);
  // Text windows look their labels up in the string table (the script keeps the flag).
  void SetTranslateLabels(bool on) override;
  void AbortMovie() override;
  // The root screen's rectangle; the first display mode asks for it, so the screen is made then.
  void GetRootRect(int& left, int& top, int& right, int& bottom) override;

  // Movie state: no frame is drawn while a movie plays; the pump drops presses while one plays
  // without taking input, and the mouse thread leaves the cursor to one that takes input.
  bool IsMoviePlaying() const { return mMoviePlaying; }
  void SetMoviePlaying(bool on) { mMoviePlaying = on; }
  bool IsMovieInput() const { return mMovieInput; }
  void SetMovieInput(bool on) { mMovieInput = on; }
  bool IsModalInput() override { return mMovieInput; }
  bool IsInputBlocked() override { return mMoviePlaying && !mMovieInput; }

  // Optional render-target texture, drawn into by every frame and shown by the root screen.
  void SetRenderTarget(std::shared_ptr<TTexture> texture) { mRenderTarget = std::move(texture); }
  const std::shared_ptr<TTexture>& GetRenderTarget() const { return mRenderTarget; }
  void SetHoverHandler(TWindowHoverHandler* handler) { mHoverHandler = handler; }
  TWindowHoverHandler* GetHoverHandler() const { return mHoverHandler; }

 private:
  void HandleMouse(const TPlatformEvent& event);
  void PopTop();
  void DrawModalStack(int pass);
  void BindScriptFunctions();
  int RunScriptBound(TWindow* window, bool file, TStr text);

  std::shared_ptr<TTexture> mRenderTarget;
  TWindow* mRoot = nullptr;
  bool mStackChanged = false;
  uint32_t mLastFrameTime = 0;
  std::vector<TWindow*> mModals;  // back() is the top
  std::vector<TWindow*> mClosed;
  bool mMoviePlaying = false;
  std::atomic<bool> mMovieInput{false};  // read by the mouse thread too
  bool mTopModalOnly = false;
  std::atomic<bool> mRedraw{true};  // set by the mouse thread too, read and cleared by the main thread
  std::vector<TWindow*> mTrackers;
  TWindow* mCapture = nullptr;
  TWindow* mFocus = nullptr;
  TWindowScript* mScript = nullptr;
  std::deque<TMessage*> mQueue;
  std::vector<TMessageListener*> mListeners;
  TWindowHoverHandler* mHoverHandler = nullptr;
  std::unique_ptr<TWindowHost> mDefaultHost;
  TWindowHost* mHost;
  TWindowManager* mPrevious;  // the manager Get() answered before this one
};

// Queues the window with the running manager's deletions; without a manager no event can be
// using it, so it goes at once.
void DeleteWindowLater(TWindow* window);
