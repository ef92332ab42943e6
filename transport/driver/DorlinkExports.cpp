// The fifteen exports of Dorlink.dll and its DllMain. Names and ordinals come from Dorlink.def.
#include "transport/driver/DorlinkExports.h"

#include <windows.h>

#include <new>

#include "transport/common/Ravio.h"
#include "transport/driver/DorlinkCore.h"

using transport::DorlinkCore;

namespace {

DorlinkCore* g_core = nullptr;

HANDLE ToHandle(transport::OsHandle h) { return reinterpret_cast<HANDLE>(h); }
transport::OsHandle FromHandle(void* h) { return reinterpret_cast<transport::OsHandle>(h); }

}  // namespace

static_assert(sizeof(transport::OsHandle) == sizeof(HANDLE));

extern "C" {

int32_t RAVIO_CALL Ravio_Open_mask(int32_t mask, int32_t deviceClass, int32_t deviceSubClass,
                                   int32_t vendorId, int32_t productId, int32_t release) {
    return g_core->OpenMask(mask, deviceClass, deviceSubClass, vendorId, productId, release);
}

int32_t RAVIO_CALL Ravio_Open(void) { return g_core->Open(); }

void RAVIO_CALL Ravio_Close(int32_t slot) { g_core->Close(slot); }

void* RAVIO_CALL Ravio_OpenPipe(int32_t slot, int32_t interfaceNumber, int32_t pipeNumber) {
    return ToHandle(g_core->OpenPipe(slot, interfaceNumber, pipeNumber));
}

int32_t RAVIO_CALL Ravio_ClassRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request,
                                      int32_t value, int32_t index, int32_t length, void* buffer) {
    return g_core->ClassRequest(slot, direction, recipient, request, value, index, length, buffer);
}

int32_t RAVIO_CALL Ravio_VendorRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request,
                                       int32_t value, int32_t index, int32_t length, void* buffer) {
    return g_core->VendorRequest(slot, direction, recipient, request, value, index, length, buffer);
}

int32_t RAVIO_CALL Ravio_Check(int32_t slot) { return g_core->Check(slot); }

int32_t RAVIO_CALL Ravio_ResetPipe(void* pipe) { return g_core->ResetPipe(FromHandle(pipe)); }

int32_t RAVIO_CALL Ravio_ResetDevice(int32_t slot) { return g_core->ResetDevice(slot); }

int32_t RAVIO_CALL Ravio_GetDeviceDescriptor(int32_t slot, void* buffer) {
    return g_core->GetDeviceDescriptor(slot, buffer);
}

int32_t RAVIO_CALL Ravio_GetConfigurationDescriptor(int32_t slot, void* buffer, int32_t bufferSize) {
    return g_core->GetConfigurationDescriptor(slot, buffer, bufferSize);
}

int32_t RAVIO_CALL Ravio_GetStatusEndpoint(int32_t slot, uint16_t endpoint, void* buffer) {
    return g_core->GetStatusEndpoint(slot, endpoint, buffer);
}

int32_t RAVIO_CALL Ravio_SendData(int32_t slot, int32_t length, const void* buffer) {
    return g_core->SendData(slot, length, buffer);
}

int32_t RAVIO_CALL Ravio_ReceiveData(int32_t slot, int32_t length, void* buffer) {
    return g_core->ReceiveData(slot, length, buffer);
}

int32_t RAVIO_CALL Ravio_ReceiveTimeOut(int32_t slot, uint32_t timeout) {
    return g_core->ReceiveTimeOut(slot, timeout);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // A fresh, empty table for this process.
            g_core = new (std::nothrow) DorlinkCore(DorlinkDriverOs());
            return g_core != nullptr;
        case DLL_PROCESS_DETACH:
            if (g_core != nullptr) {
                g_core->CloseAll();
                delete g_core;
                g_core = nullptr;
            }
            break;
        default:  // thread attach and detach: nothing to do
            break;
    }
    return TRUE;
}

}  // extern "C"
