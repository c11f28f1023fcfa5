// The node base: forwarding to delegate and children, parameter binding, output buses,
// insert effects, automation and event parameters.
//
// Every call that the design sends "to the delegate target" starts at the delegate and steps
// over disabled nodes that have a delegate of their own; calls "to the delegate" do not step.
// Values set on a node are its own; what it forwards is what RefreshParameterBinding makes of
// them (subclasses combine them with the patch). The graph never holds a cycle: a delegate or
// child that would lead back to the node is refused with a log line when it is adopted, so
// every walk down the graph ends.
#include "audio_engine/sound.h"

#include <functional>
#include <set>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/nodes/automation_clip.h"
#include "audio_engine/nodes/event_parameter.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

namespace {
cTarnSoundSystem* System() { return cTarnSoundSystem::Get(); }

cSound* FindSound(uint32_t id) {
  cSound* node = nullptr;
  if (cTarnSoundSystem* s = System()) s->GetSound(id, &node);
  return node;
}
}  // namespace

int64_t cSound::Now() { return (int64_t)TarnMix::GlobalMixTime(); }

const cPropertySet* ExemplarOf(const cPropertySet* patch) {
  cTarnSoundSystem* system = System();
  // A project may chain "ChildName" round in a circle: stop at the first patch seen twice.
  std::set<const cPropertySet*> seen;
  while (patch && system && seen.insert(patch).second) {
    const tVariant* child = patch->Find(Ids::kChildName);
    if (!child) break;
    cPropertySet* next = nullptr;
    if (system->FindPatch(child->Id(), &next) != kOk || !next) break;
    patch = next;
  }
  return patch;
}

cSound* cSound::DelegateTarget() const {
  cSound* target = mDelegate;
  // Delegates never form a cycle (AdoptDelegate refuses one); the bound is a second guard.
  for (int steps = 0; target && !target->mEnabled && target->mDelegate && steps < 256; steps++)
    target = target->mDelegate;
  return target;
}

bool cSound::Reaches(const cSound* node) const {
  std::set<const cSound*> seen;
  std::vector<const cSound*> stack{this};
  while (!stack.empty()) {
    const cSound* n = stack.back();
    stack.pop_back();
    if (n == node) return true;
    if (!seen.insert(n).second) continue;
    if (n->mDelegate) stack.push_back(n->mDelegate);
    for (const cSound* c : n->mChildren) stack.push_back(c);
  }
  return false;
}

bool cSound::AdoptDelegate(cSound* node) {
  if (node->Reaches(this)) {
    Log("Sound '%s': \"ChildName\" '%s' leads back to it; the cycle is cut here", PatchName(), node->PatchName());
    return false;
  }
  mDelegate = node;
  node->mParent = this;
  return true;
}

bool cSound::AdoptChild(cSound* node) {
  if (node->Reaches(this)) {
    Log("Sound '%s': \"SoundList\" entry '%s' leads back to it; the entry is left out", PatchName(),
        node->PatchName());
    return false;
  }
  mChildren.push_back(node);
  node->mParent = this;
  node->mOwnerPropertySet = mOwnerPropertySet;
  return true;
}

const tVariant* cSound::OwnValue(uint32_t id) const {
  auto it = mOwnValues.find(id);
  return it == mOwnValues.end() ? nullptr : &it->second;
}

const tVariant* cSound::ForwardedValue(uint32_t id) const {
  auto it = mForwardedValues.find(id);
  return it == mForwardedValues.end() ? nullptr : &it->second;
}

float cSound::OwnFloat(uint32_t id, float def) const {
  const tVariant* v = OwnValue(id);
  return v ? VariantFloat(*v) : def;
}

int cSound::SetStartPosition(int32_t position) {
  if (cSound* t = DelegateTarget()) t->SetStartPosition(position);
  for (cSound* c : mChildren) c->SetStartPosition(position);
  return 0;
}

int cSound::GetState(int32_t* state) {
  if (mDelegate) {
    cSound* t = DelegateTarget();
    return t ? t->GetState(state) : kNotFound;
  }
  for (cSound* c : mChildren)
    if (c->GetState(state) == kOk) return kOk;
  *state = 0;
  return kNotFound;
}

