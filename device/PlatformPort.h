// The transport of the platform the program runs on: on Windows the unit's driver through
// Dorlink; elsewhere, until a native transport exists, a port whose open always fails.
#pragma once

class UnitPort;

UnitPort& PlatformUnitPort();
