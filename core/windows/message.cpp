// TMessage's class identity.
#include "core/windows/message.h"

const void* TMessage::ClassId() { return reinterpret_cast<const void*>(&TMessage::ClassId); }
