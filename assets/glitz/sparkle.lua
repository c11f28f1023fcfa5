-- The money sparkle of an opened crate: green glints burst from the crate and drift up while
-- gSparkleTime lasts, fading from gSparkleColorStart to gSparkleColorEnd. The crate game sets
-- the colours and the time; gSparkleTexture names the glint's picture (beside this script).
SetTexture(gSparkleTexture or "money")
-- Blended as they are, so the green shows on the crates' light panel.
SetBlendMode(kBlendNormal)
SetNumParticles(160)

kSparkleLife = 1.2

pAge = Allocate(1)
RequireVelocity()

pPosition:Init(f2dRadius(fRange(0, 26)))
pVelocity:Init(f2dRadius(fRange(20, 90)) + Vec2(0, -70))
pScale:Init(fRange(0.3, 0.75))
pAge:Init(0)
pColor:Init(gSparkleColorStart)

pAge:Anim(pAge + fTimeScale(1))
SetUpGravity(50)
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pColor:Anim(fFade(pAge, gSparkleColorStart, kSparkleLife, gSparkleColorEnd))
Anim(fExpire(fLess(kSparkleLife, pAge)))

local perSecond = NewParticleGenerator()

function Update(dt)
  if gSparkleTime and gSparkleTime > 0 then
    Spawn(perSecond(45, dt * 1000))
    gSparkleTime = gSparkleTime - dt
  end
end
