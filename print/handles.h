// Owners of the handles a print job holds: each releases its handle when it
// goes, on every way out of the job; release() hands the handle on.
#pragma once

#include <utility>

#include "print/win32.h"

namespace kerfline {

template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    Handle release() { return std::exchange(handle_, Handle{}); }
    void reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) Traits::close(handle_);
        handle_ = handle;
    }
    // For calls that hand a new handle back through a pointer.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_{};
};

struct DeleteDcTraits {
    static void close(HDC dc) { DeleteDC(dc); }
};
struct ClosePrinterTraits {
    static void close(HANDLE printer) { ClosePrinter(printer); }
};
struct GlobalFreeTraits {
    static void close(HGLOBAL block) { GlobalFree(block); }
};

// A printer's device context, made by the Print dialog.
using PrinterDc = UniqueHandle<HDC, DeleteDcTraits>;
// A printer opened for spooling raw data.
using PrinterHandle = UniqueHandle<HANDLE, ClosePrinterTraits>;
// A global memory block, such as the dialog's DEVMODE and DEVNAMES.
using GlobalBlock = UniqueHandle<HGLOBAL, GlobalFreeTraits>;

// A global memory block locked for as long as this lives.
template <typename T>
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block)
        : block_(block), data_(block ? static_cast<T*>(::GlobalLock(block)) : nullptr) {}
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    ~LockedBlock() {
        if (data_) ::GlobalUnlock(block_);
    }
    T* get() const { return data_; }

private:
    HGLOBAL block_;
    T* data_;
};

}  // namespace kerfline
