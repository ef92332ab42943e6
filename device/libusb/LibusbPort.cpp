#include "device/libusb/LibusbPort.h"

#include <libusb.h>

#include <algorithm>
#include <cstring>

#include "device/libusb/UsbSelection.h"

namespace {
// The link's control data: vendor requests to the interface, request 0, value 0, index 0.
constexpr uint8_t kControlOut = 0x41;
constexpr uint8_t kControlIn = 0xC1;

// The unit's identity, for listing.
constexpr uint16_t kVendor = 0x1079;
constexpr uint16_t kProducts[] = {0x0002, 0x0100};

size_t EndpointIndex(uint8_t endpoint) { return (endpoint & 0x0F) | ((endpoint & 0x80) ? 16u : 0u); }

std::string PlaceOf(libusb_device* device) {
    uint8_t ports[8];
    int n = libusb_get_port_numbers(device, ports, int(sizeof ports));
    return PortPathText(libusb_get_bus_number(device), ports, n > 0 ? n : 0);
}

std::string SerialOf(libusb_device_handle* handle, const libusb_device_descriptor& d, uint32_t timeoutMs) {
    if (!d.iSerialNumber) return {};
    // libusb_get_string_descriptor_ascii has no time-out of its own argument; read it raw.
    unsigned char langs[4] = {};
    int n = libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                    uint16_t(LIBUSB_DT_STRING << 8), 0, langs, sizeof langs, timeoutMs);
    if (n < 4) return {};
    const uint16_t lang = uint16_t(langs[2] | (langs[3] << 8));
    unsigned char raw[256] = {};
    n = libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                uint16_t((LIBUSB_DT_STRING << 8) | d.iSerialNumber), lang, raw, sizeof raw,
                                timeoutMs);
    if (n < 2 || raw[1] != LIBUSB_DT_STRING) return {};
    const int length = raw[0] < n ? raw[0] : n;
    std::string text;
    for (int i = 2; i + 1 < length; i += 2) {
        const uint16_t c = uint16_t(raw[i] | (raw[i + 1] << 8));
        text += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    }
    return text;
}
}  // namespace

std::string LibusbErrorText(int error) {
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            return "permission denied";
        case LIBUSB_ERROR_BUSY:
            return "the unit's interface is in use by another program";
        case LIBUSB_ERROR_NO_DEVICE:
            return "the unit is no longer attached";
        case LIBUSB_ERROR_TIMEOUT:
            return "the unit did not answer in time";
        case LIBUSB_ERROR_PIPE:
            return "the unit refused the transfer (endpoint stalled)";
        case LIBUSB_ERROR_OVERFLOW:
            return "the unit sent more than was asked";
        default:
            return libusb_strerror(error);
    }
}

LibusbPort::LibusbPort() = default;

LibusbPort::~LibusbPort() {
    for (DeviceHandle i = 0; i < kMaxOpen; ++i) Close(i);
    if (context_) libusb_exit(context_);
}

bool LibusbPort::Start() {
    if (!started_) {
        started_ = true;
        startError_ = libusb_init(&context_);
        if (startError_ != 0) context_ = nullptr;
    }
    return context_ != nullptr;
}

std::string LibusbPort::StartProblem() {
    if (Start()) return {};
    return std::string("libusb could not start (") + libusb_strerror(startError_) +
           "): this system offers no USB device access";
}

LibusbPort::Slot* LibusbPort::Open(DeviceHandle device) {
    if (device < 0 || device >= kMaxOpen || !slots_[size_t(device)].Handle) return nullptr;
    return &slots_[size_t(device)];
}

bool LibusbPort::ChoiceFits(libusb_device* device, libusb_device_handle* handle) const {
    if (choice_.empty()) return true;
    if (LooksLikePortPath(choice_)) return PlaceOf(device) == choice_;
    libusb_device_descriptor d;
    if (!handle || libusb_get_device_descriptor(device, &d) != 0) return false;
    return SerialOf(handle, d, transferMs_) == choice_;
}

