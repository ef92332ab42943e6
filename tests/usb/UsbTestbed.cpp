#include "tests/usb/UsbTestbed.h"

#include <errno.h>
#include <linux/ioctl.h>
// <linux/ioctl.h> first: the usbdevfs header needs it in C++.
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <umockdev.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {
constexpr uint8_t kEndpointIn = 0x81;   // pipe 0: unit to host
constexpr uint8_t kEndpointOut = 0x02;  // pipe 1: host to unit

std::string HexUpper(const std::vector<uint8_t>& bytes) {
    std::string text;
    char buf[3];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", unsigned(b));
        text += buf;
    }
    return text;
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<UsbUnitDevice*>(self)->HandleIoctl(client) ? TRUE : FALSE;
}

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) { return reinterpret_cast<usbdevfs_urb*>(data->data); }
}  // namespace

// --- the bed ---

UsbTestbed::UsbTestbed() {
    bed_ = umockdev_testbed_new();
    if (!bed_) throw std::runtime_error("umockdev_testbed_new failed");
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    root_ = root;
    g_free(root);
}

UsbTestbed::~UsbTestbed() {
    // The handlers go with the bed; the devices' URBs with the devices.
    g_clear_object(&bed_);
    units_.clear();
}

UsbUnitDevice& UsbTestbed::Add(const UsbUnitSetup& setup, const std::string& unitFolder) {
    const uint8_t address = uint8_t(units_.size() + 2);
    units_.push_back(std::make_unique<UsbUnitDevice>(setup, unitFolder, address));
    UsbUnitDevice& unit = *units_.back();
    // The handler is attached before the device exists, so its first open already reaches it.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed_, unit.NodePath().c_str(), unit.Handler(), &error)) {
        std::string what = error ? error->message : "attach_ioctl failed";
        g_clear_error(&error);
        throw std::runtime_error(what);
    }
    if (!umockdev_testbed_add_from_string(bed_, unit.Record().c_str(), &error)) {
        std::string what = error ? error->message : "add_from_string failed";
        g_clear_error(&error);
        throw std::runtime_error(what);
    }
    if (setup.Usb.NoAccess) chmod((root_ + unit.NodePath()).c_str(), 0600);
    return unit;
}

std::vector<std::string> UsbTestbed::ChildEnvironment() const {
    return {"LD_PRELOAD=libumockdev-preload.so.0", "UMOCKDEV_DIR=" + root_};
}

std::vector<std::string> UsbTestbed::UnknownRequests() const {
    std::vector<std::string> all;
    for (const auto& u : units_)
        for (const auto& r : u->UnknownRequests()) all.push_back(u->NodePath() + ": " + r);
    return all;
}

// --- one unit ---

UsbUnitDevice::UsbUnitDevice(const UsbUnitSetup& setup, const std::string& folder, uint8_t address)
    : spec_(setup), unit_(folder, setup.Unit), address_(address) {
    unit_.Faults().ProductId = setup.ProductId;
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
}

UsbUnitDevice::~UsbUnitDevice() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& u : pending_) Release(u);
    for (auto& u : finished_) Release(u);
    g_clear_object(&handler_);
}

std::string UsbUnitDevice::NodePath() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "/dev/bus/usb/001/%03u", unsigned(address_));
    return buf;
}

std::vector<uint8_t> UsbUnitDevice::DeviceDescriptor() const {
    return {18,
            1,
            0x00,
            0x02,
            0x00,
            0x00,
            0x00,
            64,
            0x79,
            0x10,
            uint8_t(spec_.ProductId & 0xFF),
            uint8_t(spec_.ProductId >> 8),
            0x00,
            0x01,
            1,
            2,
            uint8_t(spec_.Serial.empty() ? 0 : 3),
            1};
}

// One configuration, interface 0 of vendor class with a bulk IN and a bulk OUT endpoint.
std::vector<uint8_t> UsbUnitDevice::ConfigDescriptor() const {
    return {9, 2,    32,
            0, 1,    1,
            0, 0x80, 50,  // configuration
            9, 4,    0,
            0, 2,    0xFF,
            0, 0,    0,  // interface 0
            7, 5,    kEndpointIn,
            2, 64,   0,
            0,  // bulk IN
            7, 5,    kEndpointOut,
            2, 64,   0,
            0};  // bulk OUT
}

std::vector<uint8_t> UsbUnitDevice::Descriptors() const {
    std::vector<uint8_t> all = DeviceDescriptor();
    std::vector<uint8_t> config = ConfigDescriptor();
    all.insert(all.end(), config.begin(), config.end());
    return all;
}

