// Hosting our own test plug-ins: entry points, the calls made on load and process, parameters
// by name, more outputs than the mix has, and automation from another thread.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/vst/vst_plugin.h"
#include "tests/support/run_tool.h"

using namespace TarnVst;

namespace {

// The plug-in's record of what the host did (same layout as in the plug-in).
struct State {
  int opens, closes, suspends, resumes, programs;
  float sampleRate;
  tVstIntPtr blockSize;
  tVstIntPtr hostVersion;
  float parameters[3];
};

std::string PluginPath(const char* name) { return ToolPath(std::string("lib") + name + ".so"); }

// The state of a loaded plug-in library, read through its own export.
const State* StateOf(const char* name) {
  void* library = dlopen(PluginPath(name).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!library) return nullptr;
  auto state = (const void* (*)())dlsym(library, "TestPluginState");
  const State* s = state ? (const State*)state() : nullptr;
  dlclose(library);
  return s;
}

class VstTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tarn::SetLogSink([this](const std::string& l) { lines.push_back(l); });
  }
  void TearDown() override { Tarn::SetLogSink(nullptr); }
  std::vector<std::string> lines;
};

}  // namespace

TEST_F(VstTest, EntryPointsAndWhatLoadingTellsThePlugin) {
  struct Case {
    const char* library;
    int result;
  } cases[] = {{"vst_gain_plugin", 0}, {"vst_main_only_plugin", 0}, {"vst_no_entry_plugin", 2}, {"no_such_plugin", 2}};
  for (const auto& c : cases) {
    lines.clear();
    cVstPlugin plugin;
    EXPECT_EQ(plugin.Load(Tarn::cString(PluginPath(c.library))), c.result) << c.library;
    if (c.result != 0) {
      EXPECT_EQ(lines.size(), 1u) << c.library;
      continue;
    }
    const State* s = StateOf(c.library);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->opens, 1);
    EXPECT_EQ(s->sampleRate, 44100.0f);
    EXPECT_EQ(s->programs, 1);
    EXPECT_EQ(s->hostVersion, 2400);
    EXPECT_EQ(plugin.ParameterCount(), 2u);  // "Gain" twice, "Spare"
  }
}

TEST_F(VstTest, BlockSizeGrowsWithTheLongestCallAndParametersGoByName) {
  cVstPlugin plugin;
  ASSERT_EQ(plugin.Load(Tarn::cString(PluginPath("vst_gain_plugin"))), 0);
  const State* s = StateOf("vst_gain_plugin");
  ASSERT_NE(s, nullptr);
  std::vector<float> in[2], out[2];
  for (int c = 0; c < 2; c++) {
    in[c].assign(882, 0.5f);
    out[c].assign(882, 0.0f);
  }
  float* ins[2] = {in[0].data(), in[1].data()};
  float* outs[2] = {out[0].data(), out[1].data()};
  struct Step {
    int frames;
    int32_t blockSize;
    int suspends;
  } steps[] = {{441, 3528, 1}, {100, 3528, 1}, {882, 7056, 2}};
  for (const auto& step : steps) {
    plugin.Process(ins, outs, step.frames);
    EXPECT_EQ(plugin.BlockSize(), step.blockSize) << step.frames;
    EXPECT_EQ(s->blockSize, step.blockSize) << step.frames;
    EXPECT_EQ(s->suspends, step.suspends) << step.frames;
    EXPECT_EQ(s->resumes, step.suspends) << step.frames;
  }
  int32_t index = -1;
  ASSERT_EQ(plugin.FindParameter(Tarn::NameId("Gain"), &index), 0);
  EXPECT_EQ(index, 2);  // the later of two parameters with that name
  EXPECT_EQ(plugin.FindParameter(Tarn::NameId("Volume"), &index), 2);
  plugin.SetParameter(index = 2, 0.25f);
  plugin.Process(ins, outs, 882);
  EXPECT_FLOAT_EQ(out[0][0], 0.125f);
  EXPECT_FLOAT_EQ(out[1][881], 0.125f);
}

TEST_F(VstTest, MoreOutputsThanTheMixHasNeverWritePastItsBuffers) {
  cVstPlugin plugin;
  ASSERT_EQ(plugin.Load(Tarn::cString(PluginPath("vst_four_outputs_plugin"))), 0);
  // Exactly two channel pointers, as the effects chain passes them; the plug-in writes four.
  std::vector<float> in0(64, 1.0f), in1(64, 1.0f), out0(64), out1(64);
  float* ins[2] = {in0.data(), in1.data()};
  float* outs[2] = {out0.data(), out1.data()};
  plugin.Process(ins, outs, 64);
  EXPECT_EQ(out0[63], 1.0f);
  EXPECT_EQ(out1[0], 1.0f);
}

TEST_F(VstTest, AutomationFromAnotherThreadReachesTheCurrentListener) {
  cVstPlugin plugin;
  ASSERT_EQ(plugin.Load(Tarn::cString(PluginPath("vst_gain_plugin"))), 0);
  void* library = dlopen(PluginPath("vst_gain_plugin").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  auto automate = (void (*)(int32_t, float))dlsym(library, "TestPluginAutomate");
  ASSERT_NE(automate, nullptr);
  struct Listener : cIVstListener {
    void OnAutomate(int32_t index, float value) override {
      calls++;
      last = value;
    }
    std::atomic<int> calls{0};
    std::atomic<float> last{0.0f};
  } listener;
  automate(2, 0.5f);  // nobody listens yet
  EXPECT_EQ(listener.calls, 0);
  std::atomic<bool> done{false};
  std::thread plugThread([&] {
    for (int i = 0; i < 2000; i++) automate(2, 0.75f);
    done = true;
  });
  // The host changes its listeners while the plug-in calls from its own thread.
  while (!done) {
    cVstPlugin::SetListener(plugin.Effect(), &listener);
    cVstPlugin::SetListener(plugin.Effect(), nullptr);
  }
  plugThread.join();
  cVstPlugin::SetListener(plugin.Effect(), &listener);
  automate(2, 0.25f);
  EXPECT_FLOAT_EQ(listener.last, 0.25f);
  cVstPlugin::SetListener(plugin.Effect(), nullptr);
  dlclose(library);
}

TEST_F(VstTest, IdleCallsFromTwoPluginThreadsShareNoUnguardedState) {
  // Plug-ins call the host from threads of their own; its answer to an idle call keeps a
  // flag that both may touch at once.
  auto idle = [] {
    tVstIntPtr sum = 0;
    for (int i = 0; i < 2000; i++) sum += cVstPlugin::HostCallback(nullptr, kHostIdle, 0, 0, nullptr, 0.0f);
    return sum;
  };
  tVstIntPtr other = -1;
  std::thread plugThread([&] { other = idle(); });
  tVstIntPtr mine = idle();
  plugThread.join();
  EXPECT_EQ(mine, 0);
  EXPECT_EQ(other, 0);
}
