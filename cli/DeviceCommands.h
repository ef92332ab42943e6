// The unit a device command talks to: the platform's transport, or the unit emulator in-process
// ("--unit emulator:DIR").
#pragma once
#include <memory>
#include <string>

class UnitPort;

class CliUnit {
  public:
    virtual ~CliUnit() = default;
    virtual UnitPort& Port() = 0;
};

// unitArg: "" for the platform's transport, "emulator:DIR" for the emulator keeping its file in
// DIR (faults from TESSMARK_UNIT_FAULT, as the emulated Dorlink reads them). Null and a reason
// for anything else.
std::unique_ptr<CliUnit> MakeCliUnit(const std::string& unitArg, std::string& problem);
