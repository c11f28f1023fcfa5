// cEventParameter: one numeric parameter of an event; its patch gives the "Index" under which
// the event's value is stored. It reacts to no property.
#pragma once

#include "audio_engine/patch_holder.h"

namespace Tarn {

class cEventParameter : public cPatchHolder {
 public:
  int HandleParameterChange(uint32_t, const tVariant&, uint32_t) override { return 0; }
};

}  // namespace Tarn
