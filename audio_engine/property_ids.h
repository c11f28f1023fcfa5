// The fixed names the node graph compares against, as compile-time name identifiers.
#pragma once

#include <cstdint>

#include "audio_engine/name_id.h"

namespace Tarn::Ids {

#define TARN_ID(symbol, text) inline constexpr uint32_t symbol = ConstNameId(text)

// Patch structure.
TARN_ID(kName, "Name");
TARN_ID(kPlayerType, "PlayerType");
TARN_ID(kTagList, "TagList");
TARN_ID(kChildName, "ChildName");
TARN_ID(kSoundList, "SoundList");
TARN_ID(kEnabled, "Enabled");
TARN_ID(kOutputBusMixerChannel, "OutputBusMixerChannel");
TARN_ID(kAutomation, "Automation");
TARN_ID(kInsertEffects, "InsertEffects");
TARN_ID(kInsertBus, "InsertBus");
TARN_ID(kExemplar, "Exemplar");
TARN_ID(kParameterList, "ParameterList");
TARN_ID(kIndex, "Index");
TARN_ID(kAutomationTarget, "AutomationTarget");
TARN_ID(kAutomationController, "AutomationController");
TARN_ID(kAutomationPoints, "AutomationPoints");
TARN_ID(kLoadPriority, "LoadPriority");
TARN_ID(kProjectSettings, "Project Settings");

// Real-time mixer parameters.
TARN_ID(kVolume, "Volume");
TARN_ID(kPan, "Pan");
TARN_ID(kPitch, "Pitch");
TARN_ID(kMute, "Mute");
TARN_ID(kSolo, "Solo");
TARN_ID(kSendLevel0, "SendLevel0");
TARN_ID(kSendLevel1, "SendLevel1");
TARN_ID(kSendLevel2, "SendLevel2");
TARN_ID(kSendLevel3, "SendLevel3");
TARN_ID(kSendLevel4, "SendLevel4");
TARN_ID(kSendLevel5, "SendLevel5");
TARN_ID(kSendLevel6, "SendLevel6");
TARN_ID(kSendLevel7, "SendLevel7");
TARN_ID(kSendLevel8, "SendLevel8");
TARN_ID(kSendLevel9, "SendLevel9");

// Resources and timelines.
TARN_ID(kResourceName, "ResourceName");
TARN_ID(kUrl, "Url");
TARN_ID(kStream, "Stream");
TARN_ID(kPreload, "Preload");
TARN_ID(kOffset, "Offset");
TARN_ID(kResourceStartPosition, "ResourceStartPosition");
TARN_ID(kResourceEndPosition, "ResourceEndPosition");
TARN_ID(kResourceLoopStartPosition, "ResourceLoopStartPosition");
TARN_ID(kResourceLoopEndPosition, "ResourceLoopEndPosition");
TARN_ID(kResourceLoopEnabled, "ResourceLoopEnabled");
TARN_ID(kTimeLineStartPosition, "TimeLineStartPosition");
TARN_ID(kTimeLineEndPosition, "TimeLineEndPosition");
TARN_ID(kTimeLineLoopStartPosition, "TimeLineLoopStartPosition");
TARN_ID(kTimeLineLoopEndPosition, "TimeLineLoopEndPosition");
TARN_ID(kTimeLineLoopEnabled, "TimeLineLoopEnabled");
TARN_ID(kTempo, "Tempo");
TARN_ID(kTempoEnabled, "TempoEnabled");
TARN_ID(kTimeUnitsType, "TimeUnitsType");
TARN_ID(kBeatsPerBar, "BeatsPerBar");
TARN_ID(kBeatsPerBarDenominator, "BeatsPerBarDenominator");
TARN_ID(kPriority, "Priority");
TARN_ID(kCurrentClip, "CurrentClip");
TARN_ID(kDontKillChildren, "DontKillChildren");

// Sync.
TARN_ID(kMasterModeSyncNumerator, "MasterModeSyncNumerator");
TARN_ID(kMasterModeSyncDenominator, "MasterModeSyncDenominator");
TARN_ID(kSourceModeSyncNumerator, "SourceModeSyncNumerator");
TARN_ID(kSourceModeSyncDenominator, "SourceModeSyncDenominator");
TARN_ID(kSourceModeSyncOverride, "SourceModeSyncOverride");
TARN_ID(kSourceModeSyncEnabled, "SourceModeSyncEnabled");
TARN_ID(kSourceModeSyncSourceMode, "SourceModeSyncSourceMode");
TARN_ID(kMasterModeSyncSourceMode, "MasterModeSyncSourceMode");
TARN_ID(kMasterModeFadeTime, "MasterModeFadeTime");
TARN_ID(kSourceModeFadeTime, "SourceModeFadeTime");
TARN_ID(kFollow, "Follow");
TARN_ID(kUnison, "Unison");
TARN_ID(kRoundTrip, "RoundTrip");
TARN_ID(kStop, "Stop");
TARN_ID(kSamples, "Samples");
TARN_ID(kSeconds, "Seconds");
TARN_ID(kMilliseconds, "Milliseconds");
TARN_ID(kMeasures, "Measures");
TARN_ID(kBeats, "Beats");
TARN_ID(kMarkers, "Markers");
TARN_ID(kLoopPoints, "LoopPoints");

// Node behaviour.
TARN_ID(kAttack, "Attack");
TARN_ID(kRelease, "Release");
TARN_ID(kPitchVaryMin, "PitchVaryMin");
TARN_ID(kPitchVaryMax, "PitchVaryMax");
TARN_ID(kVolumeVaryMin, "VolumeVaryMin");
TARN_ID(kVolumeVaryMax, "VolumeVaryMax");
TARN_ID(kPanVaryMin, "PanVaryMin");
TARN_ID(kPanVaryMax, "PanVaryMax");
TARN_ID(kIntervalMin, "IntervalMin");
TARN_ID(kIntervalMax, "IntervalMax");
TARN_ID(kRepeatsMin, "RepeatsMin");
TARN_ID(kRepeatsMax, "RepeatsMax");
TARN_ID(kImmediate, "Immediate");
TARN_ID(kInfinite, "Infinite");
TARN_ID(kRandomRepeats, "RandomRepeats");
TARN_ID(kRandomInterval, "RandomInterval");
TARN_ID(kMutualExclusionEnabled, "MutualExclusionEnabled");
TARN_ID(kMidiChannel, "MidiChannel");
TARN_ID(kEffectsReturnNumber, "EffectsReturnNumber");
TARN_ID(kProgramNumber, "ProgramNumber");
TARN_ID(kVstParameterList, "VstParameterList");
TARN_ID(kMixer, "Mixer");

// Node types ("PlayerType" values).
TARN_ID(kTypeMixer, "Mixer");
TARN_ID(kTypeMixerChannel, "MixerChannel");
TARN_ID(kTypeRepeater, "Repeater");
TARN_ID(kTypeLoopBox, "LoopBox");
TARN_ID(kTypeAutomationClip, "AutomationClip");
TARN_ID(kTypeVstEffectPlugin, "VstEffectPlugin");
TARN_ID(kTypeVstInstrumentPlugin, "VstInstrumentPlugin");
TARN_ID(kTypeVstProgram, "VstProgram");
TARN_ID(kTypeArrangementClip, "ArrangementClip");
TARN_ID(kTypeBus, "Bus");
TARN_ID(kTypeRandomizer, "Randomizer");
TARN_ID(kTypeArrangement, "Arrangement");
TARN_ID(kTypeParameter, "Parameter");
TARN_ID(kTypeTrackPlayer, "TrackPlayer");
TARN_ID(kTypeRandomSelector, "RandomSelector");
TARN_ID(kTypeMutualExclusion, "MutualExclusion");
TARN_ID(kTypeEnvelope, "Envelope");
TARN_ID(kTypeEditList, "EditList");
TARN_ID(kTypeSampleResource, "SampleResource");
TARN_ID(kTypeMidiResource, "MidiResource");
TARN_ID(kTypeEventClip, "EventClip");
TARN_ID(kTypeQueryDef, "QueryDef");

// The patches the engine starts.
TARN_ID(kMasterBus, "Master Bus");
TARN_ID(kMasterBusBus, "Master Bus Bus");
TARN_ID(kRootControlMixerChannel, "Root Control Mixer Channel");

#undef TARN_ID

// Send level parameter i (0..9).
inline constexpr uint32_t kSendLevels[10] = {kSendLevel0, kSendLevel1, kSendLevel2, kSendLevel3, kSendLevel4,
                                             kSendLevel5, kSendLevel6, kSendLevel7, kSendLevel8, kSendLevel9};
// The send index of a send level parameter, or -1.
constexpr int SendLevelIndex(uint32_t id) {
  for (int i = 0; i < 10; i++)
    if (kSendLevels[i] == id) return i;
  return -1;
}
// "Volume", "Pan", "Mute", "Pitch" and the ten send levels.
constexpr bool IsMixerChannelParameter(uint32_t id) {
  return id == kVolume || id == kPan || id == kMute || id == kPitch || SendLevelIndex(id) >= 0;
}

}  // namespace Tarn::Ids
