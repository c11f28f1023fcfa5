// The animation library. Frame numbers in scripts start at 1; the frame delay is the one local,
// shared by delay, showFrame and frames.
#include "core/graphics/sprites/animation_library.h"

const char kAnimationLibrary[] = R"lua(
local frameDelay = 16
alpha = 1
alphadelta = 0
alphacount = 0

function delay(ms) frameDelay = ms end
function pause(ms) WaitLuaNextFrame(ms) end
function showFrame() WaitLuaNextFrame(frameDelay) end
function fadeout(n) alphadelta = -alpha / n alphacount = n end
function fadein(n) alphadelta = (1 - alpha) / n alphacount = n end
function setAlpha(a) alpha = a SetAlpha(a) end

function frames(t)
  count = table.getn(t)
  for i = 1, count do
    frame = t[i]
    if alphacount ~= 0 then
      alpha = alpha + alphadelta
      SetAlpha(alpha)
      alphacount = alphacount - 1
      if alphacount == 0 then alphadelta = 0 end
    end
    SetCurrentFrame(frame - 1)
    WaitLuaNextFrame(frameDelay)
  end
end

function loop(n, t)
  for i = 1, n do frames(t) end
end

function run(t)
  local image = t.image or ""
  local mask = t.mask or ""
  local anim = t.anim or "DoAnim"
  if not Load(t[1], image, mask) then return end
  local f = loadstring(GetScript() .. "; " .. anim .. "()")
  if f then f() end
end

function die() Die() end
function halt() Pause(true, -1) end
function isPlaying(depth) return IsPlaying(depth or -1) end
function endReferences() end
function stop(depth) Pause(true, depth or -1) end
function random(a, b) return Random(a, b) end
)lua";

const size_t kAnimationLibrarySize = sizeof(kAnimationLibrary) - 1;