std::string UsbUnitDevice::Record() const {
    char dev[8], product[8];
    std::snprintf(dev, sizeof dev, "%03u", unsigned(address_));
    std::snprintf(product, sizeof product, "%04x", unsigned(spec_.ProductId));
    const std::string hex = HexUpper(Descriptors());
    const std::string port = std::to_string(spec_.Port);
    std::string r;
    r += "P: /devices/usb1/1-" + port + "\n";
    r += "N: bus/usb/001/" + std::string(dev) + "=" + hex + "\n";
    r += "E: SUBSYSTEM=usb\n";
    r += "E: DEVNAME=/dev/bus/usb/001/" + std::string(dev) + "\n";
    r += "E: DEVTYPE=usb_device\n";
    r += "E: DRIVER=usb\n";
    r += "E: BUSNUM=001\n";
    r += "E: DEVNUM=" + std::string(dev) + "\n";
    r += "A: busnum=1\\n\n";
    r += "A: devnum=" + std::to_string(address_) + "\\n\n";
    r += "A: speed=12\\n\n";
    r += "A: bConfigurationValue=1\\n\n";
    r += "A: idVendor=1079\\n\n";
    r += "A: idProduct=" + std::string(product) + "\\n\n";
    r += "H: descriptors=" + hex + "\n";
    return r;
}

uint32_t UsbUnitDevice::VendorRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return vendorRequests_;
}
uint32_t UsbUnitDevice::BulkTransfers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bulkTransfers_;
}
uint32_t UsbUnitDevice::Discards() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return discards_;
}
std::vector<std::string> UsbUnitDevice::UnknownRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unknown_;
}

void UsbUnitDevice::Release(Urb& urb) {
    if (urb.Buffer) umockdev_ioctl_data_unref(urb.Buffer);
    if (urb.Data) umockdev_ioctl_data_unref(urb.Data);
    urb.Buffer = urb.Data = nullptr;
}

void UsbUnitDevice::Finish(Urb& urb, int status, int actual) {
    usbdevfs_urb* u = UrbOf(urb.Data);
    u->status = status;
    u->actual_length = actual;
    finished_.push_back(urb);
}

void UsbUnitDevice::ServeControl(Urb& urb) {
    uint8_t* buf = urb.Buffer->data;
    const int length = urb.Buffer->data_len;
    if (length < 8) return Finish(urb, -EINVAL, 0);
    const uint8_t type = buf[0], request = buf[1];
    const uint16_t value = uint16_t(buf[2] | (buf[3] << 8));
    const uint16_t wLength = uint16_t(buf[6] | (buf[7] << 8));
    uint8_t* data = buf + 8;
    const int room = std::min<int>(wLength, length - 8);
    auto answer = [&](const std::vector<uint8_t>& bytes) {
        const int n = std::min<int>(room, int(bytes.size()));
        std::memcpy(data, bytes.data(), size_t(n));
        Finish(urb, 0, n);
    };
    if (type == 0x80 && request == 6) {  // GET_DESCRIPTOR
        const uint8_t kind = uint8_t(value >> 8), index = uint8_t(value & 0xFF);
        if (kind == 1) return answer(DeviceDescriptor());
        if (kind == 2) return answer(ConfigDescriptor());
        if (kind == 3 && index == 0) return answer({4, 3, 0x09, 0x04});
        if (kind == 3 && index == 3 && !spec_.Serial.empty()) {
            std::vector<uint8_t> s = {uint8_t(2 + 2 * spec_.Serial.size()), 3};
            for (char c : spec_.Serial) s.insert(s.end(), {uint8_t(c), 0});
            return answer(s);
        }
        return Finish(urb, -EPIPE, 0);
    }
    if (type == 0x41 && request == 0) {
        ++vendorRequests_;
        if (!unit_.ControlOut(data, uint32_t(room))) return Finish(urb, -EPIPE, 0);
        return Finish(urb, 0, room);
    }
    if (type == 0xC1 && request == 0) {
        ++vendorRequests_;
        if (spec_.Usb.AcksOnly) {
            std::memset(data, 0, size_t(room));
            if (room > 0) data[0] = 0x06;
            return Finish(urb, 0, spec_.Usb.ShortReplies ? std::min(room, 1) : room);
        }
        if (!unit_.ControlIn(data, uint32_t(room))) return Finish(urb, -EPIPE, 0);
        int actual = room;
        if (spec_.Usb.ShortReplies) {
            actual = int(strnlen(reinterpret_cast<const char*>(data), size_t(room)));
            if (actual == 0 && room > 0) actual = 1;
        }
        return Finish(urb, 0, actual);
    }
    unknown_.push_back("control request " + std::to_string(type) + "/" + std::to_string(request));
    Finish(urb, -EPIPE, 0);
}

