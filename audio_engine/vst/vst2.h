// The VST 2 plug-in interface as the engine uses it: the effect record a plug-in's entry point
// returns, the call signatures, and the dispatcher and host-callback opcodes the engine sends
// and answers. Fields follow the published record's order; integers that carry pointers are
// pointer-sized, so the layout matches plug-ins built for this machine's word size.
#pragma once

#include <cstdint>

namespace TarnVst {

struct tVstEffect;

using tVstIntPtr = intptr_t;

// Calls from the plug-in to its host.
using tVstHostCallback = tVstIntPtr (*)(tVstEffect* effect, int32_t opcode, int32_t index, tVstIntPtr value,
                                        void* ptr, float opt);
// Calls from the host to the plug-in.
using tVstDispatcher = tVstIntPtr (*)(tVstEffect* effect, int32_t opcode, int32_t index, tVstIntPtr value, void* ptr,
                                      float opt);
using tVstProcess = void (*)(tVstEffect* effect, float** inputs, float** outputs, int32_t frames);
using tVstSetParameter = void (*)(tVstEffect* effect, int32_t index, float value);
using tVstGetParameter = float (*)(tVstEffect* effect, int32_t index);
using tVstProcessDouble = void (*)(tVstEffect* effect, double** inputs, double** outputs, int32_t frames);

// The plug-in's entry point ("VSTPluginMain", else "main").
using tVstEntry = tVstEffect* (*)(tVstHostCallback host);

// 'VstP', the record's first word.
constexpr int32_t kVstMagic = ('V' << 24) | ('s' << 16) | ('t' << 8) | 'P';

struct tVstEffect {
  int32_t magic;
  tVstDispatcher dispatcher;
  tVstProcess process;  // accumulating; the engine uses processReplacing
  tVstSetParameter setParameter;
  tVstGetParameter getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  tVstIntPtr reserved1;
  tVstIntPtr reserved2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;
  void* user;
  int32_t uniqueID;
  int32_t version;
  tVstProcess processReplacing;
  tVstProcessDouble processDoubleReplacing;
  char future[56];
};

// Dispatcher opcodes (host to plug-in).
enum : int32_t {
  kEffOpen = 0,
  kEffClose = 1,
  kEffSetProgram = 2,
  kEffGetParamName = 8,
  kEffSetSampleRate = 10,
  kEffSetBlockSize = 11,
  kEffMainsChanged = 12,  // value 0 suspends, 1 resumes
};

// Host-callback opcodes (plug-in to host).
enum : int32_t {
  kHostAutomate = 0,
  kHostVersion = 1,
  kHostIdle = 3,
};

// What the host answers to kHostVersion.
constexpr tVstIntPtr kHostVersionAnswer = 2400;

}  // namespace TarnVst
