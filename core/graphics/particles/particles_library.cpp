// The particle scripts' library. Expressions are tables {cmd = name, params = operands} under
// ValueMT (members are boxed handles under ParticleMemberMT); compiling one is CompileParam,
// which calls back into CompileParameters for the operands.
#include "core/graphics/particles/particles_library.h"

const char kParticlesLibrary[] = R"lua(
kBlendNormal = 0
kBlendOpaque = 1
kBlendAdditiveAlpha = 2
kBlendSubtractive = 3
kBlendMultiplicative = 4
kBlendMode = "blendmode"

function CreateValue(name, args)
  t = {cmd = name, params = args}
  setmetatable(t, ValueMT)
  return t
end

-- The engine hands unary minus a second, nil operand; the node takes one.
local function SetOperators(mt)
  mt.__lt = function(...) return CreateValue('lt', arg) end
  mt.__le = function(...) return CreateValue('le', arg) end
  mt.__add = function(...) return CreateValue('add', arg) end
  mt.__sub = function(...) return CreateValue('sub', arg) end
  mt.__div = function(...) return CreateValue('div', arg) end
  mt.__mul = function(...) return CreateValue('mul', arg) end
  mt.__unm = function(a) return CreateValue('unm', {a}) end
end

ValueMT = {}
SetOperators(ValueMT)
ValueMT.__index = function(value, key)
  if type(key) == 'number' then return CreateValue('vindex', {value, key}) end
  return ValueMT[key]
end

SetOperators(ParticleMemberMT)
ParticleMemberMT.__index = function(pm, key)
  if type(key) == 'number' then
    base, size = GetParticleMemberParts(pm)
    return CreateValue('index', {base, key})
  end
  return ParticleMemberMT[key]
end
ParticleMemberMT.Init = function(pm, p)
  base, size = GetParticleMemberParts(pm)
  CompileParameters({CreateValue('assign', {p, base, size})})
  AccumulateInitStream()
end
ParticleMemberMT.Anim = function(pm, p)
  base, size = GetParticleMemberParts(pm)
  CompileParameters({CreateValue('assign', {p, base, size})})
  AccumulateAnimStream()
end

function fGreater(a, b) return fLess(b, a) end
function fGreaterEqual(a, b) return fLessEqual(b, a) end

function Init(statement)
  CompileParameters({statement})
  AccumulateInitStream()
end

function Anim(statement)
  CompileParameters({statement})
  AccumulateAnimStream()
end

-- Operands compile CompileParameters again, so the widths gather in a local table; the global
-- `sizes' is left holding the outermost list's widths.
function CompileParameters(list)
  local widths = {}
  for i = 1, table.getn(list) do
    widths[i] = CompileParam(list[i])
  end
  sizes = widths
  return widths
end

function Spawn(num)
  CreateParticles(num)
  if Create then Create() end
end

function Value(x) return setmetatable({x}, ValueMT) end
function Vec2(x, y) return setmetatable({x, y}, ValueMT) end
function Vec3(x, y, z) return setmetatable({x, y, z}, ValueMT) end
function Color(r, g, b, a) return setmetatable({r, g, b, a}, ValueMT) end

function SetBlendMode(mode) SetRendererOption1(kBlendMode, mode) end

-- A rate of zero (or less) makes nothing and keeps the credit as it is.
function NewParticleGenerator()
  local acc = 0
  ParticlesPerSecond = function(PPS, ms)
    if not (PPS > 0) then return 0 end
    acc = acc + ms
    local n = math.floor(acc / 1000 * PPS)
    acc = acc - math.floor(n * 1000 / PPS)
    return n
  end
  return ParticlesPerSecond
end

function NewTimeout(seconds)
  local d = seconds
  return function(dt)
    if d < 0 then return true end
    d = d - dt
    return false
  end
end

function SetTexture(texture) _SetTexture(texture) end

function RequireVelocity()
  if not pVelocity then pVelocity = Allocate(2) end
end

function SetUpGravity(accel)
  RequireVelocity()
  pVelocity:Anim(pVelocity + fTimeScale(Vec2(0, accel)))
end

function Update() end

function GUI_Slider(x) return x end
function GUI_Texture(x) return x end
function GUI_Select(x) return x end
function GUI_PickTexture(x) return x end
)lua";

const size_t kParticlesLibrarySize = sizeof(kParticlesLibrary) - 1;
