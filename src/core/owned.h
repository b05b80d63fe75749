// Move-only owners of system handles: each closes its handle when it goes
// out of scope, so that early returns need no clean-up code. A handle that
// is passed on (to the record, to another owner) leaves through release().
#pragma once
#ifdef _WIN32
#include "core/platform.h"

template <typename Handle, typename Kind> class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) : handle_(other.release()) {}
    Owned& operator=(Owned&& other)
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    // For calls that return the handle through a pointer; closes any held one.
    Handle* out()
    {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return Kind::Valid(handle_); }
    Handle release()
    {
        Handle handle = handle_;
        handle_ = Kind::None();
        return handle;
    }
    void reset(Handle handle = Kind::None())
    {
        if (Kind::Valid(handle_))
            Kind::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Kind::None();
};

// Kernel objects: files, threads, processes, tokens, snapshots. Some calls
// give INVALID_HANDLE_VALUE for a failure, others null: neither is closed.
struct KernelHandleKind {
    static HANDLE None() { return nullptr; }
    static bool Valid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct RegistryKeyKind {
    static HKEY None() { return nullptr; }
    static bool Valid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
struct ServiceHandleKind {
    static SC_HANDLE None() { return nullptr; }
    static bool Valid(SC_HANDLE handle) { return handle != nullptr; }
    static void Close(SC_HANDLE handle) { CloseServiceHandle(handle); }
};
struct SocketKind {
    static SOCKET None() { return INVALID_SOCKET; }
    static bool Valid(SOCKET socket) { return socket != INVALID_SOCKET; }
    static void Close(SOCKET socket) { closesocket(socket); }
};
struct EventSourceKind {
    static HANDLE None() { return nullptr; }
    static bool Valid(HANDLE source) { return source != nullptr; }
    static void Close(HANDLE source) { DeregisterEventSource(source); }
};

typedef Owned<HANDLE, KernelHandleKind> OwnedHandle;
typedef Owned<HKEY, RegistryKeyKind> OwnedKey;
typedef Owned<SC_HANDLE, ServiceHandleKind> OwnedService;
typedef Owned<SOCKET, SocketKind> OwnedSocket;
typedef Owned<HANDLE, EventSourceKind> OwnedEventSource;
#endif
