// The Ravio_ family as Fenlink.dll (64-bit, WinUSB) exports it: eight functions at ordinals 1-8.
// Kept apart from Ravio.h because Ravio_Open has another signature here.
//
// The handle is the address of the library's record for one open device; null means none.
// Results are 0 on failure and non-zero (the system's success value, or 1 where stated) on
// success. There is one calling convention on x86_64, so no decoration question arises.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* RavioDevice;

// Ordinal 1. The selection arguments as Dorlink's Ravio_Open_mask; the release is compared on
// 16 bits. Devices already open in this process are skipped.
RavioDevice Ravio_Open(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                       int32_t productId, int32_t release);
// Ordinal 2. An invalid handle is ignored.
void Ravio_Close(RavioDevice device);
// Ordinal 3. 0 open and answering, 1 not an open device, 2 open but not answering.
int32_t Ravio_Check(RavioDevice device);
// Ordinal 4. 1 when all length bytes were sent (vendor request 0x41 to the interface).
int32_t Ravio_SendData(RavioDevice device, uint16_t length, const void* buffer);
// Ordinal 5. 1 when exactly length bytes were received (vendor request 0xC1).
int32_t Ravio_ReceiveData(RavioDevice device, uint16_t length, void* buffer);
// Ordinal 6. Endpoint address of the n-th (from 0) usable pipe of the interface.
int32_t Ravio_GetPipeEndpoint(RavioDevice device, uint8_t interfaceNumber, uint8_t n, uint8_t* endpoint);
// Ordinals 7 and 8. One blocking transfer on the endpoint; count receives the bytes moved.
int32_t Ravio_BulkWrite(RavioDevice device, uint8_t endpoint, const void* buffer, uint32_t length,
                        uint32_t* count);
int32_t Ravio_BulkRead(RavioDevice device, uint8_t endpoint, void* buffer, uint32_t length, uint32_t* count);

#ifdef __cplusplus
}
#endif
