#include "transport/driver/win32/EmulatedWinDriverOs.h"

#include <windows.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace transport {

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
constexpr std::size_t kReadChunk = 4096;

}  // namespace

OsHandle EmulatedWinDriverOs::OpenPath(const std::string& path) {
    Opened opened{};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        Attached* target = nullptr;
        bool isPipe = false;
        uint8_t interfaceNumber = 0, pipeNumber = 0;
        if (!ResolvePath(path, target, isPipe, interfaceNumber, pipeNumber) || !isPipe) {
            // Device objects (and paths naming nothing) are handled as in process.
            target = nullptr;
        } else {
            LogOpen(path);
            if (target->options.refuseOpen) return kInvalidHandle;
            opened = {target->device,
                      true,
                      interfaceNumber,
                      pipeNumber,
                      target->device->Pipe(interfaceNumber, pipeNumber),
                      ++serials_};
            if (opened.direction == PipeDirection::None) return kInvalidHandle;
        }
        if (target == nullptr) opened.device = nullptr;
    }
    if (opened.device == nullptr) return EmulatedDriverOs::OpenPath(path);

    static std::atomic<unsigned long> counter{0};
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\dorlink-emulated-%lu-%lu", GetCurrentProcessId(),
                  ++counter);
    HANDLE server =
        CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                         kPipeBuffer, kPipeBuffer, 0, nullptr);
    if (server == INVALID_HANDLE_VALUE) return kInvalidHandle;
    HANDLE client = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (client == INVALID_HANDLE_VALUE) {
        ::CloseHandle(server);
        return kInvalidHandle;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(client, &mode, nullptr, nullptr);

    const OsHandle handle = reinterpret_cast<OsHandle>(client);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        RegisterHandle(handle, opened);
    }
    ++served_;
    std::thread([this, server, handle, opened] { Serve(server, handle, opened); }).detach();
    return handle;
}

void EmulatedWinDriverOs::Serve(void* serverHandle, OsHandle client, Opened opened) {
    HANDLE server = static_cast<HANDLE>(serverHandle);
    // Runs a device call unless the program's handle is gone (or the device was detached).
    auto withDevice = [&](auto&& call) {
        std::lock_guard<std::mutex> guard(mutex_);
        Opened current{};
        if (!FindHandle(client, current) || current.serial != opened.serial) return false;
        return static_cast<bool>(call(*current.device));
    };

    std::vector<uint8_t> buffer(opened.direction == PipeDirection::Out ? kPipeBuffer : kReadChunk);
    if (opened.direction == PipeDirection::Out) {
        std::vector<uint8_t> message;
        for (;;) {
            DWORD n = 0;
            const BOOL ok = ReadFile(server, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr);
            if (!ok && GetLastError() == ERROR_MORE_DATA) {
                message.insert(message.end(), buffer.begin(), buffer.begin() + n);
                continue;  // the rest of the same message follows
            }
            if (!ok) break;  // the program closed its end
            message.insert(message.end(), buffer.begin(), buffer.begin() + n);
            const bool written = withDevice([&](EmulatedDevice& d) {
                return d.PipeWrite(opened.interfaceNumber, opened.pipeNumber, message.data(), message.size());
            });
            message.clear();
            // A transfer the device failed breaks the pipe, as a stalled endpoint would: the
            // program's next write fails instead of going nowhere.
            if (!written) break;
        }
    } else {
        for (;;) {
            std::size_t got = 0;
            if (!withDevice([&](EmulatedDevice& d) {
                    return d.PipeRead(opened.interfaceNumber, opened.pipeNumber, buffer.data(), buffer.size(),
                                      got);
                }))
                break;
            if (got > 0) {
                DWORD written = 0;
                if (!WriteFile(server, buffer.data(), static_cast<DWORD>(got), &written, nullptr)) break;
                // Waits until the program has read this transfer, so the device is asked for the
                // next one only when the program reads again: a device's N-th transfer is the
                // program's N-th read, and a failed one fails exactly that read.
                if (!FlushFileBuffers(server)) break;
                continue;
            }
            DWORD available = 0;
            if (!PeekNamedPipe(server, nullptr, 0, nullptr, &available, nullptr)) break;  // closed
            Sleep(1);
        }
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ForgetHandle(client, opened.serial);
    }
    ::CloseHandle(server);
    --served_;
}

}  // namespace transport
