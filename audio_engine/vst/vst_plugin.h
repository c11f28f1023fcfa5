// TarnVst::cVstPlugin: one hosted plug-in instance: loading, programs, parameters by name,
// block-size upkeep and processing; and the host callback the plug-ins call.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/mix/effects_chain.h"
#include "audio_engine/tarn_string.h"
#include "audio_engine/vst/vst2.h"
#include "audio_engine/vst/vst_plugin_loader.h"

namespace TarnVst {

// Told when a plug-in automates one of its parameters.
class cIVstListener {
 public:
  virtual ~cIVstListener() = default;
  virtual void OnAutomate(int32_t index, float value) = 0;
};

class cVstPlugin : public TarnMix::cIEffectProcessor {
 public:
  cVstPlugin() = default;
  ~cVstPlugin() override;
  cVstPlugin(const cVstPlugin&) = delete;
  cVstPlugin& operator=(const cVstPlugin&) = delete;

  // 0; 2 when the library does not load, has no entry point or gives no effect record.
  int Load(const Tarn::cString& path);
  int SetProgram(int32_t program);
  // The index of the parameter whose name has this identifier: 0; 2 when unknown.
  int FindParameter(uint32_t nameId, int32_t* index) const;
  int SetParameter(int32_t index, float value);
  // Runs the plug-in over `frames` of the given channels. The plug-in sees as many input and
  // output channels as it declares: channels beyond the two given are scratch, so a plug-in
  // with more outputs never writes past the caller's buffers.
  int Process(float** inputs, float** outputs, int32_t frames) override;

  tVstEffect* Effect() const { return mEffect; }
  int32_t BlockSize() const { return mBlockSize; }
  size_t ParameterCount() const { return mParameters.size(); }

  // The host callback every plug-in gets.
  static tVstIntPtr HostCallback(tVstEffect* effect, int32_t opcode, int32_t index, tVstIntPtr value, void* ptr,
                                 float opt);
  // Listeners by effect record; the callback may come from a plug-in's own thread.
  static void SetListener(tVstEffect* effect, cIVstListener* listener);

 private:
  void BuildParameterMap();

  Tarn::cAutoPtr<cVstPluginLoader> mLoader;
  tVstEffect* mEffect = nullptr;
  std::map<uint32_t, int32_t> mParameters;  // name identifier -> index
  int32_t mBlockSize = 0;
  std::vector<std::vector<float>> mScratch;  // channels beyond the two the mix has
  std::vector<float*> mInputs, mOutputs;
};

}  // namespace TarnVst
