// The eight exports of Fenlink.dll and its DllMain. Names and ordinals come from Fenlink.def.
#include "transport/winusb/FenlinkExports.h"

#include <windows.h>

#include <new>

#include "transport/common/RavioFenlink.h"
#include "transport/winusb/FenlinkCore.h"

namespace {

transport::FenlinkCore* g_core = nullptr;

// Every export fails while the record array is not set up.
transport::FenlinkCore* Core() { return g_core != nullptr && g_core->IsSetUp() ? g_core : nullptr; }

}  // namespace

extern "C" {

RavioDevice Ravio_Open(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                       int32_t productId, int32_t release) {
    auto* core = Core();
    return core ? core->Open(mask, deviceClass, deviceSubClass, vendorId, productId, release) : nullptr;
}

void Ravio_Close(RavioDevice device) {
    if (auto* core = Core()) core->Close(device);
}

int32_t Ravio_Check(RavioDevice device) {
    auto* core = Core();
    return core ? core->Check(device) : 1;
}

int32_t Ravio_SendData(RavioDevice device, uint16_t length, const void* buffer) {
    auto* core = Core();
    return core ? core->SendData(device, length, buffer) : 0;
}

int32_t Ravio_ReceiveData(RavioDevice device, uint16_t length, void* buffer) {
    auto* core = Core();
    return core ? core->ReceiveData(device, length, buffer) : 0;
}

int32_t Ravio_GetPipeEndpoint(RavioDevice device, uint8_t interfaceNumber, uint8_t n, uint8_t* endpoint) {
    auto* core = Core();
    return core ? core->GetPipeEndpoint(device, interfaceNumber, n, endpoint) : 0;
}

int32_t Ravio_BulkWrite(RavioDevice device, uint8_t endpoint, const void* buffer, uint32_t length,
                        uint32_t* count) {
    auto* core = Core();
    return core ? core->BulkWrite(device, endpoint, buffer, length, count) : 0;
}

int32_t Ravio_BulkRead(RavioDevice device, uint8_t endpoint, void* buffer, uint32_t length, uint32_t* count) {
    auto* core = Core();
    return core ? core->BulkRead(device, endpoint, buffer, length, count) : 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            if (g_core == nullptr) g_core = new (std::nothrow) transport::FenlinkCore(FenlinkWinUsbApi());
            if (g_core == nullptr) return FALSE;
            g_core->Setup();
            break;
        case DLL_PROCESS_DETACH:
            if (g_core != nullptr) g_core->Teardown();  // frees WinUSB handles, closes files
            break;
        default:
            break;
    }
    return TRUE;
}

}  // extern "C"