void cSound::BeginPlay(int64_t time) {
  mStartTime = time == -1 ? Now() : time;
  if (mParent) {
    cPropertySet* owner = nullptr;
    mParent->GetOwnerPropertySet(&owner);
    mOwnerPropertySet = owner;
  }
  for (auto& [target, controllers] : mAutomation)
    for (auto& [controller, clip] : controllers) {
      clip->SetOwnerPropertySet(mOwnerPropertySet);
      clip->Play(mStartTime);
    }
}

int cSound::Play(int64_t time) {
  BeginPlay(time);
  if (mDelegate) {
    cSound* t = DelegateTarget();
    return t ? t->Play(mStartTime) : kNotFound;
  }
  for (cSound* c : mChildren) c->Play(mStartTime);
  return 0;
}

int cSound::StopNow() {
  if (cSound* t = DelegateTarget()) t->StopNow();
  for (cSound* c : mChildren) c->StopNow();
  return 0;
}

int cSound::Stop(int64_t time) {
  mActive = false;
  if (cSound* t = DelegateTarget()) t->Stop(time);
  for (cSound* c : mChildren) c->Stop(time);
  return 0;
}

int cSound::GetStatus(uint32_t* status) {
  if (!mDelegate) return kNotFound;
  return mDelegate->GetStatus(status);
}

int cSound::WithdrawPlay() {
  int r = kNotFound;
  if (cSound* t = DelegateTarget()) r = t->WithdrawPlay();
  for (cSound* c : mChildren)
    if (c->WithdrawPlay() == kOk) r = kOk;
  return r;
}

int cSound::Kill() {
  if (cSound* t = DelegateTarget()) t->Kill();
  for (cSound* c : mChildren) c->Kill();
  return 0;
}

bool cSound::IsActive() {
  if (mActive) return true;
  return mDelegate ? mDelegate->IsActive() : false;
}

int cSound::GetValue(uint32_t id, float* value, uint32_t flag) {
  float sum = 0.0f, v = 0.0f;
  if (mDelegate && mDelegate->GetValue(id, &v, flag) == kOk) sum += v;
  for (cSound* c : mChildren)
    if (c->GetValue(id, &v, flag) == kOk) sum += v;
  *value = sum;
  return 0;
}

int cSound::SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) {
  mOwnValues[id].SetFloat(VariantFloat(value));
  RefreshParameterBinding(id);
  OnParameterUpdate(id);
  if (propagate && mDelegate)
    if (const tVariant* f = ForwardedValue(id)) mDelegate->SetParameter(id, *f, 1);
  return 0;
}

int cSound::RemoveParameter(uint32_t id, uint32_t propagate) {
  mOwnValues.erase(id);
  RefreshParameterBinding(id);
  OnParameterUpdate(id);
  if (propagate && mDelegate) mDelegate->RemoveParameter(id, 1);
  return 0;
}

int cSound::RefreshParameterBinding(uint32_t id) {
  if (const tVariant* v = OwnValue(id))
    mForwardedValues[id] = *v;
  else
    mForwardedValues.erase(id);
  return 0;
}

int cSound::Schedule() {
  if (!mParent) return Process();
  // A copy: taking the values over may change the parent's map through the graph.
  std::map<uint32_t, tVariant> values = mParent->mForwardedValues;
  for (const auto& [id, v] : values) SetParameter(id, v, 1);
  return 0;
}

int cSound::Process() {
  if (mPatch)
    for (const auto& [id, v] : *mPatch)
      if (Ids::IsMixerChannelParameter(id)) RefreshParameterBinding(id);
  if (mDelegate) {
    std::vector<uint32_t> own;
    for (const auto& [id, v] : mOwnValues) own.push_back(id);
    for (uint32_t id : own) RefreshParameterBinding(id);
    std::map<uint32_t, tVariant> values = mForwardedValues;
    for (const auto& [id, v] : values) mDelegate->SetParameter(id, v, 0);
    mDelegate->Process();
  }
  for (cSound* c : mChildren) {
    std::map<uint32_t, tVariant> values = mForwardedValues;
    for (const auto& [id, v] : values) c->SetParameter(id, v, 0);
    c->Process();
  }
  return 0;
}

int cSound::Fade(float, bool, bool, int64_t) { return kNotSupportedNode; }

int cSound::GetParameterList(ParameterList** list) {
  *list = &mParameterList;
  return 0;
}

int cSound::GetOwnerPropertySet(cPropertySet** set) {
  *set = mOwnerPropertySet;
  return 0;
}

