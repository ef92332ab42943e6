// What the libusb port decides from descriptors alone: which device the selection mask picks,
// which endpoint a pipe number names, and which attached unit a user's choice names. Kept apart
// from the port so it can be checked without a device.
#pragma once
#include <cstdint>
#include <string>

struct libusb_config_descriptor;
struct libusb_device_descriptor;

// Whether the device is one the open call's selection picks: the selection mask's match shared
// with the Windows transports, the release compared as 16 bits (as Fenlink does).
bool MatchesSelection(const libusb_device_descriptor& device, uint32_t mask, uint32_t deviceClass,
                      uint32_t deviceSubClass, uint32_t vendorId, uint32_t productId, uint32_t release);

// Pipe n of an interface: the n-th (from 0) bulk or interrupt endpoint of its alternate
// setting 0, in descriptor order. The endpoint address, or -1 when there is none.
int PipeEndpoint(const libusb_config_descriptor& config, uint8_t interfaceNumber, uint8_t n);

// "BUS-PORT[.PORT...]" as Linux names a device's place ("1-4", "3-1.2").
std::string PortPathText(uint8_t bus, const uint8_t* ports, int count);

// The part after "usb:" of --unit: a place ("1-4.2") or a serial number. A place is a bus
// number, "-", and dot-separated port numbers.
bool LooksLikePortPath(const std::string& choice);
