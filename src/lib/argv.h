// Builders of null-terminated argument vectors whose room is checked.
//
// argv_fixed<N> holds N pointers, the closing null included. Elements go in
// through a chain whose type counts the most elements it can hold so far:
//   argv_fixed<6> v;
//   char const* const* a = v.start().add("tool", "-r", dir).add_if(force, "-f").add("--").end();
// add_if counts its elements whether or not they go in, so a vector that
// could outgrow N in any run does not compile.
//
// argv_heap<N> is for vectors with a part known only at run time. N is the
// room of the part the chain counts, closing null included, and must be
// exactly that count; the constructor takes the most elements the run-time
// part (add_all, push, reserve) will put in. The storage is inline up to I
// pointers, on the heap beyond. Nothing is written past the room: a run-time
// part that does not fit makes end() return null with errno E2BIG. What to
// say about a vector that cannot be built is the caller's to decide.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "lib/smallbuf.h"

// R: whether the vector has a run-time part, of at most room elements.
template <size_t N, size_t K, bool R = false>
class argv_chain {
  static_assert(K < N, "the vector's storage has no room for its closing null");

 public:
  argv_chain(char const** v, size_t n, size_t room = 0, bool full = false)
      : v_(v), n_(n), room_(room), full_(full) {}

  template <class... S>
  requires(sizeof...(S) > 0 && K + sizeof...(S) < N) argv_chain<N, K + sizeof...(S), R> add(S... s)
  const {
    size_t n = n_;
    ((v_[n++] = s), ...);
    return {v_, n, room_, full_};
  }

  template <class... S>
  requires(sizeof...(S) > 0 &&
           K + sizeof...(S) < N) argv_chain<N, K + sizeof...(S), R> add_if(bool cond, S... s)
  const {
    size_t n = n_;
    if (cond) ((v_[n++] = s), ...);
    return {v_, n, room_, full_};
  }

  // The run-time part: count elements of a, one element s, or room for
  // count elements the caller writes from the returned pointer (null, with
  // errno E2BIG, past the room).
  argv_chain& add_all(char const* const* a, size_t count) requires R {
    if (char const** p = reserve(count))
      for (size_t i = 0; i < count; i++) p[i] = a[i];
    return *this;
  }
  argv_chain& push(char const* s) requires R { return add_all(&s, 1); }
  char const** reserve(size_t count) requires R {
    if (count > room_) {
      full_ = true;
      errno = E2BIG;
      return nullptr;
    }
    char const** const p = v_ + n_;
    n_ += count;
    room_ -= count;
    return p;
  }

  // Closes the vector with its null and returns it; null (errno E2BIG) when
  // a run-time part did not fit.
  char const* const* end() const {
    if constexpr (R) {
      static_assert(K + 1 == N, "argv_heap's N is not the count of its fixed part");
      if (full_) {
        errno = E2BIG;
        return nullptr;
      }
    }
    v_[n_] = nullptr;
    return v_;
  }

  size_t size() const { return n_; }

 private:
  char const** v_;
  size_t n_;
  size_t room_;
  bool full_;
};

template <size_t N>
class argv_fixed {
 public:
  // The storage is filled by the chain; only what it wrote is ever read.
  // cppcheck-suppress uninitMemberVar
  argv_fixed() = default;
  argv_fixed(argv_fixed const&) = delete;
  argv_fixed& operator=(argv_fixed const&) = delete;
  argv_chain<N, 0> start() { return {v_, 0}; }

 private:
  char const* v_[N];
};

template <size_t N, size_t I = 64>
class argv_heap {
 public:
  // Room for the fixed part and extra run-time elements; false (errno
  // ENOMEM) when the storage cannot be had.
  explicit argv_heap(size_t extra)
      : buf_(extra > SIZE_MAX - N ? SIZE_MAX : N + extra), extra_(extra) {}
  explicit operator bool() const { return static_cast<bool>(buf_); }
  argv_heap(argv_heap const&) = delete;
  argv_heap& operator=(argv_heap const&) = delete;

  // REQUIRES: the storage was had.
  argv_chain<N, 0, true> start() { return {buf_.get(), 0, extra_}; }

 private:
  smallbuf<char const*, I> buf_;
  size_t extra_;
};
