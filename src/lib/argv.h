// Builders of null-terminated argument vectors whose room is checked.
//
// argv_fixed<N> holds N pointers, the closing null included. Elements go in
// through a chain whose type counts the most elements it can hold so far:
//   argv_fixed<6> v;
//   main_exec(v.start().add("tool", "-r", dir).add_if(force, "-f").add("--").end());
// add_if counts its elements whether or not they go in, so a vector that
// could outgrow N in any run does not compile.
//
// argv_heap<I> is for vectors with a part known only at run time: its room
// is given to the constructor (inline up to I pointers, heap beyond). The
// caller tells when that storage cannot be had (argv_die, or its own
// diagnostic); an element past the room ends the process with a diagnostic.
#pragma once

#include <cstddef>

#include "lib/smallbuf.h"

// Each ends the process with exit 111 and "unable to build argument
// vector": argv_die with errno as it is (ENOMEM from refused storage),
// argv_die_full with E2BIG, for an element past the room.
[[noreturn]] void argv_die();
[[noreturn]] void argv_die_full();

template <size_t N, size_t K>
class argv_chain {
  static_assert(K < N, "the vector's storage has no room for its closing null");

 public:
  argv_chain(char const** v, size_t n) : v_(v), n_(n) {}

  template <class... S>
  requires(sizeof...(S) > 0 && K + sizeof...(S) < N) argv_chain<N, K + sizeof...(S)> add(S... s)
  const {
    size_t n = n_;
    ((v_[n++] = s), ...);
    return {v_, n};
  }

  template <class... S>
  requires(sizeof...(S) > 0 &&
           K + sizeof...(S) < N) argv_chain<N, K + sizeof...(S)> add_if(bool cond, S... s)
  const {
    size_t n = n_;
    if (cond) ((v_[n++] = s), ...);
    return {v_, n};
  }

  // Closes the vector with its null and returns it.
  char const* const* end() const {
    v_[n_] = nullptr;
    return v_;
  }

  size_t size() const { return n_; }

 private:
  char const** v_;
  size_t n_;
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

template <size_t I>
class argv_heap {
 public:
  // Room for room pointers, the closing null included; false (errno
  // ENOMEM) when the storage cannot be had, and then no room at all.
  explicit argv_heap(size_t room) : buf_(room), room_(buf_ ? room : 0) {}
  explicit operator bool() const { return static_cast<bool>(buf_); }
  argv_heap(argv_heap const&) = delete;
  argv_heap& operator=(argv_heap const&) = delete;

  template <class... S>
  argv_heap& add(S... s) {
    ((put(s)), ...);
    return *this;
  }

  template <class... S>
  argv_heap& add_if(bool cond, S... s) {
    if (cond) add(s...);
    return *this;
  }

  argv_heap& add_all(char const* const* a, size_t count) {
    for (size_t i = 0; i < count; i++) put(a[i]);
    return *this;
  }

  // Room for count elements written by the caller from data(); returns the
  // first of them.
  char const** reserve(size_t count) {
    if (count >= room_ - n_) argv_die_full();
    char const** const p = buf_.get() + n_;
    n_ += count;
    return p;
  }

  char const* const* end() {
    if (n_ >= room_) argv_die_full();
    buf_.get()[n_] = nullptr;
    return buf_.get();
  }

  size_t size() const { return n_; }

 private:
  void put(char const* s) {
    if (n_ + 1 >= room_) argv_die_full();
    buf_.get()[n_++] = s;
  }

  smallbuf<char const*, I> buf_;
  size_t room_;
  size_t n_ = 0;
};
