// The unit's transport of a Windows program: Dorlink's ordinal imports in a 32-bit program,
// Fenlink's named imports in a 64-bit one (never both: the two libraries share export names).
// The build compiles exactly one of DorlinkPort.cpp and FenlinkImports.cpp.
#pragma once

class UnitPort;

UnitPort& SystemUnitPort();
