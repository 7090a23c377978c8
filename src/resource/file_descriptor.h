#pragma once
// An owner for a POSIX file descriptor, closed with close (the host build's
// files; the Windows build holds CKernelHandle instead). -1 is "none".

#include <unistd.h>

class CFileDescriptor {
public:
    explicit CFileDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~CFileDescriptor() { Close(); }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    // True when the descriptor closed cleanly (or there was none): a close
    // can report a failed write.
    bool Close() {
        const bool closed = descriptor_ < 0 || close(descriptor_) == 0;
        descriptor_ = -1;
        return closed;
    }

private:
    int descriptor_;
};
