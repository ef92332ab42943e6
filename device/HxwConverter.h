// The program's single engine object: conversions, checksums and device operations, and the
// state they share. Callers (the window, the command line, tests) see this one object.
#pragma once
#include "convert/ConversionOps.h"
#include "device/DeviceOps.h"

class HxwConverter : public ConversionOps, public DeviceOps {};
