// Buses: where their mixer sits in the mix tree, returns and sends, fader values, effects.
#include "audio_engine/nodes/bus.h"

#include "audio_engine/debug.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/nodes/vst_program.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

namespace {
// Whether `mixer` lies on the way from `from` up to the mix root.
bool Above(TarnMix::cWaveMixer* from, const TarnMix::cWaveMixer* mixer) {
  for (int steps = 0; from && steps < 4096; steps++) {
    if (from == mixer) return true;
    auto* bus = dynamic_cast<TarnMix::cBusMixer*>(from);
    from = bus ? bus->GetParent() : nullptr;
  }
  return false;
}
}  // namespace

cBus::cBus() : mMixer(new TarnMix::cBusMixer(TarnMix::cTarnSoundSystem::RootFormat())) {}

cBus::~cBus() { Detach(); }

void cBus::Detach() {
  cSound::Detach();
  mMixer->Kill();
  mMixer->Unregister();
  mMixer->SetParent(nullptr);
  mMixer->ClearSends();
  mMixer->Effects().Clear();
}

int cBus::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  if (id == Ids::kEffectsReturnNumber) {
    mReturnNumber = value.IsEmpty() ? -1 : value.AsInt();
    return 0;
  }
  if (id == Ids::kSoundList) {
    SetUpReturns(value.IsEmpty() ? nullptr : GetStringSet(value));
    if (!mInSetPatch) HandleOutputBusChange();
    return 0;
  }
  return cSound::HandleParameterChange(id, value, propagate);
}

void cBus::SetUpReturns(const cStringSet* names) {
  mMixer->ClearSends();
  for (cSound* c : mChildren)
    if (c->Parent() == this) c->SetParent(nullptr);
  mChildren.clear();
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (!names || !system) return;
  for (const cString& name : names->mSet) {
    cPropertySet* channel = nullptr;
    system->FindPatch(name.Id(), &channel);
    cPropertySet* returnPatch = system->PatchProperty(channel, Ids::kChildName);
    int number = returnPatch ? returnPatch->GetInt(Ids::kEffectsReturnNumber, -1) : -1;
    if (number != -1) {
      cSound* node = nullptr;
      system->GetSound(returnPatch->GetId(Ids::kName), &node);
      auto* ret = dynamic_cast<cBus*>(node);
      if (number < 0 || number >= TarnMix::cBusMixer::kSendGroups) {
        Log("Bus '%s': return '%s' has effects-return number %d; only 0 to %d exist, it is left out", PatchName(),
            name.c_str(), number, TarnMix::cBusMixer::kSendGroups - 1);
      } else if (ret == this || (ret && Above(mMixer.Get(), ret->Mixer()))) {
        Log("Bus '%s': return '%s' would feed the bus into itself; it is left out", PatchName(), name.c_str());
      } else if (ret) {
        mMixer->SetSendTarget(number, ret->Mixer());
        ret->Mixer()->SetParent(mMixer.Get());
        ret->Mixer()->Play(-1);
        Trace("cBusMixer at 0x%08lx has return bus %s at 0x%08lx\n", (unsigned long)(uintptr_t)mMixer.Get(),
              name.c_str(), (unsigned long)(uintptr_t)ret->Mixer());
      }
    }
    cSound* node = nullptr;
    system->GetSound(name.Id(), &node);
    if (node) AdoptChild(node);
  }
}

int cBus::OnParameterUpdate(uint32_t id) {
  const cPropertySet* defaults = cTarnSoundSystem::Get() ? &cTarnSoundSystem::Get()->Defaults() : nullptr;
  auto fallback = [&](uint32_t key, float def) { return defaults ? defaults->GetFloat(key, def) : def; };
  if (id == Ids::kVolume) {
    mMixer->SetVolume(OwnFloat(id, fallback(id, 1.0f)));
  } else if (id == Ids::kPan) {
    mMixer->SetPan(OwnFloat(id, fallback(id, 0.5f)));
  } else if (id == Ids::kMute) {
    mMixer->SetParameter(id, tVariant::Float(OwnFloat(id, 1.0f)), 1);
  } else if (int send = Ids::SendLevelIndex(id); send >= 0) {
    // Only the four send groups exist; SetSendLevel ignores the others.
    mMixer->SetSendLevel(send, OwnFloat(id, 1.0f));
  } else if (id == Ids::kInsertEffects) {
    SetUpInsertEffects();
  }
  return 0;
}

void cBus::OnPatchApplied(const EffectSet& effects) {
  mMixer->Effects().Clear();
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (!system) return;
  for (const auto& [index, effect] : effects) {
    cIPatchHolder* holder = nullptr;
    system->GetPatchHolder(effect->GetId(Ids::kName), &holder);
    auto* program = dynamic_cast<cVstProgram*>(holder);
    if (program && program->Plugin()) mMixer->Effects().Append(program->Plugin());
  }
}

int cBus::HandleOutputBusChange() {
  if (mReturnNumber != -1) {
    mMixer->SetReturnNumber(mReturnNumber);
    return cSound::HandleOutputBusChange();
  }
  TarnMix::cTarnSoundSystem* mix = TarnMix::cTarnSoundSystem::Get();
  TarnMix::cWaveMixer* parent = mix ? mix->Root() : nullptr;
  uint32_t bus = 0;
  GetOutputBus(&bus);
  const tVariant* name = PatchValue(Ids::kName);
  if (bus && (!name || bus != name->Id()) && cTarnSoundSystem::Get()) {
    cSound* node = cTarnSoundSystem::Get()->GetBusNode(bus);
    if (auto* out = dynamic_cast<cBus*>(node); out && out != this) {
      if (Above(out->Mixer(), mMixer.Get()))
        Log("Bus '%s': output bus '%s' is fed by it; it plays into the master mix instead", PatchName(),
            out->PatchName());
      else
        parent = out->Mixer();
    }
  }
  if (mMixer->GetParent() != parent) mMixer->SetParent(parent);
  mMixer->Play(-1);
  return cSound::HandleOutputBusChange();
}

}  // namespace Tarn
