// The vocabulary table, in registration order.
#include "audio_engine/property_vocabulary.h"

#include <map>
#include <string>

#include "audio_engine/name_id.h"
#include "audio_engine/unhasher.h"

namespace Tarn {

namespace {
// Built once before any project is read; guarded by the engine lock.
std::map<uint32_t, uint32_t>& Table() {
  static std::map<uint32_t, uint32_t> table;
  return table;
}

const char* const kFloats[] = {"Mute", "Tempo", "Volume", "Pan", "Pitch", "Attack", "Decay", "Sustain",
    "Release", "SendLevel0", "SendLevel1", "SendLevel2", "SendLevel3", "SendLevel4", "SendLevel5",
    "SendLevel6", "SendLevel7", "SendLevel8", "SendLevel9", "PitchVaryMin", "PitchVaryMax",
    "VolumeVaryMin", "VolumeVaryMax", "PanVaryMin", "PanVaryMax", "FloatArgument", "FloatDefault",
    "Quality", "FloatMinimum", "FloatMaximum", "FloatTransformMinimum", "FloatTransformMaximum"};

const char* const kIntegers[] = {"LoadPriority", "Steps", "MinimumUnsigned", "MaximumUnsigned", "Type",
    "DisplayStartPosition", "DisplayEndPosition", "MasterModeSyncNumerator", "SourceModeSyncNumerator",
    "MasterModeFadeTime", "SourceModeFadeTime", "SyncNumerator", "BeatsPerBar", "BeatsPerBarDenominator",
    "Index", "Width", "Height", "Offset", "Length", "TimeLineStartPosition", "TimeLineEndPosition",
    "CurrentClip", "ResourceStartPosition", "ResourceEndPosition", "ResourceLoopStartPosition",
    "ResourceLoopEndPosition", "TimeLineLoopStartPosition", "TimeLineLoopEndPosition", "FadeLength",
    "GridResolution", "TimeUnitsType", "Priority", "IntervalMin", "IntervalMax", "RepeatsMin",
    "RepeatsMax", "MidiChannel", "Id", "ProgramNumber", "NumPrograms", "NumParameters", "NumInputs",
    "NumOutputs", "EffectsReturnNumber", "RowNumber", "Color"};

const char* const kBooleans[] = {"Live", "Expanded", "ArrangementDetailsExpanded", "TreeNodeExpanded",
    "MasterModeSyncOverride", "SourceModeSyncOverride", "MasterModeSyncEnabled", "SourceModeSyncEnabled",
    "SyncEnabled", "HideRepeatsParameters", "TempoEnabled", "ResourceLoopEnabled", "TimeLineLoopEnabled",
    "Stream", "Preload", "Solo", "Enabled", "Immediate", "MutualExclusionEnabled", "Expand", "Infinite",
    "Random", "RandomInterval", "RandomRepeats", "DontKillChildren"};

const char* const kStrings[] = {"Master", "MasterEnable", "SyncSource", "SyncSlave", "SyncSourceMode",
    "MasterModeSyncDenominator", "MasterModeSyncSource", "MasterModeSyncSourceMode", "MasterModeSyncSlave",
    "MasterModeSyncSlaveMode", "SourceModeSyncDenominator", "SourceModeSyncSlave", "SourceModeSyncSource",
    "SourceModeSyncSlaveMode", "SourceModeSyncSourceMode", "SyncSlaveMode", "SyncDenominator", "Caption",
    "Name", "Parent", "SourceUrl", "Url", "EffectName", "VendorString", "ProductString", "ProgramName",
    "VstPluginName", "ParameterName", "ParameterLabel", "ParameterDisplay", "OutputBus",
    "OutputBusMixerChannel", "Parameter", "Argument", "InsertBus", "ControllerId", "ControllerTarget",
    "AutomationTarget", "AutomationController", "AutomationObject", "Override", "This",
    "CurrentSyncSource", "PendingSyncSource", "Follow", "Precede", "PlayInUnison", "RoundTrip", "Fade",
    "Stop", "Play", "Kill", "Start", "Cancel", "DoNothing", "DoNothingOnce", "Samples", "Beats",
    "Measures", "Markers", "Milliseconds", "Seconds", "LoopPoints", "UserDefined", "PlayerType",
    "ChildName", "Exemplar", "Resource", "ResourceName", "SampleResource", "MidiResource",
    "ArrangementResource", "SampleClip", "MidiClip", "ArrangementClip", "VstEffectPlugin",
    "VstInstrumentPlugin", "VstProgram", "Bus", "WaveMixer", "EditList", "Track", "TrackPlayer",
    "QueryDef", "Arrangement", "ArrangementPlayer", "Session", "SessionPlayer"};

const char* const kNamesOnly[] = {"AutomationPoints", "VstParameterList", "ProjectSettings",
    "MixerChannel", "SoundClip", "CurrentImportTags", "QueryStringList", "QueryStopStringList",
    "SoundList", "ParameterList", "ArgumentList", "AutomationObjectList", "InsertEffects", "Automation",
    "TagList", "Event", "Event Track", "Event Mixer", "New Arrangement", "AutomationClip",
    "AttackRelease", "Envelope", "MutualExclusion", "LoopBox", "MidiLoopBox", "Transform", "Mixer",
    "Repeater", "Randomizer", "RandomSelector", "Submix", "Submix Bus"};

template <size_t N>
void Add(const char* const (&names)[N], uint32_t type) {
  for (const char* name : names) {
    uint32_t id = NameId(name);
    Table()[id] = type;
    cUnhasher::Register(cString(name), id);
  }
}
}  // namespace

void cPropertyVocabulary::Build() {
  Table().clear();
  Add(kFloats, 4);
  Add(kIntegers, 2);
  Add(kBooleans, 1);
  Add(kStrings, 5);
  for (const char* name : kNamesOnly) cUnhasher::Register(cString(name));
}

bool cPropertyVocabulary::IsKnown(uint32_t id) { return Table().count(id) != 0; }
uint32_t cPropertyVocabulary::TypeOf(uint32_t id) {
  auto it = Table().find(id);
  return it == Table().end() ? 0 : it->second;
}
size_t cPropertyVocabulary::Size() { return Table().size(); }

}  // namespace Tarn
