#include "game/minigames/rewards/reward_parts.h"

#include "core/script/lua.h"
#include "core/script/lua_function.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

namespace {
bool BeginUnlessOpen() {
  TRenderer* renderer = TRenderer::Get();
  return renderer && !renderer->IsIn2d() && renderer->Begin2d();
}
}  // namespace

TReward2dPass::TReward2dPass() : mScope(BeginUnlessOpen()) {}

bool TReward2dPass::IsOpen() const {
  TRenderer* renderer = TRenderer::Get();
  return renderer && renderer->IsIn2d();
}

void CallScriptFunction(TLuaFunction* function) {
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!function || !script || script->GetState() != function->GetState()) return;
  lua_State* L = script->GetState();
  int top = lua_gettop(L);
  function->Push();
  if (!script->OfferCall()) function->Call();
  lua_settop(L, top);
}
