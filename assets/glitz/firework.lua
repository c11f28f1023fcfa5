-- One firework's burst: for gSparkleTime (set at each launch) rings of glowing dots fly out
-- from the burst point, slow down, sink and fade within a second, so a burst is gone before the
-- firework launches again. gSparkleColorStart is the burst's colour, gSparkleTexture its dot.
SetTexture(gSparkleTexture or "firework_red")
SetBlendMode(kBlendAdditiveAlpha)
SetNumParticles(90)

kFireworkLife = 1.0

pAge = Allocate(1)
RequireVelocity()

pPosition:Init(f2dRadius(fRange(0, 4)))
-- An outer ring and an inner one.
pVelocity:Init(f2dRadius(fPick(fRange(160, 190), fRange(160, 190), fRange(80, 100))))
pScale:Init(fRange(0.4, 0.65))
pAge:Init(0)
pColor:Init(gSparkleColorStart)

pAge:Anim(pAge + fTimeScale(1))
-- Air drag, then a little gravity.
pVelocity:Anim(pVelocity - fTimeScale(pVelocity) * 1.9)
SetUpGravity(45)
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pColor:Anim(fFade(pAge, fAlpha(gSparkleColorStart, 1), 0.55, fAlpha(gSparkleColorStart, 0.9), 0.45,
  fAlpha(gSparkleColorStart, 0)))
pScale:Anim(pScale - fTimeScale(0.22))
Anim(fExpire(fLess(kFireworkLife, pAge)))

function Update(dt)
  if gSparkleTime and gSparkleTime > 0 then
    Spawn(dt * 700)
    gSparkleTime = gSparkleTime - dt
  end
end
