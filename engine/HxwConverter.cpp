#include "engine/HxwConverter.h"

HxwConverter::HxwConverter() = default;
HxwConverter::~HxwConverter() = default;
