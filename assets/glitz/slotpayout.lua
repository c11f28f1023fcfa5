-- The slot machine's payout: gold coins leap from the coin tray and tumble down, as many a
-- second as gSparkleDensity asks, while gSparkleTime counts down to 0. Coins stop coming a
-- second before the end, so the last has fallen away when the time runs out and the machine
-- stops drawing. gSparkleTexture names the coin's picture (beside this script).
SetTexture(gSparkleTexture or "dollars_big")
SetNumParticles(300)

kCoinLife = 0.9
kMostCoinsPerSecond = 400

pAge = Allocate(1)
RequireVelocity()

-- The coin tray lies below the wheels, 215 px right of and 191 px below where the machine
-- draws the payout.
pPosition:Init(Vec2(215, 191) + fRange(Vec2(-110, -6), Vec2(110, 6)))
pVelocity:Init(fRange(Vec2(-160, -520), Vec2(160, -320)))
pScale:Init(fRange(0.55, 0.9))
pUp:Init(f2dRadius(1))
pAge:Init(0)

pAge:Anim(pAge + fTimeScale(1))
SetUpGravity(900)
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pColor:Anim(fFade(pAge, Color(1, 1, 1, 1), 0.7, Color(1, 1, 1, 1), 0.2, Color(1, 1, 1, 0)))
Anim(fExpire(fLess(kCoinLife, pAge)))

local perSecond = NewParticleGenerator()

function Update(dt)
  if not gSparkleTime or not (gSparkleTime > 0) then return end
  local density = gSparkleDensity or 0
  if not (density > 0) then density = 0 end
  if density > kMostCoinsPerSecond then density = kMostCoinsPerSecond end
  if gSparkleTime > 1 then Spawn(perSecond(density, dt * 1000)) end
  -- Counted in whole milliseconds, so a time of 3 runs out after exactly 3 seconds of steps.
  gSparkleTime = math.floor((gSparkleTime - dt) * 1000 + 0.5) / 1000
end
