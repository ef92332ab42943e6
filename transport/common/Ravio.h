// The Ravio_ family as Dorlink.dll exports it (fifteen functions at fixed ordinals).
//
// Calling convention: __stdcall (WINAPI) on 32-bit Windows, the platform's only convention on
// x86_64 and the default one elsewhere (native builds of the core and its tests). Dorlink.def
// exports every function under its undecorated name, so the "@n" stdcall suffix never appears
// in the export table; callers bind by ordinal through the dorlink_import library.
//
// Types: a slot is a signed 32-bit table index (-1 = no device); a pipe handle is an operating
// system file handle (HANDLE, i.e. void*) that the caller reads, writes and closes itself;
// INVALID_HANDLE_VALUE ((void*)-1) means no pipe. Boolean results are 0 on failure and the
// operating system's non-zero success value otherwise.
#pragma once
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define RAVIO_CALL __stdcall
#else
#define RAVIO_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Ordinal 1. First device of the interface class whose descriptor matches the fields selected
// by mask (see transport/common/SelectionMask.h); the release is compared on its low 8 bits.
int32_t RAVIO_CALL Ravio_Open_mask(int32_t mask, int32_t deviceClass, int32_t deviceSubClass,
                                   int32_t vendorId, int32_t productId, int32_t release);
// Ordinal 2. Ravio_Open_mask(0, 0, 0, 0, 0, 0).
int32_t RAVIO_CALL Ravio_Open(void);
// Ordinal 3. Any slot that is not open is ignored.
void RAVIO_CALL Ravio_Close(int32_t slot);
// Ordinal 4. Opens "<device path>\ifIIIpipePPP"; INVALID_HANDLE_VALUE when the slot is not open
// or the pipe cannot be opened.
void* RAVIO_CALL Ravio_OpenPipe(int32_t slot, int32_t interfaceNumber, int32_t pipeNumber);
// Ordinals 5 and 6. direction 0 = host to device, else device to host; recipient 0 device,
// 1 interface, 2 endpoint, 3 other (anything else fails at once); length's low 16 bits count.
int32_t RAVIO_CALL Ravio_ClassRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request,
                                      int32_t value, int32_t index, int32_t length, void* buffer);
int32_t RAVIO_CALL Ravio_VendorRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request,
                                       int32_t value, int32_t index, int32_t length, void* buffer);
// Ordinal 7. 0 open and answering, 1 not an open slot, 2 open but not answering.
int32_t RAVIO_CALL Ravio_Check(int32_t slot);
// Ordinal 8.
int32_t RAVIO_CALL Ravio_ResetPipe(void* pipe);
// Ordinal 9.
int32_t RAVIO_CALL Ravio_ResetDevice(int32_t slot);
// Ordinal 10. buffer: 18 bytes.
int32_t RAVIO_CALL Ravio_GetDeviceDescriptor(int32_t slot, void* buffer);
// Ordinal 11.
int32_t RAVIO_CALL Ravio_GetConfigurationDescriptor(int32_t slot, void* buffer, int32_t bufferSize);
// Ordinal 12. buffer: 2 bytes, the endpoint's USB status word.
int32_t RAVIO_CALL Ravio_GetStatusEndpoint(int32_t slot, uint16_t endpoint, void* buffer);
// Ordinal 13. Vendor request to the interface, request 0, value 0, index 0, host to device.
int32_t RAVIO_CALL Ravio_SendData(int32_t slot, int32_t length, const void* buffer);
// Ordinal 14. As Ravio_SendData, device to host; the byte count received is not reported.
int32_t RAVIO_CALL Ravio_ReceiveData(int32_t slot, int32_t length, void* buffer);
// Ordinal 15. The value's unit is the driver's business.
int32_t RAVIO_CALL Ravio_ReceiveTimeOut(int32_t slot, uint32_t timeout);

#ifdef __cplusplus
}
#endif
