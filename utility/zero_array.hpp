#pragma once
// A fixed-length array of plain values that starts as zeros and costs only what a run writes.
//
// Its storage is taken once, when the array is made, as zero-filled storage from the host: pages
// that nothing writes are never touched, so an array of 100,000 vertices that a run leaves unused
// costs neither time nor memory. The array remembers how far it has been written; clear() zeroes
// that much and keeps the storage, so the next run again pays only for what it writes and no
// section or reset allocates. Element access is that of a plain array; fill() and write() count
// only the elements they write, while a pointer, an iterator or a span that may be written through
// counts the whole array as written.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>

// The address sanitizer, in GCC's and Clang's spellings.
#if defined(__SANITIZE_ADDRESS__)
#define PLENVOR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLENVOR_ADDRESS_SANITIZER 1
#endif
#endif

namespace zerostorage {
// Whether the gaps between the arrays are poisoned: in a build with the address sanitizer.
#if defined(PLENVOR_ADDRESS_SANITIZER)
inline constexpr bool kGapsPoisoned = true;
#else
inline constexpr bool kGapsPoisoned = false;
#endif

// Zero-filled storage for n bytes. The arrays made at start-up, those of the process-wide state,
// share one reservation taken from the host at the first call: one mapping for all of them, each
// array right after the one before. Under the address sanitizer the layout is the same, and the
// gap after each array is poisoned: a write past an array's end, which in the build that ships
// lands in the next array, is reported there. After startupOver() every request is a block of its
// own, as are the arrays a run makes (a copy of the vertex buffer). Throws std::bad_alloc when the
// host has no storage to give.
void* take(std::size_t n);
// Gives back the n bytes at p: a block of its own goes back to the host; a piece of the
// reservation is not used again (what was written there would have to be zeroed first), and under
// the address sanitizer it is poisoned again.
void give(void* p, std::size_t n);
// Start-up is over; a program calls this before its first run. The arrays made so far must all
// have fitted the reservation: when they need more, the program stops here, saying how much they
// need, rather than running with arrays apart. Later arrays are blocks of their own. Before the
// first call an array that does not fit is a block of its own too.
void startupOver();
}  // namespace zerostorage

template <class T>
class ZeroArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>,
                "a ZeroArray holds plain values whose zero bytes are their zero");

 public:
  explicit ZeroArray(std::size_t size) : data_(take(size)), size_(size) {}
  ZeroArray(const ZeroArray& other) : ZeroArray(other.size_) {
    written_ = other.written_;
    if (written_ > 0) std::memcpy(data_, other.data_, written_ * sizeof(T));
  }
  ZeroArray(ZeroArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        written_(std::exchange(other.written_, 0)) {}
  ZeroArray& operator=(ZeroArray other) noexcept {
    swap(other);
    return *this;
  }
  ~ZeroArray() { zerostorage::give(data_, size_ * sizeof(T)); }

  void swap(ZeroArray& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(written_, other.written_);
  }
  friend void swap(ZeroArray& a, ZeroArray& b) noexcept { a.swap(b); }

  T& operator[](std::size_t i) {
    if (i >= written_) written_ = i + 1;
    return data_[i];
  }
  const T& operator[](std::size_t i) const { return data_[i]; }
  std::size_t size() const { return size_; }

  T* data() {
    written_ = size_;
    return data_;
  }
  const T* data() const { return data_; }
  T* begin() { return data(); }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  // The count elements from first on become value (first + count <= size()).
  void fill(std::size_t first, std::size_t count, const T& value) {
    if (count == 0) return;
    std::fill_n(data_ + first, count, value);
    written_ = std::max(written_, first + count);
  }
  // The elements from first on become values (first + values.size() <= size()).
  void write(std::size_t first, std::span<const T> values) {
    if (values.empty()) return;
    std::copy(values.begin(), values.end(), data_ + first);
    written_ = std::max(written_, first + values.size());
  }

  // All zeros again; the storage is kept.
  void clear() {
    const std::size_t n = std::min(written_, size_);
    if (n > 0) std::memset(data_, 0, n * sizeof(T));
    written_ = 0;
  }

  friend bool operator==(const ZeroArray& a, const ZeroArray& b) {
    return a.size_ == b.size_ && std::equal(a.data_, a.data_ + a.size_, b.data_);
  }

 private:
  static T* take(std::size_t n) { return n == 0 ? nullptr : static_cast<T*>(zerostorage::take(n * sizeof(T))); }

  T* data_;
  std::size_t size_;
  std::size_t written_ = 0;  // elements 0..written_-1 may be other than zero
};
