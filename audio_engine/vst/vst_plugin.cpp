// Hosting: load and open, programs and parameter names, processing, the host callback.
#include "audio_engine/vst/vst_plugin.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/reader.h"

namespace TarnVst {

namespace {
std::mutex gListenersLock;
std::map<tVstEffect*, cIVstListener*>& Listeners() {  // guarded by gListenersLock
  static std::map<tVstEffect*, cIVstListener*> listeners;
  return listeners;
}
std::atomic<bool> gIdleTraced{false};  // plug-ins call the host from their own threads
}  // namespace

tVstIntPtr cVstPlugin::HostCallback(tVstEffect* effect, int32_t opcode, int32_t index, tVstIntPtr, void*, float opt) {
  switch (opcode) {
    case kHostAutomate: {
      std::lock_guard<std::mutex> lock(gListenersLock);
      auto it = Listeners().find(effect);
      if (it != Listeners().end() && it->second) it->second->OnAutomate(index, opt);
      return 0;
    }
    case kHostVersion:
      return kHostVersionAnswer;
    case kHostIdle:
      if (!gIdleTraced.exchange(true)) Tarn::Trace("(Future idle calls will not be displayed!)");
      return 0;
    default:
      return 0;
  }
}

void cVstPlugin::SetListener(tVstEffect* effect, cIVstListener* listener) {
  std::lock_guard<std::mutex> lock(gListenersLock);
  if (listener)
    Listeners()[effect] = listener;
  else
    Listeners().erase(effect);
}

int cVstPlugin::Load(const Tarn::cString& path) {
  mLoader.Reset(new cVstPluginLoader());
  mEffect = nullptr;
  if (!mLoader->Load(path)) {
    Tarn::Log("VST plug-in '%s' does not load", path.c_str());
    return Tarn::kNotFound;
  }
  tVstEntry entry = mLoader->Entry();
  if (!entry) {
    Tarn::Log("VST plug-in '%s' has no entry point", path.c_str());
    return Tarn::kNotFound;
  }
  tVstEffect* effect = nullptr;
  try {
    effect = entry(&cVstPlugin::HostCallback);
  } catch (...) {
    effect = nullptr;  // nothing may cross back into the engine
  }
  if (!effect || effect->magic != kVstMagic || !effect->dispatcher) {
    Tarn::Log("VST plug-in '%s' gives no effect record", path.c_str());
    return Tarn::kNotFound;
  }
  mEffect = effect;
  mEffect->dispatcher(mEffect, kEffOpen, 0, 0, nullptr, 0.0f);
  mEffect->dispatcher(mEffect, kEffSetSampleRate, 0, 0, nullptr, 44100.0f);
  mEffect->dispatcher(mEffect, kEffSetProgram, 0, 0, nullptr, 0.0f);
  BuildParameterMap();
  return Tarn::kOk;
}

void cVstPlugin::BuildParameterMap() {
  mParameters.clear();
  if (!mEffect) return;
  for (int32_t i = 0; i < mEffect->numParams; i++) {
    char name[256] = {0};
    mEffect->dispatcher(mEffect, kEffGetParamName, i, 0, name, 0.0f);
    name[sizeof name - 1] = 0;  // a plug-in that fills the whole buffer still ends the name
    Tarn::Trace("Param %03d: %s", (int)i, name);
    mParameters[Tarn::NameId(name)] = i;  // a later parameter with the same name wins
  }
}

int cVstPlugin::SetProgram(int32_t program) {
  if (!mEffect) return Tarn::kNotFound;
  mEffect->dispatcher(mEffect, kEffSetProgram, 0, program, nullptr, 0.0f);
  BuildParameterMap();
  return Tarn::kOk;
}

int cVstPlugin::FindParameter(uint32_t nameId, int32_t* index) const {
  auto it = mParameters.find(nameId);
  if (it == mParameters.end()) return Tarn::kNotFound;
  *index = it->second;
  return Tarn::kOk;
}

int cVstPlugin::SetParameter(int32_t index, float value) {
  if (!mEffect || !mEffect->setParameter) return Tarn::kNotFound;
  mEffect->setParameter(mEffect, index, value);
  return Tarn::kOk;
}

int cVstPlugin::Process(float** inputs, float** outputs, int32_t frames) {
  if (!mEffect || frames <= 0) return Tarn::kOk;
  if (mBlockSize < 8 * frames) {
    mEffect->dispatcher(mEffect, kEffMainsChanged, 0, 0, nullptr, 0.0f);
    mEffect->dispatcher(mEffect, kEffSetBlockSize, 0, 8 * frames, nullptr, 0.0f);
    mEffect->dispatcher(mEffect, kEffMainsChanged, 0, 1, nullptr, 0.0f);
    mBlockSize = 8 * frames;
  }
  if (!mEffect->processReplacing) return Tarn::kOk;
  const int32_t ins = std::clamp(mEffect->numInputs, 2, 64);
  const int32_t outs = std::clamp(mEffect->numOutputs, 2, 64);
  const size_t extra = (size_t)(ins - 2) + (size_t)(outs - 2);
  if (mScratch.size() < extra) mScratch.resize(extra);
  for (auto& s : mScratch)
    if (s.size() < (size_t)frames) s.resize((size_t)frames);
  mInputs.assign(inputs, inputs + 2);
  mOutputs.assign(outputs, outputs + 2);
  size_t k = 0;
  for (int32_t c = 2; c < ins; c++, k++) {
    std::fill(mScratch[k].begin(), mScratch[k].begin() + frames, 0.0f);
    mInputs.push_back(mScratch[k].data());
  }
  for (int32_t c = 2; c < outs; c++, k++) mOutputs.push_back(mScratch[k].data());
  mEffect->processReplacing(mEffect, mInputs.data(), mOutputs.data(), frames);
  return Tarn::kOk;
}

cVstPlugin::~cVstPlugin() {
  if (mEffect) {
    SetListener(mEffect, nullptr);
    mEffect->dispatcher(mEffect, kEffMainsChanged, 0, 0, nullptr, 0.0f);
    mEffect->dispatcher(mEffect, kEffClose, 0, 0, nullptr, 0.0f);
    mEffect = nullptr;
  }
  mLoader.Reset();
}

}  // namespace TarnVst
