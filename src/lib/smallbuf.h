// Storage sized from the inputs: inline up to N elements, heap beyond.
// REQUIRES: T is trivially copyable. get() is null when the heap refused;
// the caller reports that (library code with ENOMEM, commands with a
// diagnostic). Never a VLA, never unbounded stack.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

// Under AddressSanitizer the unused tail of the inline storage is poisoned,
// so that a write one element past n is seen as it would be on the heap.
#if defined(__SANITIZE_ADDRESS__)
#define SMALLBUF_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SMALLBUF_POISON 1
#endif
#endif
#ifdef SMALLBUF_POISON
#include <sanitizer/asan_interface.h>
#endif

template <class T, size_t N>
class smallbuf {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  // The inline storage is left uninitialised, as automatic storage would be.
  // cppcheck-suppress uninitMemberVar
  explicit smallbuf(size_t n) : p_(inline_) {
    if (n > N) {
      p_ = n > SIZE_MAX / sizeof(T) ? nullptr : static_cast<T*>(malloc(n * sizeof(T)));
      if (!p_) errno = ENOMEM;
    }
#ifdef SMALLBUF_POISON
    if (p_ == inline_) ASAN_POISON_MEMORY_REGION(inline_ + n, (N - n) * sizeof(T));
#endif
  }
  ~smallbuf() {
#ifdef SMALLBUF_POISON
    if (p_ == inline_) ASAN_UNPOISON_MEMORY_REGION(inline_, sizeof inline_);
#endif
    if (p_ != inline_) free(p_);
  }
  smallbuf(smallbuf const&) = delete;
  smallbuf& operator=(smallbuf const&) = delete;
  T* get() const {
    return p_;
  }
  explicit operator bool() const {
    return p_ != nullptr;
  }

 private:
  T inline_[N];
  T* p_;
};