bool LibusbPort::Claim(Slot& s, uint8_t interfaceNumber) {
    if (interfaceNumber >= 32) return false;
    const uint32_t bit = 1u << interfaceNumber;
    if (s.Claimed & bit) return true;
    // A kernel driver bound to the interface would keep it from us.
    if (libusb_kernel_driver_active(s.Handle, interfaceNumber) == 1 &&
        libusb_detach_kernel_driver(s.Handle, interfaceNumber) == 0) {
        s.Detached |= bit;
    }
    int r = libusb_claim_interface(s.Handle, interfaceNumber);
    if (r != 0) {
        lastError_ = r;
        if (s.Detached & bit) libusb_attach_kernel_driver(s.Handle, interfaceNumber);
        s.Detached &= ~bit;
        return false;
    }
    s.Claimed |= bit;
    return true;
}

DeviceHandle LibusbPort::OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass,
                                  uint32_t vendorId, uint32_t productId, uint32_t release) {
    if (!Start()) return kNoDevice;
    DeviceHandle free = kNoDevice;
    for (DeviceHandle i = 0; i < kMaxOpen && free == kNoDevice; ++i)
        if (!slots_[size_t(i)].Handle) free = i;
    if (free == kNoDevice) return kNoDevice;

    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) return kNoDevice;
    DeviceHandle result = kNoDevice;
    for (ssize_t i = 0; i < count && result == kNoDevice; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor d;
        if (libusb_get_device_descriptor(device, &d) != 0) continue;
        if (!MatchesSelection(d, mask, deviceClass, deviceSubClass, vendorId, productId, release))
            continue;
        // A device this process holds already is skipped, as the interface could not be claimed twice.
        bool held = false;
        for (const Slot& s : slots_) held = held || s.Device == device;
        if (held) continue;
        if (!choice_.empty() && LooksLikePortPath(choice_) && !ChoiceFits(device, nullptr)) continue;
        libusb_device_handle* handle = nullptr;
        if (int r = libusb_open(device, &handle); r != 0) {
            lastError_ = r;
            continue;
        }
        if (!ChoiceFits(device, handle)) {
            libusb_close(handle);
            continue;
        }
        Slot& s = slots_[size_t(free)];
        s = Slot{};
        s.Handle = handle;
        s.Device = libusb_ref_device(device);
        if (!Claim(s, 0)) {
            libusb_close(handle);
            libusb_unref_device(s.Device);
            s = Slot{};
            continue;
        }
        lastError_ = 0;
        result = free;
    }
    libusb_free_device_list(list, 1);
    return result;
}

void LibusbPort::Close(DeviceHandle device) {
    Slot* s = Open(device);
    if (!s) return;
    for (uint8_t i = 0; i < 32; ++i) {
        const uint32_t bit = 1u << i;
        if (s->Claimed & bit) libusb_release_interface(s->Handle, i);
        if (s->Detached & bit) libusb_attach_kernel_driver(s->Handle, i);
    }
    libusb_close(s->Handle);
    libusb_unref_device(s->Device);
    *s = Slot{};
}

PipeHandle LibusbPort::OpenPipe(DeviceHandle device, uint32_t interfaceNumber, uint32_t pipeNumber) {
    Slot* s = Open(device);
    if (!s) return kNoPipe;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(s->Device, &config) != 0) return kNoPipe;
    const int endpoint = PipeEndpoint(*config, uint8_t(interfaceNumber), uint8_t(pipeNumber));
    uint8_t type = 0;
    if (endpoint >= 0) {
        // The walk found it among alternate setting 0's bulk and interrupt endpoints.
        for (int i = 0; i < config->bNumInterfaces; ++i)
            for (int a = 0; a < config->interface[i].num_altsetting; ++a) {
                const libusb_interface_descriptor& alt = config->interface[i].altsetting[a];
                if (alt.bInterfaceNumber != uint8_t(interfaceNumber) || alt.bAlternateSetting != 0) continue;
                for (int e = 0; e < alt.bNumEndpoints; ++e)
                    if (alt.endpoint[e].bEndpointAddress == endpoint)
                        type = alt.endpoint[e].bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
            }
    }
    libusb_free_config_descriptor(config);
    if (endpoint < 0 || !Claim(*s, uint8_t(interfaceNumber))) return kNoPipe;
    s->EndpointType[EndpointIndex(uint8_t(endpoint))] = type;
    s->OpenedPipes |= 1u << EndpointIndex(uint8_t(endpoint));
    return PipeHandle(endpoint);
}