bool UsbUnitDevice::TryBulkIn(Urb& urb) {
    uint32_t done = 0;
    if (!unit_.BulkIn(urb.Buffer->data, uint32_t(urb.Buffer->data_len), done)) {
        Finish(urb, -EPIPE, 0);
        return true;
    }
    if (done == 0 && urb.Buffer->data_len > 0) return false;
    Finish(urb, 0, int(done));
    return true;
}

bool UsbUnitDevice::HandleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard<std::mutex> lock(mutex_);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    auto complete = [&](long result, int error) {
        umockdev_ioctl_client_complete(client, result, error);
        return true;
    };
    if (gone_ && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_DISCARDURB)
        return complete(-1, ENODEV);

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            uint32_t caps = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                            USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            std::memcpy(d->data, &caps, sizeof caps);
            umockdev_ioctl_data_unref(d);
            return complete(0, 0);
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (spec_.Usb.InterfaceBusy) return complete(-1, EBUSY);
            if (!claimed_) {
                if (!unit_.Open()) return complete(-1, EIO);
                claimed_ = true;
            }
            return complete(0, 0);
        case USBDEVFS_RELEASEINTERFACE:
            if (claimed_) {
                unit_.Close();
                claimed_ = false;
            }
            return complete(0, 0);
        case USBDEVFS_GETDRIVER:
            return complete(-1, ENODATA);
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_RESET:
            return complete(0, 0);
        case USBDEVFS_SUBMITURB: {
            Urb urb;
            urb.Data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
            if (!urb.Data) return complete(-1, EFAULT);
            usbdevfs_urb* u = UrbOf(urb.Data);
            urb.Buffer = umockdev_ioctl_data_resolve(urb.Data, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                                     size_t(u->buffer_length), nullptr);
            urb.ClientAddress = urb.Data->client_addr;
            urb.Type = u->type;
            urb.Endpoint = u->endpoint;
            if (!urb.Buffer) {
                Release(urb);
                return complete(-1, EFAULT);
            }
            if (urb.Type == USBDEVFS_URB_TYPE_CONTROL) {
                ServeControl(urb);
                return complete(0, 0);
            }
            if (urb.Type != USBDEVFS_URB_TYPE_BULK ||
                (urb.Endpoint != kEndpointIn && urb.Endpoint != kEndpointOut)) {
                unknown_.push_back("URB type " + std::to_string(urb.Type) + " endpoint " +
                                   std::to_string(urb.Endpoint));
                Release(urb);
                return complete(-1, EINVAL);
            }
            ++bulkTransfers_;
            if (spec_.Usb.UnplugAfterBulk && bulkTransfers_ > spec_.Usb.UnplugAfterBulk) {
                gone_ = true;
                Release(urb);
                return complete(-1, ENODEV);
            }
            if (spec_.Usb.HangBulk) {
                pending_.push_back(urb);
                return complete(0, 0);
            }
            if (urb.Endpoint == kEndpointOut) {
                if (unit_.BulkOut(urb.Buffer->data, uint32_t(urb.Buffer->data_len)))
                    Finish(urb, 0, urb.Buffer->data_len);
                else
                    Finish(urb, -EPIPE, 0);
            } else if (!TryBulkIn(urb)) {
                pending_.push_back(urb);
            }
            return complete(0, 0);
        }
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY: {
            if (finished_.empty() && !spec_.Usb.HangBulk) {
                // A bulk IN waiting for data may have it now.
                for (auto it = pending_.begin(); it != pending_.end(); ++it) {
                    if (it->Endpoint == kEndpointIn && TryBulkIn(*it)) {
                        pending_.erase(it);
                        break;
                    }
                }
            }
            if (finished_.empty()) return complete(-1, gone_ ? ENODEV : EAGAIN);
            Urb urb = finished_.front();
            finished_.pop_front();
            UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
            umockdev_ioctl_data_set_ptr(out, 0, urb.Data);
            umockdev_ioctl_data_unref(out);
            complete(0, 0);
            Release(urb);
            return true;
        }
        case USBDEVFS_DISCARDURB: {
            // The argument is the URB's address itself.
            unsigned long address = 0;
            std::memcpy(&address, arg->data, std::min<size_t>(sizeof address, size_t(arg->data_len)));
            for (auto it = pending_.begin(); it != pending_.end(); ++it) {
                if (it->ClientAddress != address) continue;
                ++discards_;
                Urb urb = *it;
                pending_.erase(it);
                Finish(urb, -ENOENT, 0);
                return complete(0, 0);
            }
            return complete(-1, EINVAL);
        }
        default: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "ioctl 0x%lx", request);
            unknown_.push_back(buf);
            return complete(-1, ENOTTY);
        }
    }
}
