#include "utility/zero_array.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#if defined(PLENVOR_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace zerostorage {
namespace {

#if defined(PLENVOR_ADDRESS_SANITIZER)
void poison(void* p, std::size_t n) { __asan_poison_memory_region(p, n); }
void unpoison(void* p, std::size_t n) { __asan_unpoison_memory_region(p, n); }
#else
void poison(void*, std::size_t) {}
void unpoison(void*, std::size_t) {}
#endif

// Room for the arrays of every process-wide state block, in a program that links them all (12 MB
// today); pages never written cost nothing. What the arrays need is added up as they are made, and
// startupOver() stops the program when it is more than this.
constexpr std::size_t kReservationBytes = std::size_t{16} << 20;
constexpr std::size_t kAlignment = 64;
// Under the address sanitizer each array is followed by a poisoned gap at least this long, even
// where its length is a whole number of alignments.
constexpr std::size_t kGapBytes = kGapsPoisoned ? kAlignment : 0;

// The shared reservation. It is given back to the host when the process ends, after every array
// made before it is gone.
struct Reservation {
  char* base = nullptr;
  std::size_t used = 0;
  bool startup = true;    // the arrays being made are those of the process-wide state
  std::size_t asked = 0;  // what they need of the reservation, alignment and gaps included
  Reservation() : base(static_cast<char*>(std::calloc(kReservationBytes, 1))) {
    if (base != nullptr) poison(base, kReservationBytes);
  }
  ~Reservation() {
    if (base != nullptr) unpoison(base, kReservationBytes);
    std::free(base);
  }
  Reservation(const Reservation&) = delete;
  Reservation& operator=(const Reservation&) = delete;
  bool holds(const void* p) const {
    const auto at = reinterpret_cast<std::uintptr_t>(p), start = reinterpret_cast<std::uintptr_t>(base);
    return base != nullptr && at >= start && at < start + kReservationBytes;
  }
};

Reservation& reservation() {
  static Reservation r;
  return r;
}

// What an array of n bytes takes of the reservation: n rounded up to the alignment, and the gap
// after it. A length beyond the reservation is not rounded, which could overflow.
std::size_t piece(std::size_t n) {
  return n > kReservationBytes ? n : (n + kAlignment - 1) / kAlignment * kAlignment + kGapBytes;
}

}  // namespace

void* take(std::size_t n) {
  Reservation& r = reservation();
  if (r.startup) {
    const std::size_t bytes = piece(n);
    r.asked = bytes > SIZE_MAX - r.asked ? SIZE_MAX : r.asked + bytes;
    if (r.base != nullptr && bytes <= kReservationBytes - r.used) {
      void* p = r.base + r.used;
      r.used += bytes;
      unpoison(p, n);
      return p;
    }
  }
  void* p = std::calloc(n, 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void give(void* p, std::size_t n) {
  if (p == nullptr) return;
  if (reservation().holds(p)) {
    poison(p, n);
    return;
  }
  std::free(p);
}

void startupOver() {
  Reservation& r = reservation();
  if (!r.startup) return;
  r.startup = false;
  // A fault of the program, not of its input: found before any run starts.
  if (r.asked > kReservationBytes) {
    std::fprintf(stderr,
                 "The arrays made at start-up need %zu bytes of zero-filled storage, more than the %zu bytes "
                 "reserved for them: the reservation must be made larger.\n",
                 r.asked, kReservationBytes);
    std::abort();
  }
}

}  // namespace zerostorage