int32_t LibusbPort::Check(DeviceHandle device) {
    Slot* s = Open(device);
    if (!s) return 1;
    // A real request to the device: a cached descriptor would not notice a unit gone silent.
    unsigned char descriptor[LIBUSB_DT_DEVICE_SIZE];
    int r = libusb_control_transfer(s->Handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                    uint16_t(LIBUSB_DT_DEVICE << 8), 0, descriptor, sizeof descriptor,
                                    transferMs_);
    if (r == int(sizeof descriptor) && descriptor[1] == LIBUSB_DT_DEVICE) return 0;
    if (r < 0) lastError_ = r;
    return 2;
}

int32_t LibusbPort::SendData(DeviceHandle device, uint32_t length, const uint8_t* buffer) {
    Slot* s = Open(device);
    if (!s || length > 0xFFFF) return 0;
    int r = libusb_control_transfer(s->Handle, kControlOut, 0, 0, 0, const_cast<uint8_t*>(buffer),
                                    uint16_t(length), transferMs_);
    if (r < 0) lastError_ = r;
    // A command counts as sent only when all of it went.
    return r == int(length) ? 1 : 0;
}

int32_t LibusbPort::ReceiveData(DeviceHandle device, uint32_t length, uint8_t* buffer) {
    Slot* s = Open(device);
    if (!s || length > 0xFFFF) return 0;
    // A shorter answer is the text it carries: what did not arrive reads as zero bytes.
    std::memset(buffer, 0, length);
    int r = libusb_control_transfer(s->Handle, kControlIn, 0, 0, 0, buffer, uint16_t(length), transferMs_);
    if (r < 0) {
        lastError_ = r;
        return 0;
    }
    return 1;
}

bool LibusbPort::Transfer(DeviceHandle device, PipeHandle pipe, uint8_t direction, uint8_t* data,
                          uint32_t count, uint32_t& done) {
    done = 0;
    if (pipe < 0 || pipe > 0xFF) return false;
    Slot* s = Open(device);
    const uint8_t endpoint = uint8_t(pipe);
    if (!s || !(s->OpenedPipes & (1u << EndpointIndex(endpoint))) ||
        (endpoint & LIBUSB_ENDPOINT_DIR_MASK) != direction || count > 0x7FFFFFFF)
        return false;
    int moved = 0;
    int r;
    if (s->EndpointType[EndpointIndex(endpoint)] == LIBUSB_TRANSFER_TYPE_INTERRUPT)
        r = libusb_interrupt_transfer(s->Handle, endpoint, data, int(count), &moved, transferMs_);
    else
        r = libusb_bulk_transfer(s->Handle, endpoint, data, int(count), &moved, transferMs_);
    done = moved > 0 ? uint32_t(moved) : 0;
    if (r != 0) lastError_ = r;
    return r == 0;
}

bool LibusbPort::WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                           uint32_t& done) {
    return Transfer(device, pipe, LIBUSB_ENDPOINT_OUT, const_cast<uint8_t*>(data), count, done);
}

bool LibusbPort::ReadPipe(DeviceHandle device, PipeHandle pipe, uint8_t* buffer, uint32_t count,
                          uint32_t& done) {
    return Transfer(device, pipe, LIBUSB_ENDPOINT_IN, buffer, count, done);
}

// Pipes belong to their slot here; closing the slot ends them.
void LibusbPort::ClosePipe(DeviceHandle, PipeHandle) {}

std::vector<UsbUnitEntry> LibusbPort::ListUnits() {
    std::vector<UsbUnitEntry> units;
    if (!Start()) return units;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) return units;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor d;
        if (libusb_get_device_descriptor(list[i], &d) != 0 || d.idVendor != kVendor) continue;
        if (d.idProduct != kProducts[0] && d.idProduct != kProducts[1]) continue;
        UsbUnitEntry e;
        e.Bus = libusb_get_bus_number(list[i]);
        e.Place = PlaceOf(list[i]);
        e.ProductId = d.idProduct;
        libusb_device_handle* handle = nullptr;
        e.OpenError = libusb_open(list[i], &handle);
        if (e.OpenError == 0) {
            e.Serial = SerialOf(handle, d, transferMs_);
            libusb_close(handle);
        }
        units.push_back(e);
    }
    libusb_free_device_list(list, 1);
    // Listed by place, so the same units always read the same.
    std::stable_sort(units.begin(), units.end(), [](const UsbUnitEntry& a, const UsbUnitEntry& b) {
        return a.Bus != b.Bus                     ? a.Bus < b.Bus
               : a.Place.size() != b.Place.size() ? a.Place.size() < b.Place.size()
                                                  : a.Place < b.Place;
    });
    return units;
}
