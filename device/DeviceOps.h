// The link to the unit and the four device operations (filled in with the device layer).
#pragma once
#include "convert/EngineState.h"

class DeviceOps : public virtual EngineState {};