int cSound::SetPosition(int32_t position) {
  if (mDelegate) return mDelegate->SetPosition(position);
  for (cSound* c : mChildren) c->SetPosition(position);
  return 0;
}

int cSound::GetCurrentPosition(int32_t* position) {
  if (mDelegate) return mDelegate->GetCurrentPosition(position);
  for (cSound* c : mChildren) {
    if (!c) {
      Trace("cSound::GetCurrentPosition: Child must have been deleted\n");
      continue;
    }
    if (c->GetCurrentPosition(position) == kOk) return kOk;
  }
  *position = 0;
  return kNotFound;
}

int cSound::GetOutputBus(uint32_t* bus) const {
  uint32_t b = mOwnBus ? mOwnBus : mInheritedBus;
  if (const tVariant* insert = PatchValue(Ids::kInsertBus)) b = insert->Id();
  *bus = b;
  return b ? kOk : kNotFound;
}

int cSound::HandleOutputBusChange() {
  uint32_t bus = 0;
  GetOutputBus(&bus);
  if (bus) {
    if (cSound* t = DelegateTarget()) {
      t->mInheritedBus = bus;
      t->HandleOutputBusChange();
    }
    for (cSound* c : mChildren) {
      c->mInheritedBus = bus;
      c->HandleOutputBusChange();
    }
  }
  SetUpInsertEffects();
  return 0;
}

void cSound::SetUpInsertEffects() {
  EffectSet effects;
  const tVariant* list = PatchValue(Ids::kInsertEffects);
  const cStringSet* names = list ? GetStringSet(*list) : nullptr;
  if (names && System()) {
    for (const cString& name : names->mSet) {
      cPropertySet* effect = nullptr;
      if (System()->FindPatch(name.Id(), &effect) != kOk || !effect) continue;
      effects[effect->GetInt(Ids::kIndex, 100)] = effect;  // a later effect with the same key wins
    }
  }
  OnPatchApplied(effects);
}

int cSound::HandleChildnameChange() {
  const tVariant* name = PatchValue(Ids::kChildName);
  cSound* node = name ? FindSound(name->Id()) : nullptr;
  if (node) {
    if (mDelegate && mDelegate->mParent == this) mDelegate->mParent = nullptr;
    mDelegate = nullptr;
    AdoptDelegate(node);
  } else {
    Trace("cSound::HandleChildnameChange: Child sound does not exist\n");
  }
  return HandleOutputBusChange();
}

void cSound::OnEndSetPatch() {
  mInSetPatch = false;
  if (const tVariant* name = PatchValue(Ids::kChildName)) {
    if (cSound* node = FindSound(name->Id()))
      AdoptDelegate(node);
    else
      Trace("cSound::OnEndSetPatch: Child sound does not exist\n");
  }
  SetUpInsertEffects();
  HandleOutputBusChange();
}

int cSound::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  if (Ids::IsMixerChannelParameter(id)) {
    RefreshParameterBinding(id);
    if (propagate && mDelegate) {
      if (const tVariant* f = ForwardedValue(id))
        mDelegate->SetParameter(id, *f, 1);
      else
        mDelegate->RemoveParameter(id, 1);
    }
    return 0;
  }
  tVariant v = value;
  if (v.IsEmpty() && System())
    if (const tVariant* d = System()->Defaults().Find(id)) v = *d;
  cTarnSoundSystem* system = System();
  switch (id) {
    case Ids::kParameterList:
      SetUpParameterList();
      break;
    case Ids::kEnabled:
      mEnabled = v.AsBool();
      break;
    case Ids::kOutputBusMixerChannel: {
      uint32_t bus = 0;
      const tVariant* name = PatchValue(Ids::kName);
      if (!v.IsEmpty() && system && (!name || v.Id() != name->Id())) {
        cPropertySet* channel = nullptr;
        if (system->FindPatch(v.Id(), &channel) == kOk && channel) bus = channel->GetId(Ids::kChildName, 0);
      }
      mOwnBus = bus;
      if (propagate) HandleOutputBusChange();
      break;
    }
    case Ids::kSoundList: {
      for (cSound* c : mChildren)
        if (c->mParent == this) c->mParent = nullptr;
      mChildren.clear();
      const cStringSet* names = GetStringSet(v);
      if (names && system) {
        for (const cString& name : names->mSet) {
          cSound* node = FindSound(name.Id());
          if (!node) {
            Trace("cMixer::HandleParameterChange: WARNING: Sound not found\n");
            continue;
          }
          AdoptChild(node);
        }
      }
      if (!mInSetPatch) HandleOutputBusChange();
      break;
    }
    case Ids::kAutomation:
      SetUpAutomation();
      break;
    case Ids::kInsertEffects:
      if (!mInSetPatch) SetUpInsertEffects();
      break;
    case Ids::kChildName:
      if (mDelegate) HandleChildnameChange();
      break;
    case Ids::kExemplar: {
      cPropertySet* exemplar = nullptr;
      if (system && !v.IsEmpty()) system->FindPatch(v.Id(), &exemplar);
      mExemplar = exemplar;
      break;
    }
    default:
      break;
  }
  return 0;
}

