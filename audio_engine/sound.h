// Tarn::cSound: the base of every playable node of the sound graph. A node is configured by
// its patch, plays, stops and kills in engine time (samples at 44,100 Hz, -1 = now), keeps
// parameter values that it forwards to its delegate and children, applies automation and
// hands its output bus down the graph.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>

#include "audio_engine/isound.h"
#include "audio_engine/iupdate.h"
#include "audio_engine/patch_holder.h"
#include "audio_engine/reader.h"

namespace Tarn {

class cAutomationClip;
class cEventParameter;

class cSound : public cISound, public cIUpdate, public cPatchHolder {
 public:
  // Event parameters by "Index", walked in ascending order.
  using ParameterList = std::map<uint32_t, cEventParameter*>;
  // Insert effects by "Index" (default 100): the effect patches.
  using EffectSet = std::map<int32_t, cPropertySet*>;

  cSound() = default;
  ~cSound() override = default;
  cSound(const cSound&) = delete;
  cSound& operator=(const cSound&) = delete;

  // cISound.
  int SetStartPosition(int32_t position) override;
  int GetState(int32_t* state) override;
  int Play(int64_t time) override;
  int StopNow() override;
  int Stop(int64_t time) override;
  int GetStatus(uint32_t* status) override;
  int Kill() override;
  bool IsActive() override;
  int GetValue(uint32_t id, float* value, uint32_t flag) override;
  // Stores a parameter value of this node (as a float) and forwards it when asked.
  int SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) override;
  using cPatchHolder::SetParameter;
  int Schedule() override;
  int Process() override;
  // Nodes that tick override this.
  int Update() override { return 0; }

  // 10 (not supported) unless the node can fade.
  virtual int Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time);
  virtual int GetParameterList(ParameterList** list);
  virtual int GetOwnerPropertySet(cPropertySet** set);
  virtual int SetPosition(int32_t position);
  virtual int GetCurrentPosition(int32_t* position);
  virtual int RemoveParameter(uint32_t id, uint32_t propagate);
  virtual int RefreshParameterBinding(uint32_t id);
  virtual int OnParameterUpdate(uint32_t id) { return 0; }
  virtual int HandleOutputBusChange();
  virtual void OnPatchApplied(const EffectSet& effects) {}
  virtual int SetUpAutomation();
  virtual int SetUpParameterList();
  virtual int UpdateChildren(int32_t position);
  // Takes back a play handed for a time that has not come (a pending start): 2 when nothing
  // could take it back.
  virtual int WithdrawPlay();

  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  void OnEndSetPatch() override;
  void Detach() override;

  // Looks the delegate up again from "ChildName".
  int HandleChildnameChange();
  // The effective bus (own, else inherited), overridden by "InsertBus": 0, or 2 with none.
  int GetOutputBus(uint32_t* bus) const;
  // The delegate, stepping over disabled nodes that have a delegate of their own.
  cSound* DelegateTarget() const;

  cSound* Delegate() const { return mDelegate; }
  cSound* Parent() const { return mParent; }
  void SetParent(cSound* parent) { mParent = parent; }
  const std::list<cSound*>& Children() const { return mChildren; }
  bool IsEnabled() const { return mEnabled; }
  int64_t StartTime() const { return mStartTime; }
  void SetInheritedBus(uint32_t bus) { mInheritedBus = bus; }
  void SetOwnerPropertySet(cPropertySet* set) { mOwnerPropertySet = set; }
  bool IsUpdating() const { return mUpdating; }
  void SetUpdating(bool on) { mUpdating = on; }
  const tVariant* OwnValue(uint32_t id) const;
  const tVariant* ForwardedValue(uint32_t id) const;
  // The own value as a float, else the given default.
  float OwnFloat(uint32_t id, float def) const;
  const cPropertySet* Exemplar() const { return mExemplar; }
  // Whether `node` can be reached from here through delegates and children (cycle check).
  bool Reaches(const cSound* node) const;

 protected:
  // Makes `node` the delegate (unless that would close a cycle): true when it did.
  bool AdoptDelegate(cSound* node);
  // Appends `node` as a child (unless that would close a cycle): true when it did.
  bool AdoptChild(cSound* node);
  void SetUpInsertEffects();
  // The first steps of every play: the start time (-1: now), the owner's values from the
  // parent, the automation started with them.
  void BeginPlay(int64_t time);
  // Each node a list property of the patch names, made if need be; a missing one is traced.
  void ForEachListed(uint32_t list, const char* warning, const std::function<void(cIPatchHolder*)>& take);
  // Sets a timeline on a node as its "TimeLine..." properties: start, end, loop points, looping.
  static void HandTimeLine(cSound* node, int32_t start, int32_t end, int32_t loopStart, int32_t loopEnd, bool loop,
                           uint32_t propagate);
  // Joins or leaves the engine update list.
  void StartUpdates();
  void StopUpdates();
  static int64_t Now();

  std::list<cSound*> mChildren;  // from "SoundList"; not owned
  bool mActive = false;
  bool mEnabled = false;
  cSound* mDelegate = nullptr;  // from "ChildName"; not owned
  cSound* mParent = nullptr;
  int64_t mStartTime = -1;
  std::map<uint32_t, tVariant> mOwnValues;
  std::map<uint32_t, tVariant> mForwardedValues;
  uint32_t mInheritedBus = 0;
  uint32_t mOwnBus = 0;
  std::map<uint32_t, std::map<uint32_t, cAutomationClip*>> mAutomation;  // target -> controller
  ParameterList mParameterList;
  cPropertySet* mOwnerPropertySet = nullptr;  // event-parameter values of the owning arrangement
  const cPropertySet* mExemplar = nullptr;
  bool mUpdating = false;  // on the engine update list
};

// The patch reached by following "ChildName" from a patch to its end.
const cPropertySet* ExemplarOf(const cPropertySet* patch);

}  // namespace Tarn
