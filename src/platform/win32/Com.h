// The owner of one COM interface pointer: released exactly once, never copied
// by accident (share() is the one way to take a second reference).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>

namespace tapivex {

// COM for this (the user-interface) thread, apartment-threaded as the folder
// picker needs it: set up at the first use, once for the program's life. A
// program whose list has no picture to convert never loads it.
inline void EnsureComInitialized() {
    static const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)result;
}

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For the out-parameter of a creating call; drops what was held.
    Interface** put() {
        reset();
        return &pointer_;
    }

    // A second owner of the same object.
    ComPtr share() const {
        ComPtr copy;
        if (pointer_) {
            pointer_->AddRef();
            copy.pointer_ = pointer_;
        }
        return copy;
    }

    void reset() {
        if (pointer_) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace tapivex