void cSound::ForEachListed(uint32_t list, const char* warning, const std::function<void(cIPatchHolder*)>& take) {
  const tVariant* value = PatchValue(list);
  const cStringSet* names = value ? GetStringSet(*value) : nullptr;
  cTarnSoundSystem* system = System();
  if (!names || !system) return;
  for (const cString& name : names->mSet) {
    cIPatchHolder* holder = nullptr;
    system->GetPatchHolder(name.Id(), &holder);
    if (holder)
      take(holder);
    else
      Trace(warning, name.c_str());
  }
}

int cSound::SetUpAutomation() {
  mAutomation.clear();
  ForEachListed(Ids::kAutomation, "cSound::SetUpAutomation: WARNING: Sound %s not found (3)\n", [&](cIPatchHolder* h) {
    if (auto* clip = dynamic_cast<cAutomationClip*>(h))
      mAutomation[clip->PatchId(Ids::kAutomationTarget)][clip->PatchId(Ids::kAutomationController)] = clip;
  });
  return 0;
}

int cSound::SetUpParameterList() {
  mParameterList.clear();
  ForEachListed(Ids::kParameterList, "cSound::SetUpParameterList: WARNING: Sound %s not found (3)\n",
                [&](cIPatchHolder* h) {
                  if (auto* parameter = dynamic_cast<cEventParameter*>(h))
                    mParameterList[(uint32_t)parameter->PatchInt(Ids::kIndex)] = parameter;
                });
  return 0;
}

int cSound::UpdateChildren(int32_t position) {
  cTarnSoundSystem* system = System();
  if (!system) return 0;
  for (auto& [target, controllers] : mAutomation) {
    cIPatchHolder* holder = nullptr;
    if (system->GetPatchHolder(target, &holder) != kOk || !holder) continue;
    cPropertySet* patch = holder->GetPatch();
    bool channel = patch && patch->GetId(Ids::kPlayerType) == Ids::kTypeMixerChannel;
    for (auto& [controller, clip] : controllers) {
      clip->SetPendingPlayPosition(position);
      float level = 0.0f;
      if (clip->GetLevel(&level, 0) != kOk) continue;
      tVariant v = tVariant::Float(level);
      if (channel) {
        if (auto* node = dynamic_cast<cSound*>(holder)) node->SetParameter(controller, v, 1);
      } else {
        holder->HandleParameterChange(controller, v, 0);
      }
    }
  }
  return 0;
}

void cSound::HandTimeLine(cSound* node, int32_t start, int32_t end, int32_t loopStart, int32_t loopEnd, bool loop,
                          uint32_t propagate) {
  node->HandleParameterChange(Ids::kTimeLineStartPosition, tVariant::Int(start), propagate);
  node->HandleParameterChange(Ids::kTimeLineEndPosition, tVariant::Int(end), propagate);
  node->HandleParameterChange(Ids::kTimeLineLoopStartPosition, tVariant::Int(loopStart), propagate);
  node->HandleParameterChange(Ids::kTimeLineLoopEndPosition, tVariant::Int(loopEnd), propagate);
  node->HandleParameterChange(Ids::kTimeLineLoopEnabled, tVariant::Bool(loop), propagate);
}

void cSound::StartUpdates() {
  if (cTarnSoundSystem* s = System()) s->StartUpdates(this);
}

void cSound::StopUpdates() {
  if (cTarnSoundSystem* s = System()) s->StopUpdates(this);
}

void cSound::Detach() {
  if (mUpdating) StopUpdates();
  mChildren.clear();
  mDelegate = nullptr;
  mParent = nullptr;
  mAutomation.clear();
  mParameterList.clear();
  mOwnerPropertySet = nullptr;
}

}  // namespace Tarn
