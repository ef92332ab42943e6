// The platform's transport in 64-bit Windows programs: the link's port over Fenlink.dll, whose
// eight exports they import by name.
#include "device/FenlinkPort.h"
#include "device/win32/SystemPort.h"
#include "transport/common/RavioFenlink.h"

UnitPort& SystemUnitPort() {
    static const FenlinkCalls calls{Ravio_Open,      Ravio_Close,       Ravio_Check,
                                    Ravio_SendData,  Ravio_ReceiveData, Ravio_GetPipeEndpoint,
                                    Ravio_BulkWrite, Ravio_BulkRead};
    static FenlinkPort port(calls);
    return port;
}
