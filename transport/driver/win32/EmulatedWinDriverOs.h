// The emulated kernel driver for a Windows variant of Dorlink.dll: as EmulatedDriverOs, but the
// pipe handles it hands out are real Windows handles, so a program reads, writes and closes
// them with ReadFile, WriteFile and CloseHandle as it would the real driver's pipes.
//
// Each opened pipe is a private message-mode named pipe; the program gets the client end, and a
// thread serves the other end until the program closes its handle:
//   - a host-to-device pipe: every WriteFile (zero bytes included) becomes one PipeWrite;
//   - a device-to-host pipe: every non-empty PipeRead becomes one message, which the program's
//     ReadFile receives whole. A message larger than that ReadFile's buffer fails it with
//     ERROR_MORE_DATA, so a device hands out transfers no larger than the host reads (the
//     unit's 256-byte blocks). PipeRead is polled about once a millisecond while idle.
// Device handles stay tokens of the emulation; only Dorlink's core ever sees them.
//
// The serving threads end when the program closes the pipe. A DLL built on this must not be
// unloaded while pipes are open (Tessmark loads Dorlink for its whole run).
#pragma once
#include <atomic>

#include "transport/driver/EmulatedDriverOs.h"

namespace transport {

class EmulatedWinDriverOs : public EmulatedDriverOs {
  public:
    OsHandle OpenPath(const std::string& path) override;

    // Pipes whose serving thread still runs.
    int ServedPipes() const { return served_.load(); }

  private:
    void Serve(void* server, OsHandle client, Opened opened);

    std::atomic<int> served_{0};
    uint64_t serials_ = 0;  // guarded by mutex_
};

}  // namespace transport
