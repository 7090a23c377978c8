#pragma once
// An owner for kernel object handles (files, threads, mutexes, events),
// closed with CloseHandle. Both failure values of the creating calls (null
// and INVALID_HANDLE_VALUE) are taken as "no handle".

#include <windows.h>

#include <utility>

class CKernelHandle {
public:
    CKernelHandle() = default;
    explicit CKernelHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    CKernelHandle(CKernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~CKernelHandle() { Close(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // True when the handle closed cleanly (or there was none). A file's
    // close can report a failed write, so savers check it.
    bool Close() {
        const bool closed = handle_ == nullptr || CloseHandle(handle_) != FALSE;
        handle_ = nullptr;
        return closed;
    }

private:
    HANDLE handle_ = nullptr;
};
