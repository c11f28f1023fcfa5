// A VST 2 effect for the host's tests: every output channel is its input (the first two,
// silence beyond) times the parameter at index 2. Parameter names are "Gain", "Spare",
// "Gain", so a look-up by name must find index 2. It records what the host told it.
#include <cstring>

#include "audio_engine/vst/vst2.h"

using namespace TarnVst;

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// What the host did, for the tests to read through TestPluginState.
struct State {
  int opens = 0, closes = 0, suspends = 0, resumes = 0, programs = 0;
  float sampleRate = 0.0f;
  tVstIntPtr blockSize = 0;
  tVstIntPtr hostVersion = 0;
  float parameters[3] = {1.0f, 0.0f, 1.0f};
};

struct Plugin {
  tVstEffect effect;
  tVstHostCallback host;
  State state;
};

Plugin* gPlugin = nullptr;
const char* const kNames[3] = {"Gain", "Spare", "Gain"};

tVstIntPtr Dispatch(tVstEffect* e, int32_t opcode, int32_t index, tVstIntPtr value, void* ptr, float opt) {
  State& s = ((Plugin*)e->object)->state;
  switch (opcode) {
    case kEffOpen: s.opens++; break;
    case kEffClose: s.closes++; break;
    case kEffSetProgram: s.programs++; break;
    case kEffGetParamName:
      if (index >= 0 && index < 3) std::strcpy((char*)ptr, kNames[index]);
      break;
    case kEffSetSampleRate: s.sampleRate = opt; break;
    case kEffSetBlockSize: s.blockSize = value; break;
    case kEffMainsChanged: (value ? s.resumes : s.suspends)++; break;
    default: break;
  }
  return 0;
}

void SetParameter(tVstEffect* e, int32_t index, float value) {
  if (index >= 0 && index < 3) ((Plugin*)e->object)->state.parameters[index] = value;
}

float GetParameter(tVstEffect* e, int32_t index) {
  return index >= 0 && index < 3 ? ((Plugin*)e->object)->state.parameters[index] : 0.0f;
}

void ProcessReplacing(tVstEffect* e, float** inputs, float** outputs, int32_t frames) {
  float gain = ((Plugin*)e->object)->state.parameters[2];
  for (int32_t c = 0; c < e->numOutputs; c++)
    for (int32_t i = 0; i < frames; i++) outputs[c][i] = c < 2 ? inputs[c][i] * gain : 0.0f;
}

[[maybe_unused]] tVstEffect* Create(tVstHostCallback host) {
  static Plugin storage;  // one instance a library, never freed: nothing to leak
  gPlugin = &storage;
  Plugin& p = *gPlugin;
  std::memset(&p.effect, 0, sizeof p.effect);
  p.effect.magic = kVstMagic;
  p.effect.dispatcher = Dispatch;
  p.effect.setParameter = SetParameter;
  p.effect.getParameter = GetParameter;
  p.effect.processReplacing = ProcessReplacing;
  p.effect.numPrograms = 1;
  p.effect.numParams = 3;
  p.effect.numInputs = 2;
  p.effect.numOutputs = TEST_PLUGIN_OUTPUTS;
  p.effect.object = &p;
  p.host = host;
  p.state = State();
  p.state.hostVersion = host(&p.effect, kHostVersion, 0, 0, nullptr, 0.0f);
  return &p.effect;
}

}  // namespace

#if defined(TEST_PLUGIN_ENTRY_MAIN)
// Only the old entry name; declared under another name, since C++ reserves main's signature.
TEST_EXPORT tVstEffect* PluginMain(tVstHostCallback host) __asm__("main");
TEST_EXPORT tVstEffect* PluginMain(tVstHostCallback host) { return Create(host); }
#elif !defined(TEST_PLUGIN_NO_ENTRY)
TEST_EXPORT tVstEffect* VSTPluginMain(tVstHostCallback host) { return Create(host); }
#endif

// What the host told the plug-in so far.
TEST_EXPORT const void* TestPluginState() { return gPlugin ? &gPlugin->state : nullptr; }
// The plug-in automates a parameter, as its editor would (from any thread).
TEST_EXPORT void TestPluginAutomate(int32_t index, float value) {
  if (gPlugin && gPlugin->host) gPlugin->host(&gPlugin->effect, kHostAutomate, index, 0, nullptr, value);
}
