#include "game/minigames/rewards/reward_parts.h"

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
