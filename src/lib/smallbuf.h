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
  }
  ~smallbuf() {
    if (p_ != inline_) free(p_);
  }
  smallbuf(smallbuf const&) = delete;
  smallbuf& operator=(smallbuf const&) = delete;
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T inline_[N];
  T* p_;
};
