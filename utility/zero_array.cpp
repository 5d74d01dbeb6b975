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
// today); pages never written cost nothing. The arrays themselves say how much they need: take()
// adds up what they ask for and stops the program when it is more than this.
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
  bool startup = true;  // the requests are the arrays of the process-wide state
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

// The reservation cannot hold an array of the process-wide state: a fault of the program, not of
// its input, found before any run starts.
[[noreturn]] void misfit(std::size_t used, std::size_t n) {
  std::fprintf(stderr,
               "zero storage: the arrays of the process-wide state need more than the %zu bytes reserved "
               "(%zu taken, %zu more asked for); the reservation must be made larger\n",
               kReservationBytes, used, n);
  std::abort();
}

}  // namespace

void* take(std::size_t n) {
  Reservation& r = reservation();
  if (r.startup) {
    if (r.base == nullptr) throw std::bad_alloc();
    // The array rounded up to the alignment, and its gap; a length beyond the room is not
    // rounded, which could overflow.
    const std::size_t room = kReservationBytes - r.used;
    const std::size_t piece = n > room ? n : (n + kAlignment - 1) / kAlignment * kAlignment + kGapBytes;
    if (piece > room) misfit(r.used, n);
    void* p = r.base + r.used;
    r.used += piece;
    unpoison(p, n);
    return p;
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

void startupOver() { reservation().startup = false; }

}  // namespace zerostorage
