#pragma once
// Intrusive reference counting. Classes shared through RefPtr carry an atomic
// `refCount`: scenes by deriving from CReferenceCounted, the plain shared
// classes (CArchive, CButton, CScript) as their first field.

#include <atomic>
#include <cstdint>
#include <utility>

class CReferenceCounted {
public:
    std::atomic<std::uint32_t> refCount{0};

    virtual ~CReferenceCounted() = default;

protected:
    CReferenceCounted() = default;
    CReferenceCounted(const CReferenceCounted&) = delete;
    CReferenceCounted& operator=(const CReferenceCounted&) = delete;
};

// Owning holder: the object is destroyed when its last RefPtr lets go.
template <class T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(T* object) : object_(object) { Acquire(object_); }  // NOLINT: implicit by design
    RefPtr(const RefPtr& other) : object_(other.object_) { Acquire(object_); }
    RefPtr(RefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~RefPtr() { Drop(object_); }

    // The new reference is taken before the old one is dropped, so assigning
    // a holder to itself (or to another holder of the same object) never
    // destroys the object on the way.
    RefPtr& operator=(const RefPtr& other) {
        T* old = object_;
        Acquire(other.object_);
        object_ = other.object_;
        Drop(old);
        return *this;
    }
    RefPtr& operator=(RefPtr&& other) noexcept {
        if (this != &other) {
            T* old = object_;
            object_ = std::exchange(other.object_, nullptr);
            Drop(old);
        }
        return *this;
    }
    RefPtr& operator=(T* object) { return *this = RefPtr(object); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    static void Acquire(T* object) {
        if (object) object->refCount.fetch_add(1, std::memory_order_relaxed);
    }
    static void Drop(T* object) {
        if (object && object->refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete object;
    }

    T* object_ = nullptr;
};
